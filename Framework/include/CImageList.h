// CImageList: owns a list of equally sized images cut from one bitmap resource, drawn
// transparently where the bitmap has its mask colour. Lists and tree-lists show rows with them.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CImageList
{
public:
    CImageList() : m_hImageList(nullptr) {}
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // Cuts the bitmap of the current resource module into images cx pixels wide; crMask marks
    // the transparent pixels. Replaces any list held; FALSE when the bitmap cannot be loaded.
    BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
    BOOL DeleteImageList();
    int GetImageCount() const { return m_hImageList ? ImageList_GetImageCount(m_hImageList) : 0; }

    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }

private:
    HIMAGELIST m_hImageList;
};

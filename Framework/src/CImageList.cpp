#include "CImageList.h"
#include "ModuleState.h"

BOOL CImageList::Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask)
{
    DeleteImageList();
    HBITMAP hBitmap = static_cast<HBITMAP>(
        LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nBitmapID), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!hBitmap)
        return FALSE;
    BITMAP bitmap = {};
    GetObjectA(hBitmap, sizeof(bitmap), &bitmap);
    // Full colour whatever the bitmap's depth, so no image loses colours to a palette.
    if (cx > 0 && bitmap.bmWidth >= cx)
        m_hImageList = ImageList_Create(cx, bitmap.bmHeight, ILC_COLOR24 | ILC_MASK, bitmap.bmWidth / cx, nGrow);
    if (m_hImageList && ImageList_AddMasked(m_hImageList, hBitmap, crMask) < 0)
        DeleteImageList();
    DeleteObject(hBitmap);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList()
{
    if (!m_hImageList)
        return FALSE;
    ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return TRUE;
}

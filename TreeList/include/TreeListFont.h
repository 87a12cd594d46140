// CTreeListFont: the font a tree-list control draws its rows and header with. It owns its GDI
// font; a view replaces it (DeleteObject, then CreatePointFont) before its window exists.
#pragma once

#include <windows.h>

class CTreeListFont
{
public:
    CTreeListFont() : m_hFont(nullptr) {}
    ~CTreeListFont() { DeleteObject(); }
    CTreeListFont(const CTreeListFont&) = delete;
    CTreeListFont& operator=(const CTreeListFont&) = delete;

    // Size in tenths of a point on the screen (100 = 10 points); replaces any font held.
    BOOL CreatePointFont(int nPointSize, LPCSTR pszFaceName);
    // Releases the font; harmless when none is held.
    BOOL DeleteObject();

    HFONT GetSafeHandle() const { return m_hFont; }

private:
    HFONT m_hFont;
};

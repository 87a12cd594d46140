#include "TreeListFont.h"

BOOL CTreeListFont::CreatePointFont(int nPointSize, LPCSTR pszFaceName)
{
    DeleteObject();
    HDC hDC = GetDC(nullptr);
    LOGFONTA lf = {};
    // Tenths of a point to pixels of the screen: 720 tenths to the inch.
    lf.lfHeight = -MulDiv(nPointSize, GetDeviceCaps(hDC, LOGPIXELSY), 720);
    ReleaseDC(nullptr, hDC);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, pszFaceName ? pszFaceName : "", LF_FACESIZE);
    m_hFont = CreateFontIndirectA(&lf);
    return m_hFont != nullptr;
}

BOOL CTreeListFont::DeleteObject()
{
    if (!m_hFont)
        return FALSE;
    ::DeleteObject(m_hFont);
    m_hFont = nullptr;
    return TRUE;
}

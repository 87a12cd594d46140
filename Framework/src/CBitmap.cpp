#include "CBitmap.h"
#include "ModuleState.h"

BOOL CBitmap::LoadBitmap(UINT nIDResource)
{
    return LoadBitmap(MAKEINTRESOURCEA(nIDResource));
}

BOOL CBitmap::LoadBitmap(LPCSTR pszResourceName)
{
    DeleteObject();
    m_hObject = ::LoadBitmapA(AfxGetResourceHandle(), pszResourceName);
    return m_hObject != nullptr;
}

void CBitmap::DeleteObject()
{
    if (m_hObject) {
        ::DeleteObject(m_hObject);
        m_hObject = nullptr;
    }
}

#include "CBitmap.h"
#include "ModuleState.h"

BOOL CBitmap::LoadBitmap(UINT nIDResource)
{
    DeleteObject();
    m_hObject = ::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
    return m_hObject != nullptr;
}

void CBitmap::DeleteObject()
{
    if (m_hObject) {
        ::DeleteObject(m_hObject);
        m_hObject = nullptr;
    }
}

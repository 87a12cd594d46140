// CBitmap: owns a GDI bitmap, typically loaded from the current resource module.
#pragma once

#include <windows.h>

class CBitmap
{
public:
    CBitmap() : m_hObject(nullptr) {}
    ~CBitmap() { DeleteObject(); }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    BOOL LoadBitmap(UINT nIDResource);
    BOOL LoadBitmap(LPCSTR pszResourceName);
    void DeleteObject();
    operator HBITMAP() const { return m_hObject; }

    HBITMAP m_hObject;
};

// CMenu: owns an attached menu handle; the menu is destroyed with the object unless detached.
#pragma once

#include <windows.h>

class CMenu
{
public:
    CMenu() : m_hMenu(nullptr) {}
    virtual ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL Attach(HMENU hMenu);
    HMENU Detach();
    BOOL DestroyMenu();
    HMENU GetSubMenu(int nPos) const { return ::GetSubMenu(m_hMenu, nPos); }
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, HWND hOwner, LPCRECT pRect = nullptr)
    {
        return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, hOwner, pRect);
    }

    HMENU m_hMenu;
};

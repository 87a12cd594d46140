#include "PopupMenu.h"

void CPopupMenu::ShowMenu(CWnd* pOwner, WORD nIDMenu, POINT* pPoint)
{
    HINSTANCE hModule = GetModuleHandleA(nullptr);
    if (!FindResourceA(hModule, MAKEINTRESOURCEA(nIDMenu), reinterpret_cast<LPCSTR>(RT_MENU)))
        return;
    if (!Attach(LoadMenuW(hModule, MAKEINTRESOURCEW(nIDMenu))))
        return;

    // The submenu belongs to the loaded menu, which is destroyed with this object.
    CMenu subMenu;
    subMenu.Attach(GetSubMenu(0));
    BOOL bShow = PrepareMenu(&subMenu);
    if (bShow)
        subMenu.TrackPopupMenu(TPM_RIGHTBUTTON | TPM_LEFTALIGN, pPoint->x, pPoint->y, pOwner->m_hWnd);
    subMenu.Detach();
}

BOOL CPopupMenu::PrepareMenu(CMenu*)
{
    return TRUE;
}

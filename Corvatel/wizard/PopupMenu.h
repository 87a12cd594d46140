// CPopupMenu: a context menu from the program's menu resources, shown at a screen point; the
// chosen command goes to the owner window. PrepareMenu lets a derived menu adjust the items first.
#pragma once

#include <CMenu.h>
#include <CWnd.h>

class CPopupMenu : public CMenu
{
public:
    virtual void ShowMenu(CWnd* pOwner, WORD nIDMenu, POINT* pPoint);
    // FALSE cancels the showing.
    virtual BOOL PrepareMenu(CMenu* pSubMenu);
};

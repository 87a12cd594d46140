// CTreeListCtrl_Applications: the selection page's list of the catalogue's applications, with
// check boxes, a type column when beta or snip entries are shown, and rows coloured by type.
#pragma once

#include "TreeListCtrl_View.h"

class CPropPage_AppSelection;

class CTreeListCtrl_Applications : public CTreeListCtrl_View
{
public:
    explicit CTreeListCtrl_Applications(CPropPage_AppSelection* pOwner);

    // 2 for a row whose type text is "beta", 3 for "snip" (any case), else 1 (also for no row).
    int GetItemType(CTreeListItem* pRow) const;
    // Beta rows dark red, snip rows blue.
    COLORREF GetTextColor(CTreeListItem* pRow) override;

    CPropPage_AppSelection* m_pOwner;

protected:
    TreeListColumn* GetColumns(int& nCount) override;
    LRESULT OnRefresh() override;
};

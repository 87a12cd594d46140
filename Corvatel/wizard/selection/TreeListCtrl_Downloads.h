// CTreeListCtrl_Downloads: the selection page's list of the components to download, with check
// boxes (locked for the components that must be installed) and each one's size.
#pragma once

#include "TreeListCtrl_View.h"

class CPropPage_AppSelection;

class CTreeListCtrl_Downloads : public CTreeListCtrl_View
{
public:
    explicit CTreeListCtrl_Downloads(CPropPage_AppSelection* pOwner);

    CPropPage_AppSelection* m_pOwner;

protected:
    TreeListColumn* GetColumns(int& nCount) override;
    LRESULT OnRefresh() override;
};

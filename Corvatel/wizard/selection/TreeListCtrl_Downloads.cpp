#include "TreeListCtrl_Downloads.h"

#include "resource.h"

namespace {

TreeListColumn g_columns[] = {
    {"Application Name", 55},
    {"Version", 20},
    {"Size", 20},
};

} // namespace

CTreeListCtrl_Downloads::CTreeListCtrl_Downloads(CPropPage_AppSelection* pOwner)
    : CTreeListCtrl_View(IDB_ROW_IMAGES, kSelectionListStyle), m_pOwner(pOwner)
{
}

TreeListColumn* CTreeListCtrl_Downloads::GetColumns(int& nCount)
{
    return ColumnTable(g_columns, nCount);
}

LRESULT CTreeListCtrl_Downloads::OnRefresh()
{
    ResizeColumns();
    return 0;
}

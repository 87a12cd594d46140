#include "TreeListCtrl_Downloads.h"

#include "resource.h"

namespace {

const DWORD kSelectionListStyle = 0x68DB08;

TreeListColumn g_columns[] = {
    {"Application Name", 55, 0x104145, 0, 0, 0},
    {"Version", 20, 0x104145, 0, 0, 0},
    {"Size", 20, 0x104145, 0, 0, 0},
};

} // namespace

CTreeListCtrl_Downloads::CTreeListCtrl_Downloads(CPropPage_AppSelection* pOwner)
    : CTreeListCtrl_View(IDB_ROW_IMAGES, kSelectionListStyle), m_pOwner(pOwner)
{
}

TreeListColumn* CTreeListCtrl_Downloads::GetColumns(int& nCount)
{
    nCount = static_cast<int>(sizeof(g_columns) / sizeof(g_columns[0]));
    return g_columns;
}

LRESULT CTreeListCtrl_Downloads::OnRefresh()
{
    ResizeColumns();
    return 0;
}

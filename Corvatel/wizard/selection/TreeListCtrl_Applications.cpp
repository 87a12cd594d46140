#include "TreeListCtrl_Applications.h"

#include "CorvatelApp.h"
#include "PropPage_AppSelection.h"
#include "resource.h"

namespace {

const int kTypeColumn = 2;
TreeListColumn g_columns[] = {
    {"Application Name", 65},
    {"Version", 30},
};
TreeListColumn g_typedColumns[] = {
    {"Application Name", 65},
    {"Version", 20},
    {"Type", 10},
};

} // namespace

CTreeListCtrl_Applications::CTreeListCtrl_Applications(CPropPage_AppSelection* pOwner)
    : CTreeListCtrl_View(IDB_ROW_IMAGES, kSelectionListStyle), m_pOwner(pOwner)
{
}

TreeListColumn* CTreeListCtrl_Applications::GetColumns(int& nCount)
{
    const CCommandLineInfo_Corvatel& commandLine = GetCorvatelApp()->m_cmdInfo;
    if (commandLine.m_bBeta || commandLine.m_bSnip)
        return ColumnTable(g_typedColumns, nCount);
    return ColumnTable(g_columns, nCount);
}

LRESULT CTreeListCtrl_Applications::OnRefresh()
{
    ResizeColumns();
    if (m_pOwner)
        m_pOwner->FillApplicationTree();
    return 0;
}

int CTreeListCtrl_Applications::GetItemType(CTreeListItem* pRow) const
{
    if (!pRow)
        return 1;
    CString strType = GetItemText(pRow, kTypeColumn);
    if (strType.CompareNoCase("beta") == 0)
        return 2;
    if (strType.CompareNoCase("snip") == 0)
        return 3;
    return 1;
}

COLORREF CTreeListCtrl_Applications::GetTextColor(CTreeListItem* pRow)
{
    switch (GetItemType(pRow)) {
    case 2:
        return RGB(128, 0, 0);
    case 3:
        return RGB(0, 0, 255);
    }
    return CTreeListCtrl_View::GetTextColor(pRow);
}

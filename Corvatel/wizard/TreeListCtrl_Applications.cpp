#include "TreeListCtrl_Applications.h"

#include "CorvatelApp.h"
#include "PropPage_AppSelection.h"
#include "resource.h"

namespace {

const int kTypeColumn = 2;
const DWORD kSelectionListStyle = 0x68DB08;

TreeListColumn g_columns[] = {
    {"Application Name", 65, 0x104145, 0, 0, 0},
    {"Version", 30, 0x104145, 0, 0, 0},
};
TreeListColumn g_typedColumns[] = {
    {"Application Name", 65, 0x104145, 0, 0, 0},
    {"Version", 20, 0x104145, 0, 0, 0},
    {"Type", 10, 0x104145, 0, 0, 0},
};

} // namespace

CTreeListCtrl_Applications::CTreeListCtrl_Applications(CPropPage_AppSelection* pOwner)
    : CTreeListCtrl_View(IDB_ROW_IMAGES, kSelectionListStyle), m_pOwner(pOwner)
{
}

TreeListColumn* CTreeListCtrl_Applications::GetColumns(int& nCount)
{
    const CCommandLineInfo_Corvatel& commandLine = GetCorvatelApp()->m_cmdInfo;
    if (commandLine.m_bBeta || commandLine.m_bSnip) {
        nCount = static_cast<int>(sizeof(g_typedColumns) / sizeof(g_typedColumns[0]));
        return g_typedColumns;
    }
    nCount = static_cast<int>(sizeof(g_columns) / sizeof(g_columns[0]));
    return g_columns;
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

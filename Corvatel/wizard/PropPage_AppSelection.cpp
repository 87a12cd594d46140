// The selection page's life: its two lists and the filling of the application list.
#include "PropPage_AppSelection.h"

#include "CorvatelApp.h"
#include "PropSheet_Corvatel.h"
#include "TreeListCtrl_Applications.h"
#include "TreeListCtrl_Downloads.h"
#include "resource.h"

namespace {

const UINT kAppTreeId = 500;
const UINT kDownloadTreeId = 501;

const CCommandLineInfo_Corvatel& CommandLine()
{
    return GetCorvatelApp()->m_cmdInfo;
}

} // namespace

CPropPage_AppSelection::CPropPage_AppSelection(CPropSheet_Corvatel* pSheet)
    : CPropPage_Base(pSheet, IDD_APP_SELECTION, IDS_SELECTION_TITLE, IDS_SELECTION_SUBTITLE), m_fTotalSize(0.0f),
      m_pAppTree(nullptr), m_pDownloadTree(nullptr)
{
}

CPropPage_AppSelection::~CPropPage_AppSelection()
{
    delete m_pAppTree;
    delete m_pDownloadTree;
}

BOOL CPropPage_AppSelection::OnInitDialog()
{
    CPropPage_Base::OnInitDialog();
    CreateTrees();
    return TRUE;
}

void CPropPage_AppSelection::CreateTrees()
{
    m_pAppTree = new CTreeListCtrl_Applications(this);
    m_pDownloadTree = new CTreeListCtrl_Downloads(this);
    if (!CreateTree(m_pAppTree, IDC_APP_LIST_PLACE, kAppTreeId) ||
        !CreateTree(m_pDownloadTree, IDC_DOWNLOAD_LIST_PLACE, kDownloadTreeId))
        return;
    m_pAppTree->PostMessage(WM_TREE_REFRESH);
    m_pDownloadTree->PostMessage(WM_TREE_REFRESH);
}

template <class View>
bool CPropPage_AppSelection::CreateTree(View*& pView, int nPlaceholderID, UINT nID)
{
    if (!pView)
        return false;
    RECT rc = {};
    GetWindowRect(GetDlgItem(nPlaceholderID), &rc);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    if (!pView->Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, rc, this, nID)) {
        delete pView;
        pView = nullptr;
        return false;
    }
    ShowWindow(pView->m_hWnd, SW_SHOW);
    return true;
}

void CPropPage_AppSelection::FillApplicationTree()
{
    const CCommandLineInfo_Corvatel& commandLine = CommandLine();
    bool bNamesGiven = !commandLine.m_lstProducts.IsEmpty();
    for (POSITION pos = m_pSheet->m_lstProductItems.GetHeadPosition(); pos;) {
        CProductInfo* pProduct = static_cast<CAppDetailsObj*>(m_pSheet->m_lstProductItems.GetNext(pos))->m_pProductInfo;
        CString strName = pProduct->GetName();
        if (!m_pSheet->IsProductNamedOnCommandLine(strName))
            continue;
        // A product named on the command line is listed even when the catalogue hides it.
        bool bNamed = bNamesGiven;
        if (!pProduct->m_bShowProduct && !pProduct->m_bShowBeta && !pProduct->m_bShowSnip && !bNamed)
            continue;
        if ((pProduct->m_bBeta && !commandLine.m_bBeta) || (pProduct->m_bSnip && !commandLine.m_bSnip))
            continue;
        if (pProduct->GetDownload().IsEmpty())
            continue;
        CTreeListItem* pRow = m_pAppTree->InsertItem(strName, TLI_ROOT, TLI_SORT);
        if (!pRow)
            continue;
        m_pAppTree->SetItemText(pRow, pProduct->GetVersion(), 1);
        if (commandLine.m_bBeta && pProduct->m_bBeta)
            m_pAppTree->SetItemText(pRow, "beta", 2);
        if (commandLine.m_bSnip && pProduct->m_bSnip)
            m_pAppTree->SetItemText(pRow, "snip", 2);
    }
}

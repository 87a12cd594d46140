// The selection page's life: its two lists, the filling of the application list, the buttons,
// the row menus and dialogs, the description pane, and the checks before Next.
#include "PropPage_AppSelection.h"

#include "ComponentDependenciesDlg.h"
#include "ComponentDetails.h"
#include "ComponentsRequiredDlg.h"
#include "CorvatelApp.h"
#include "PopupMenu.h"
#include "PropSheet_Corvatel.h"
#include "TreeListCtrl_Applications.h"
#include "TreeListCtrl_Downloads.h"
#include "resource.h"

#include <AfxMessageBox.h>

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
    m_hAllUpToDate = GetDlgItem(IDC_ALL_UP_TO_DATE);
    CreateTrees();
    return TRUE;
}

void CPropPage_AppSelection::CreateTrees()
{
    m_pAppTree = CreateTree(this, new CTreeListCtrl_Applications(this), IDC_APP_LIST_PLACE, kAppTreeId);
    if (!m_pAppTree)
        return;
    m_pDownloadTree = CreateTree(this, new CTreeListCtrl_Downloads(this), IDC_DOWNLOAD_LIST_PLACE, kDownloadTreeId);
    if (!m_pDownloadTree)
        return;
    m_pAppTree->PostMessage(WM_TREE_REFRESH);
    m_pDownloadTree->PostMessage(WM_TREE_REFRESH);
}

BOOL CPropPage_AppSelection::DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)
{
    // The listings one click caused come one message each; the next thing the user or the page
    // does sees the rows judged again after them all.
    if (uMsg == WM_REFRESH_DOWNLOAD_ROWS || uMsg == WM_SELECT_INSTALLED_PRODUCTS || uMsg == WM_DOWNLOAD_CHECK ||
        uMsg == WM_NOTIFY || (uMsg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED))
        RunOwedRefresh();
    switch (uMsg) {
    case WM_REFRESH_DOWNLOAD_ROWS:
        m_bRefreshPosted = false;
        lResult = 0;
        return TRUE;
    case WM_NOTIFY:
        if (OnTreeNotify(reinterpret_cast<const NMTREELIST*>(lParam))) {
            lResult = 0;
            return TRUE;
        }
        break;
    case WM_APPLY_SELECTION:
        lResult = OnApplySelection(reinterpret_cast<CTreeListItem*>(lParam));
        return TRUE;
    case WM_APPLY_CHANGED_ROWS:
        lResult = OnApplyChangedRows();
        return TRUE;
    case WM_DOWNLOAD_CHECK:
        lResult = OnDownloadCheck(reinterpret_cast<CTreeListItem*>(lParam));
        return TRUE;
    case WM_SELECT_INSTALLED_PRODUCTS:
        lResult = SelectInstalledProducts();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case ID_COMPONENT_DETAILS_APPS:
            ShowComponentDetails(m_pAppTree, true);
            return TRUE;
        case ID_COMPONENTS_REQUIRED:
            OnComponentsRequired();
            return TRUE;
        case ID_COMPONENT_DETAILS_DOWNLOADS:
            ShowComponentDetails(m_pDownloadTree, false);
            return TRUE;
        case IDC_SELECT_ALL:
            SetAllChecks(TRUE);
            return TRUE;
        case IDC_DESELECT_ALL:
            SetAllChecks(FALSE);
            return TRUE;
        case IDC_SELECT_INSTALLED:
            SelectInstalled();
            return TRUE;
        }
        break;
    }
    return CPropPage_Base::DialogProc(uMsg, wParam, lParam, lResult);
}

bool CPropPage_AppSelection::OnTreeNotify(const NMTREELIST* pNotify)
{
    UINT_PTR nId = pNotify->hdr.idFrom;
    if (nId != kAppTreeId && nId != kDownloadTreeId)
        return false;
    bool bAppTree = nId == kAppTreeId;
    CTreeListItem* pRow = pNotify->pItem;
    switch (LOWORD(pNotify->hdr.code)) {
    case LOWORD(TLN_CHECKCHANGED):
        if (bAppTree)
            ForgetTickedApplications();
        PostMessage(bAppTree ? WM_APPLY_SELECTION : WM_DOWNLOAD_CHECK, 0, reinterpret_cast<LPARAM>(pRow));
        return true;
    case LOWORD(TLN_SELCHANGED):
        if (bAppTree)
            ShowDescription(pRow);
        return true;
    case LOWORD(TLN_RCLICK):
        if (bAppTree)
            ShowRowMenu(m_pAppTree, pRow);
        else
            ShowRowMenu(m_pDownloadTree, pRow);
        return true;
    }
    return false;
}

void CPropPage_AppSelection::FillApplicationTree()
{
    if (!m_pAppTree)
        return;
    FillApplicationRows();
    SelectInstalled();
}

void CPropPage_AppSelection::FillApplicationRows()
{
    const CCommandLineInfo_Corvatel& commandLine = CommandLine();
    bool bNamesGiven = !commandLine.m_lstProducts.IsEmpty();
    CRedrawHeld held(m_pAppTree);
    ForgetTickedApplications();
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

void CPropPage_AppSelection::SelectInstalled()
{
    SetAllChecks(FALSE);
    PostMessage(WM_SELECT_INSTALLED_PRODUCTS);
}

LRESULT CPropPage_AppSelection::SelectInstalledProducts()
{
    if (!m_pAppTree)
        return 0;
    int nCount = m_pAppTree->GetCount();
    ShowWindow(GetDlgItem(IDC_SELECT_INSTALLED), nCount > 1 ? SW_SHOW : SW_HIDE);
    BeginActionPass();
    CRedrawHeld held(m_pAppTree);
    ForgetTickedApplications();
    for (int i = 0; i < nCount; ++i) {
        CTreeListItem* pRow = m_pAppTree->GetTreeListItem(i);
        CAppDetailsObj* pRecord = FindApplication(pRow);
        if (!pRecord)
            continue;
        CProductInfo* pProduct = pRecord->m_pProductInfo;
        m_pSheet->IsProductNew(pProduct);
        // The only application of a catalogue is ticked whether it is installed or not.
        m_pAppTree->SetCheck(pRow, nCount == 1 || !pProduct->GetInstalledVersion().IsEmpty());
        m_pAppTree->SetItemData(pRow, reinterpret_cast<DWORD_PTR>(pRow));
        CProductInfo product(*pProduct);
        int nClass = m_pSheet->CompareInstalledVersion(pRecord, &product);
        // No mark for an application that is not installed.
        m_pAppTree->SetRowImage(pRow, nClass == ClassNeeded ? ClassNone : nClass);
    }
    m_bListingPosted = PostMessage(WM_APPLY_SELECTION, 0, 0) != FALSE;
    UpdateData(FALSE);
    return 0;
}

void CPropPage_AppSelection::SetAllChecks(BOOL bState)
{
    if (!m_pAppTree)
        return;
    CRedrawHeld held(m_pAppTree);
    ForgetTickedApplications();
    for (int i = 0; i < m_pAppTree->GetCount(); ++i) {
        auto* pRow = reinterpret_cast<CTreeListItem*>(m_pAppTree->GetItemData(i));
        if (!pRow || m_pAppTree->GetCheck(pRow) == bState)
            continue;
        // "Select All" never ticks beta or snip rows.
        if (bState && !m_pAppTree->GetItemText(pRow, 2).IsEmpty())
            continue;
        m_pAppTree->SetCheck(pRow, bState);
        m_changedRows.push_back(pRow);
    }
    // One message for them all: thousands of rows, each applied as its own message would be.
    if (!m_changedRows.empty())
        PostMessage(WM_APPLY_CHANGED_ROWS);
}

LRESULT CPropPage_AppSelection::OnApplyChangedRows()
{
    std::vector<CTreeListItem*> rows;
    rows.swap(m_changedRows);
    for (CTreeListItem* pRow : rows)
        OnApplySelection(pRow);
    return 0;
}

void CPropPage_AppSelection::ShowDescription(CTreeListItem* pRow)
{
    CAppDetailsObj* pRecord = FindApplication(pRow);
    if (!pRow || !pRecord)
        return;
    SetDlgItemText(IDC_DESCRIPTION, pRecord->m_pProductInfo->GetNotes());
    CString strCaption;
    strCaption.Format("Description  -  %s", static_cast<LPCSTR>(pRecord->m_pProductInfo->GetName()));
    SetDlgItemText(IDC_DESCRIPTION_GROUP, strCaption);
}

void CPropPage_AppSelection::ShowRowMenu(CTreeListCtrl* pList, CTreeListItem* pRow)
{
    if (!pRow)
        return;
    bool bAppTree = pList == m_pAppTree;
    if (!(bAppTree ? FindApplication(pRow) : FindDownload(pRow)))
        return;
    CPopupMenu menu;
    POINT point = {};
    GetCursorPos(&point);
    menu.ShowMenu(this, bAppTree ? IDM_APPLICATION_TREE : IDM_DOWNLOAD_TREE, &point);
}

void CPropPage_AppSelection::ShowComponentDetails(CTreeListCtrl* pView, bool bApplicationList)
{
    CTreeListItem* pRow = pView ? pView->GetSelectedItem() : nullptr;
    if (!pRow)
        return;
    CAppDetailsObj* pRecord = bApplicationList ? FindApplication(pRow) : FindDownload(pRow);
    if (!pRecord)
        return;
    CComponentDetails dialog(this, m_pSheet, pRecord, &m_pSheet->m_lstProductItems);
    dialog.DoModal();
}

void CPropPage_AppSelection::OnComponentsRequired()
{
    CAppDetailsObj* pRecord = m_pAppTree ? FindApplication(m_pAppTree->GetSelectedItem()) : nullptr;
    if (!pRecord)
        return;
    CComponentsRequiredDlg dialog(this, m_pSheet, pRecord);
    dialog.DoModal();
}

CAppDetailsObj* CPropPage_AppSelection::FindApplication(CTreeListItem* pRow)
{
    if (!pRow || !m_pAppTree)
        return nullptr;
    return CPropSheet_Corvatel::FindProduct(&m_pSheet->m_lstProductItems, m_pAppTree->GetItemText(pRow, 0),
                                            m_pAppTree->GetItemText(pRow, 1), m_pAppTree->GetItemType(pRow));
}

CAppDetailsObj* CPropPage_AppSelection::FindDownload(CTreeListItem* pRow)
{
    auto it = m_downloadRecords.find(pRow);
    return it != m_downloadRecords.end() && m_pDownloadTree ? it->second : nullptr;
}

std::vector<CAppDetailsObj*> CPropPage_AppSelection::GetTickedApplications()
{
    std::vector<CAppDetailsObj*> records;
    if (!m_pAppTree)
        return records;
    int nCount = m_pAppTree->GetCount();
    for (int i = 0; i < nCount; ++i) {
        CTreeListItem* pRow = m_pAppTree->GetTreeListItem(i);
        if (!m_pAppTree->GetCheck(pRow))
            continue;
        if (CAppDetailsObj* pRecord = FindApplication(pRow))
            records.push_back(pRecord);
    }
    return records;
}

bool CPropPage_AppSelection::HasSelectedDownload()
{
    if (!m_pDownloadTree)
        return false;
    for (int i = 0; i < m_pDownloadTree->GetCount(); ++i)
        if (m_pDownloadTree->GetCheck(m_pDownloadTree->GetTreeListItem(i)))
            return true;
    return false;
}

bool CPropPage_AppSelection::IsBetaMixed()
{
    bool bBeta = false, bNonBeta = false;
    for (CAppDetailsObj* pRecord : GetTickedApplications())
        (pRecord->m_pProductInfo->m_bBeta ? bBeta : bNonBeta) = true;
    return bBeta && bNonBeta;
}

void CPropPage_AppSelection::DoDataExchange(CDataExchange* pDX)
{
    if (!pDX->m_bSaveAndValidate)
        m_strTotalSize.Format("Total Download Size: %.02f MB", m_fTotalSize);
    DDX_Text(pDX, IDC_TOTAL_SIZE, m_strTotalSize);
}

LRESULT CPropPage_AppSelection::OnWizardNext()
{
    if (!HasSelectedDownload()) {
        AfxMessageBox("In order to continue, an application must be selected to download", MB_OK | MB_ICONINFORMATION);
        return -1;
    }
    if (IsBetaMixed()) {
        AfxMessageBox("Beta and Non-beta applications cannot be selected for downloading together",
                      MB_OK | MB_ICONINFORMATION);
        return -1;
    }
    return CPropPage_Base::OnWizardNext();
}

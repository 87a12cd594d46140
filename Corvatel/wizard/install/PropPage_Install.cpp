#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "CorvatelInstallIniObj.h"
#include "PropSheet_Corvatel.h"
#include "TransferLink.h"
#include "TreeListCtrl_Install.h"
#include "Utilities.h"
#include "resource.h"

namespace {

const UINT kInstallListId = 502;
// The page's start message, posted to itself on every activation.
const UINT WM_START_PROCESSING = WM_USER + 205;

} // namespace

CPropPage_Install::CPropPage_Install(CPropSheet_Corvatel* pSheet)
    : CPropPage_Base(pSheet, IDD_INSTALL, IDS_INSTALL_TITLE, IDS_INSTALL_SUBTITLE), m_pInstallList(nullptr),
      m_bInstallAfterDownload(false), m_bAbortAll(false), m_bRebootNeeded(false), m_bRecording(false),
      m_bFileMissingLogged(false), m_bSetupRunning(false), m_bEndingRun(false), m_bClosing(false),
      m_pTransferLink(std::make_shared<CTransferLink>(this))
{
}

CPropPage_Install::~CPropPage_Install()
{
    delete m_pInstallList;
    DeleteObListItems(&m_lstInstallResults);
}

BOOL CPropPage_Install::OnInitDialog()
{
    CPropPage_Base::OnInitDialog();
    // A run starts a new log; the dialog is initialised once, so Back and Next keep it.
    DeleteFileIfExists(GetLogFilePath());
    CreateInstallList();
    m_btnAbort.AutoLoad(ID_ABORT_DOWNLOAD, this);
    SetTimer(m_hWnd, kAnimationTimer, kAnimationMs, nullptr);
    SetTimer(m_hWnd, kWatchdogTimer, kWatchdogMs, nullptr);
    if (m_pSheet->HasPathOverride()) {
        ShowWindow(GetDlgItem(IDC_DOWNLOAD_ONLY), SW_HIDE);
        ShowWindow(GetDlgItem(IDC_REMOVE_FILES), SW_HIDE);
        SetDlgItemText(IDC_DOWNLOAD_AND_INSTALL, "Install");
    }
    return TRUE;
}

void CPropPage_Install::CreateInstallList()
{
    auto* pList = new CTreeListCtrl_Install;
    if (!pList->CreateOver(this, IDC_INSTALL_LIST_PLACE, kInstallListId)) {
        delete pList;
        return;
    }
    pList->m_pOwner = m_pSheet;
    m_pInstallList = pList;
    m_pInstallList->PostMessage(WM_TREE_REFRESH);
}

BOOL CPropPage_Install::OnSetActive()
{
    ::PostMessageA(GetParent(m_hWnd), PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
    {
        // The rows may have changed since: the names are made again.
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        m_localNames.clear();
    }
    if (m_pInstallList)
        m_pInstallList->PostMessage(WM_TREE_REFRESH);
    PostMessage(WM_START_PROCESSING);
    return CPropertyPage::OnSetActive();
}

BOOL CPropPage_Install::DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)
{
    switch (uMsg) {
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            break;
        switch (LOWORD(wParam)) {
        case IDC_DOWNLOAD_AND_INSTALL:
            OnDownloadAndInstall();
            return TRUE;
        case ID_INSTALL:
            OnInstallItem();
            return TRUE;
        case ID_COMPONENT_DETAILS_INSTALL:
            OnComponentDetails();
            return TRUE;
        case ID_COMPONENTS_REQUIRED:
            OnApplicationDependencies();
            return TRUE;
        case IDC_DOWNLOAD_ONLY:
            OnDownloadOnly();
            return TRUE;
        case ID_DOWNLOAD:
            OnDownloadItem();
            return TRUE;
        case ID_ABORT_DOWNLOAD:
            OnAbortDownload();
            return TRUE;
        case ID_ABORT_ALL_DOWNLOADS:
            OnAbortAllDownloads();
            return TRUE;
        case ID_ABORT_PENDING_INSTALLS:
            OnAbortPendingInstalls();
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        const auto* pNotify = reinterpret_cast<const NMTREELIST*>(lParam);
        if (pNotify->hdr.idFrom != kInstallListId)
            break;
        if (pNotify->hdr.code == TLN_RCLICK) {
            OnItemRClicked(*pNotify);
            return TRUE;
        }
        if (pNotify->hdr.code == TLN_DBLCLICK) {
            OnItemDblClicked(*pNotify);
            return TRUE;
        }
        break;
    }
    case WM_START_PROCESSING:
        lResult = OnStartProcessing();
        return TRUE;
    case kShowProgressMessage:
        ShowTransfersProgress(true);
        return TRUE;
    case kTransfersEndedMessage:
        OnTransfersEnded();
        return TRUE;
    case kFinishButtonMessage:
        ShowFinishButton();
        return TRUE;
    case WM_TIMER:
        OnTimer(wParam);
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    }
    return CPropPage_Base::DialogProc(uMsg, wParam, lParam, lResult);
}

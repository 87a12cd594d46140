// The end of a run: the completion check that finishes a download-only run or hands over to the
// install phase, the install-from-folder road, the controls and the Finish button; and the page's
// close.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "PropSheet_Corvatel.h"
#include "resource.h"

namespace {

// How long the closing page waits for its download threads to end.
const DWORD kCloseWaitMs = 5000;

} // namespace

// The end of a run, taken by one caller at a time: a check that comes while another asks its
// question or runs its setups (a timer or a transfer's end, served meanwhile, or another thread's
// call) finds it taken and leaves the end to the one that holds it.
class CPropPage_Install::CRunEnd
{
public:
    explicit CRunEnd(std::atomic<bool>& bTaken) : m_bTaken(bTaken)
    {
        bool bFree = false;
        m_bHeld = m_bTaken.compare_exchange_strong(bFree, true);
    }
    ~CRunEnd()
    {
        if (m_bHeld)
            m_bTaken = false;
    }
    CRunEnd(const CRunEnd&) = delete;
    CRunEnd& operator=(const CRunEnd&) = delete;

    explicit operator bool() const { return m_bHeld; }

private:
    std::atomic<bool>& m_bTaken;
    bool m_bHeld;
};

BOOL CPropPage_Install::CheckDownloadsComplete()
{
    if (m_bClosing)
        return FALSE;
    bool bFailed = false;
    bool bAllEnded = ForEachQueued(nullptr, [&](CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int) {
        int nStatus = pItem->GetStatus();
        // An abort still under way ends with its thread, which checks again.
        if (nStatus < ItemDownloaded || nStatus == ItemAbortingDownload)
            return false;
        if (nStatus > ItemDone) {
            bFailed = true;
        } else if (!pOwner && !m_bInstallAfterDownload && !bFailed && nStatus != ItemDone) {
            // Once: the check runs again at every transfer's end and watchdog tick.
            UpdateItemStatus(pItem, nullptr, ItemDone, "");
        }
        return true;
    });
    if (!bAllEnded)
        return FALSE;
    // The row menu's setups run, their wait serving this call: installing now would find the turn
    // taken and leave the rows waiting. The run ends once they are done.
    if (m_bMenuSetupRunning) {
        m_bRunEndDeferred = true;
        return FALSE;
    }

    bool bRetry = false;
    {
        // Held while the retry question is open too: any other check meanwhile returns at once.
        CRunEnd end(m_bEndingRun);
        if (!end)
            return FALSE;
        bool bInstall = m_bInstallAfterDownload && !m_bAbortAll;
        if (bInstall && AnyDownloadFailed()) {
            CString strText;
            strText.LoadString(IDS_RETRY_DOWNLOADS);
            int nAnswer = MessageBox(strText, nullptr, MB_YESNOCANCEL | MB_ICONEXCLAMATION);
            bRetry = nAnswer == IDYES;
            bInstall = nAnswer == IDNO;
        }
        if (bRetry) {
            StartAllDownloads(true);
        } else {
            if (bInstall) {
                MarkItemsForInstall();
                RunInstallPhase();
            }
            if (m_bClosing)
                return TRUE;
            ShowInstallerInfoMessages();
            UpdateFinishButton(FALSE);
            if (bFailed)
                EnableControls(TRUE);
        }
    }
    // Transfers that ended while the question was open found the run's end taken: look again.
    return bRetry ? CheckDownloadsComplete() : TRUE;
}

void CPropPage_Install::InstallLocalFiles()
{
    if (CheckBeforeInstall())
        return;
    EnableControls(FALSE);
    if (!CheckRunningApplications(false)) {
        EnableControls(TRUE);
        return;
    }
    HWND hSheet = GetParent(m_hWnd);
    ::PostMessageA(hSheet, PSM_SETWIZBUTTONS, 0, PSWIZB_DISABLEDFINISH);
    {
        CRunEnd end(m_bEndingRun);
        if (!end)
            return;
        MarkItemsForInstall();
        RunInstallPhase();
    }
    UpdateFinishButton(FALSE);
    EnableControls(TRUE);
    // What is left is to finish: the setups of the folder have run.
    EnableWindow(::GetDlgItem(hSheet, IDCANCEL), FALSE);
    EnableWindow(GetDlgItem(IDC_DOWNLOAD_AND_INSTALL), FALSE);
}

void CPropPage_Install::EnableControls(BOOL bEnable)
{
    for (int nID : {IDC_ONE_AT_A_TIME, IDC_DOWNLOAD_AND_INSTALL, IDC_DOWNLOAD_ONLY, IDC_REMOVE_FILES})
        EnableWindow(GetDlgItem(nID), bEnable);
}

void CPropPage_Install::UpdateFinishButton(BOOL bBusy)
{
    m_bFinishBusyAsked = bBusy != FALSE;
    if (!m_bFinishButtonPosted.exchange(true))
        PostMessage(kFinishButtonMessage);
}

void CPropPage_Install::ShowFinishButton()
{
    m_bFinishButtonPosted = false;
    // A page turned to meanwhile (Back, right after this one showed) has set its own buttons.
    HWND hSheet = GetParent(m_hWnd);
    if (reinterpret_cast<HWND>(::SendMessageA(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0)) != m_hWnd)
        return;
    DWORD dwButtons =
        (m_bFinishBusyAsked || IsAnyDownloading() || IsAnyInstalling()) ? PSWIZB_DISABLEDFINISH : PSWIZB_FINISH;
    // Sent, not posted: the buttons change where the ask stands among the sheet's other posts.
    ::SendMessageA(hSheet, PSM_SETWIZBUTTONS, 0, dwButtons);
}

void CPropPage_Install::OnDestroy()
{
    CloseTransfers(kCloseWaitMs);
}

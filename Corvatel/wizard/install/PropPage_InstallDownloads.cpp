// The download queue: a run's start and credentials, the response-file pass before the setup-file
// pass, one download thread per file (all at once, or one at a time), and what the threads report
// back on their own threads.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "Crypto.h"
#include "FtpDownloadThread.h"
#include "FtpMgr.h"
#include "InstallType.h"
#include "PropSheet_Corvatel.h"
#include "TreeListCtrl_Install.h"
#include "UserPassDlg.h"
#include "Utilities.h"
#include "resource.h"

#include <io.h>

void CPropPage_Install::OnDownloadOnly()
{
    ShowDriverNotice();
    WriteLogLine("Begin Download Files", true);
    m_bInstallAfterDownload = false;
    m_bFileMissingLogged = false;
    StartAllDownloads();
}

void CPropPage_Install::OnDownloadItem()
{
    CAppDetailsObj* pRowItem = GetSelectedItem();
    if (!pRowItem)
        return;
    m_bInstallAfterDownload = false;
    WriteLogLine("Begin Download File", true);
    int nStatus = pRowItem->GetStatus();
    if (nStatus >= ItemResponseFileDownloaded && nStatus <= ItemDone)
        return;
    ForEachQueued(pRowItem, [this](CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int) {
        UpdateItemStatus(pItem, pOwner, ItemPreparingDownload, "");
        StartResponsePhase(pItem);
        return true;
    });
}

void CPropPage_Install::StartAllDownloads(bool bRetryFailed)
{
    if (!EnsureCredentials())
        return;
    // A new run: an earlier "Abort All Downloads" does not keep this one from installing.
    m_bAbortAll = false;
    auto failed = [](CAppDetailsObj* pItem) {
        int nStatus = pItem->GetStatus();
        return nStatus >= ItemDownloadFailed && nStatus <= ItemDownloadAborted;
    };
    for (CAppDetailsObj* pRowItem : GetRowItems()) {
        int nStatus = pRowItem->GetStatus();
        // A row that is under way or done is left alone, but for its failed parts on a retry.
        bool bWholeRow = nStatus == ItemNotQueued || nStatus > ItemDone;
        if (!bWholeRow && !bRetryFailed)
            continue;
        ForEachQueued(pRowItem, [&](CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int) {
            if (!pOwner && !pItem->m_bQueueable)
                return true;
            if (!bWholeRow && !failed(pItem))
                return true;
            bool bPresent = _access(GetLocalFilePath(pItem), 0) == 0;
            {
                std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
                pItem->m_nDownloadAttempts = 0;
                pItem->m_bLocalFileExists = bPresent;
            }
            UpdateItemStatus(pItem, nullptr, ItemPreparingDownload, "");
            return true;
        });
    }
    StartResponsePhase(nullptr);
}

bool CPropPage_Install::EnsureCredentials()
{
    if (m_pSheet->HasPathOverride())
        return true;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        if (!m_strUser.IsEmpty() || !m_strPassword.IsEmpty())
            return true;
    }
    // A login the dialog no longer waits for keeps the manager until it ends, and reaches the
    // page only while the page is there.
    auto pManager = std::make_shared<CFtpMgr>(this);
    if (!pManager->m_pSession)
        return false;
    pManager->m_pLink = m_pTransferLink;
    CUserPassDlg dialog(this, pManager, m_pSheet->GetServerHost(), m_pSheet->GetServerPort());
    if (dialog.DoModal() != IDOK)
        return false;
    std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
    m_strUser = pManager->m_strUser;
    m_strPassword = pManager->m_strPassword;
    return true;
}

void CPropPage_Install::StartResponsePhase(CAppDetailsObj* pItem)
{
    StartDownloads(TRUE, pItem);
}

void CPropPage_Install::StartDownloads(BOOL bResponsePhase, CAppDetailsObj* pOnly)
{
    if (m_bInstallAfterDownload && !CheckRunningApplications(true)) {
        EnableControls(TRUE);
        return;
    }
    EnableControls(FALSE);
    int nExpected = bResponsePhase ? ItemPreparingDownload : ItemPreparingSetupDownload;
    if (pOnly) {
        // One record: its own row, or the first row listing it among its queueable parts.
        CTreeListItem* pRow = nullptr;
        if (FindRow(pOnly)) {
            if (StartItemDownload(pOnly, pOnly, nExpected, bResponsePhase))
                UpdateFinishButton(TRUE);
        } else if (CAppDetailsObj* pOwner = IsItemQueued(pOnly) ? FindOwnerItem(pOnly, &pRow) : nullptr) {
            StartItemDownload(pOnly, pOwner, nExpected, bResponsePhase);
        }
        return;
    }
    ForEachQueued(nullptr, [&](CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int) {
        if (!StartItemDownload(pItem, pOwner ? pOwner : pItem, nExpected, bResponsePhase))
            return true;
        if (!pOwner)
            UpdateFinishButton(TRUE);
        return !IsOneAtATime();
    });
}

BOOL CPropPage_Install::StartItemDownload(CAppDetailsObj* pItem, CAppDetailsObj* /*pRowItem*/, int nExpected,
                                          BOOL bResponsePhase)
{
    if (!pItem)
        return FALSE;
    CProductInfo* pProduct = pItem->m_pProductInfo;
    CString strEntry = pProduct->GetDownload();
    if (GetFileNameFromPath(strEntry).IsEmpty())
        return FALSE;
    {
        // Two passes that meet (threads finishing together) start a record once.
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        if (!pItem->m_bChecked || pItem->m_nStatus != nExpected || pItem->m_nStartedAtStatus == nExpected)
            return FALSE;
        pItem->m_nStartedAtStatus = nExpected;
    }
    if (RefuseLocalName(pItem, nullptr, "Nothing downloaded"))
        return FALSE;
    if (!bResponsePhase)
        StartDownloadThread(pItem, GetLocalFilePath(pItem), strEntry, ItemDownloading, pItem);
    else if (pProduct->GetInstallType() == InstallTypeInstallShield)
        StartDownloadThread(nullptr, GetResponseFilePath(pItem), GetRemoteResponseFilePath(pItem),
                            ItemDownloadingResponseFile, pItem);
    else {
        UpdateItemStatus(pItem, nullptr, ItemResponseFileDownloaded, "");
        ContinueDownloads();
    }
    return TRUE;
}

void CPropPage_Install::StartDownloadThread(CAppDetailsObj* pItem, CString strLocal, CString strRemote,
                                            int nStartStatus, CAppDetailsObj* pTransferItem)
{
    auto* pThread = AfxBeginThread<CFtpDownloadThread>(THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!pThread)
        return; // the record keeps its status; the watchdog finds it
    unsigned nTransfer = 0;
    if (BeginTransfer(pTransferItem, pThread->m_hThread, !pItem, nTransfer)) {
        pThread->m_pItem = pItem;
        pThread->m_pLink = m_pTransferLink;
        pThread->m_pTransferItem = pTransferItem;
        pThread->m_nTransfer = nTransfer;
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        pThread->m_strUser = m_strUser;
        pThread->m_strPassword = m_strPassword;
    }
    // Without a page (it is closing) the thread ends at once.
    pThread->m_strLocalFile = strLocal;
    pThread->m_nStartStatus = nStartStatus;
    pThread->m_strRemoteFile = strRemote;
    pThread->m_strHost = m_pSheet->GetServerHost();
    pThread->m_nPort = m_pSheet->GetServerPort();
    pThread->ResumeThread();
}

BOOL CPropPage_Install::ContinueDownloads()
{
    // Only the records a status change may have made ready, not the whole queue each time: a run's
    // start calls this once per record. Those marked while the walk runs come in the next round.
    if (!m_pInstallList)
        return TRUE;
    for (std::vector<CAppDetailsObj*> items = m_pInstallList->TakeToContinue(); !items.empty();
         items = m_pInstallList->TakeToContinue())
        for (CAppDetailsObj* pItem : items)
            ContinueItemDownload(pItem);
    return TRUE;
}

void CPropPage_Install::ContinueItemDownload(CAppDetailsObj* pItem)
{
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        int nStatus = pItem->m_nStatus;
        if (nStatus > ItemPreparingSetupDownload)
            return;
        if (nStatus != ItemResponseFileDownloaded && !pItem->m_pProductInfo->GetSnip())
            return;
        // Straight into the record: the row still reads "Response File Downloaded." and nothing is logged.
        pItem->m_ullBytesDone = 0;
        pItem->m_nStatus = ItemPreparingSetupDownload;
    }
    StartDownloads(FALSE, pItem);
}

bool CPropPage_Install::IsOneAtATime()
{
    return IsDlgButtonChecked(m_hWnd, IDC_ONE_AT_A_TIME) == BST_CHECKED;
}

void CPropPage_Install::OnDownloadError(CAppDetailsObj* pItem, unsigned nTransfer, CString strError, bool bStalled)
{
    bool bResponseFile = CAppDetailsObj::TransferKind(nTransfer) == CAppDetailsObj::TransferResponseFile;
    CString strSetupFile = GetLocalFilePath(pItem);
    CString strResponseFile = GetResponseFilePath(pItem);
    int nStatus;
    int nImage;
    {
        // One look decides and deletes: no other transfer takes a file between the two, and one
        // that a retry has superseded reports nothing into the retry.
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        if (!IsCurrentLocked(pItem, nTransfer))
            return;
        // Before whatever the record's next step logs.
        LogDownloadError(pItem, strError);
        int nNow = pItem->m_nStatus;
        // The setup file that came on without its response file is not stopped by it, and one
        // that is in (found there, or received) keeps its record.
        if ((bResponseFile && IsSetupFileArriving(pItem)) || (nNow >= ItemDownloaded && nNow <= ItemDone))
            return;
        if (nNow == ItemAbortingDownload || nNow == ItemDownloadAborted) {
            nStatus = ItemDownloadAborted;
        } else if (bStalled) {
            // A time-out keeps the text it is given, and the retry question counts it.
            pItem->m_strStatusText.Format("ERROR - Timeout occured: no file data came from the FTP site for %u seconds.",
                                          static_cast<unsigned>(CCrypto::kStallLimitMs / 1000));
            nStatus = ItemTimedOut;
        } else {
            // A response file of which nothing arrived (the server has none) is not needed: the
            // setup file follows and runs recording its answers.
            bool bNoResponseFile = bResponseFile &&
                                   (nNow == ItemPreparingDownload || nNow == ItemDownloadingResponseFile);
            nStatus = bNoResponseFile ? ItemResponseFileDownloaded : ItemDownloadAborted;
        }
        nImage = ApplyItemStatus(pItem, nullptr, nStatus, CString());
        // The setup pass that follows a missing response file takes the setup file there.
        if (nStatus != ItemResponseFileDownloaded)
            DeleteFileIfExists(strSetupFile);
        DeleteFileIfExists(strResponseFile);
    }
    ShowItemStatus(pItem, nullptr, nStatus, nImage);
}

void CPropPage_Install::LogDownloadError(CAppDetailsObj* pItem, CString strError)
{
    strError.TrimRight();
    CString strLine;
    strLine.Format("ERROR (%s):  %s", static_cast<LPCSTR>(strError), static_cast<LPCSTR>(pItem->m_pProductInfo->GetName()));
    WriteLogLine(strLine, true);
}

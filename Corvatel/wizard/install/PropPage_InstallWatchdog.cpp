// The install page's two timers, its three aborts and the retry: a one-second tick animates the
// rows and stops a failed row's parts; a fifteen-second watchdog takes every transfer that has
// not received a byte for stalled, aborts it and starts it again, up to 20 times per record; a
// transfer still waiting for its turn to log in is not stalled.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "FtpMgr.h"
#include "TreeListCtrl_Install.h"
#include "Utilities.h"
#include "resource.h"

namespace {

const char kTimeoutText[] = "ERROR - Timeout occured while trying to establish a connection to the FTP site.";

bool IsStalled(CAppDetailsObj* pItem)
{
    std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
    // A transfer waiting for its turn to log in has not begun: a restart would only send it to the
    // back of the line and spend one of its tries.
    for (const CFtpMgr* pFtpMgr : pItem->m_pFtpMgr)
        if (pFtpMgr && pFtpMgr->m_bWaitingForTurn)
            return false;
    switch (pItem->m_nStatus) {
    case ItemPreparingDownload:
    case ItemDownloadingResponseFile:
    case ItemPreparingSetupDownload:
        return true;
    case ItemDownloading:
        return pItem->m_ullBytesDone == 0;
    default:
        return false;
    }
}

} // namespace

void CPropPage_Install::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kAnimationTimer && m_pInstallList) {
        // The latest figures, those that came too soon after the last showing included.
        ShowTransfersProgress(false);
        for (int i = 0; i < m_pInstallList->GetCount(); ++i) {
            CTreeListItem* pRow = m_pInstallList->GetTreeListItem(i);
            auto* pItem = reinterpret_cast<CAppDetailsObj*>(m_pInstallList->GetItemData(i));
            if (!pRow || !pItem)
                continue;
            int nStatus = pItem->GetStatus();
            if (nStatus >= ItemDownloadFailed) {
                m_pInstallList->SetRowImage(pRow, InstallImageFailed);
                AbortDownload(pItem, false);
            } else if (((nStatus == ItemPreparingDownload || nStatus == ItemPreparingSetupDownload) &&
                        !pItem->m_lstDependencies.IsEmpty()) ||
                       nStatus == ItemDownloading || (nStatus == ItemDownloaded && !AreAllDownloaded(pItem))) {
                AnimateDownloadImage(pRow);
            } else if (nStatus == ItemInstallingPart || nStatus == ItemInstalling) {
                AnimateInstallImage(pRow);
            }
        }
        PumpWaitingMessages(m_hWnd);
        UpdateWindow(m_hWnd);
    } else if (nIDEvent == kWatchdogTimer && !IsOneAtATime() && m_nCloseProgramsQuestions == 0) {
        // A row's timed-out records are moved on once its walk is done.
        bool bTimedOut = false;
        ForEachQueued(nullptr, [&](CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int) {
            if (IsStalled(pItem)) {
                WriteLogLine("TIMEOUT:  " + pItem->m_pProductInfo->GetName(), true);
                AbortDownload(pItem, true);
                bTimedOut = true;
            }
            if (!pOwner && bTimedOut) {
                ContinueDownloads();
                CheckDownloadsComplete();
                bTimedOut = false;
            }
            return true;
        });
    }
}

void CPropPage_Install::AbortDownload(CAppDetailsObj* pItem, bool bTimeout)
{
    if (!pItem)
        return;
    ForEachQueued(pItem, [&](CAppDetailsObj* pQueued, CAppDetailsObj* pOwner, int) {
        AbortItemDownload(pQueued, pOwner, bTimeout);
        return true;
    });
}

void CPropPage_Install::AbortItemDownload(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, bool bTimeout)
{
    if (!pItem)
        return;
    // A part's abort shows in its owner's row, but the owner's record keeps its own status: the
    // owner's own abort, which follows, goes by it.
    int nStatus;
    int nImage;
    bool bRunning;
    bool bEnded;
    {
        // The look at the status, the abort and the new status are one step against the threads: a
        // thread that ended in between would leave "Aborting Download..." with no one to end it.
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        int nNow = pItem->m_nStatus;
        // "Aborting" is ended by the record's thread; one whose thread has ended gets its end here.
        bEnded = nNow == ItemAbortingDownload && !AbortTransferLocked(pItem, false);
        if (nNow > ItemDownloading && !bEnded)
            return;
        // A transfer still connecting is stopped too; "Aborting" is shown only for one that receives.
        // One that times out is superseded at once: its thread must not report into the retry.
        bRunning = !bEnded && AbortTransferLocked(pItem, bTimeout);
        bool bReceiving = bRunning && (nNow == ItemDownloading || nNow == ItemDownloadingResponseFile);
        nStatus = bReceiving ? ItemAbortingDownload : ItemDownloadAborted;
        nImage = ApplyItemStatus(pItem, nullptr, nStatus, CString());
    }
    ShowItemStatus(pItem, pOwner, nStatus, nImage);
    if (!bTimeout || bEnded) {
        // No thread of the record will end and look whether the run has ended with it: the
        // window's thread looks.
        if (!bRunning)
            PostTransferEnded(false);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        nImage = ApplyItemStatus(pItem, nullptr, ItemTimedOut, CString());
    }
    ShowItemStatus(pItem, pOwner, ItemTimedOut, nImage);
    pItem->SetStatusText(kTimeoutText);
    if (CTreeListItem* pRow = FindRow(pItem))
        m_pInstallList->UpdateProgressText(pRow);
    RetryDownload(pItem, pOwner);
}

void CPropPage_Install::RetryDownload(CAppDetailsObj* pItem, CAppDetailsObj* pOwner)
{
    int nAttempt;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        if (pItem->m_nDownloadAttempts >= GetMaxDownloadAttempts())
            return;
        nAttempt = ++pItem->m_nDownloadAttempts;
    }
    CString strLine;
    strLine.Format("RETRY Download (attempt #%d):  %s", nAttempt, static_cast<LPCSTR>(pItem->m_pProductInfo->GetName()));
    WriteLogLine(strLine, false);
    UpdateItemStatus(pItem, pOwner, ItemPreparingDownload, "");
    StartItemDownload(pItem, pOwner ? pOwner : pItem, ItemPreparingDownload, TRUE);
}

void CPropPage_Install::AbortAllDownloads(bool bAsk)
{
    if (bAsk) {
        CString strText;
        strText.LoadString(IDS_CONFIRM_ABORT_ALL);
        if (MessageBox(strText, nullptr, MB_YESNO) != IDYES)
            return;
    }
    m_bAbortAll = true;
    for (CAppDetailsObj* pRowItem : GetRowItems())
        AbortDownload(pRowItem, false);
}

void CPropPage_Install::OnAbortDownload()
{
    CAppDetailsObj* pItem = GetSelectedItem();
    if (!pItem)
        return;
    CString strText;
    strText.LoadString(IDS_CONFIRM_ABORT_ONE);
    strText.Replace("%1", pItem->m_pProductInfo->GetName());
    if (MessageBox(strText, nullptr, MB_YESNO) == IDYES)
        AbortDownload(pItem, false);
}

void CPropPage_Install::OnAbortAllDownloads()
{
    AbortAllDownloads(true);
}

void CPropPage_Install::OnAbortPendingInstalls()
{
    CString strText;
    strText.LoadString(IDS_CONFIRM_ABORT_INSTALLS);
    if (MessageBox(strText, nullptr, MB_YESNO) != IDYES)
        return;
    ++m_nInstallsWithdrawn;
    ForEachQueued(nullptr, [this](CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int) {
        // A row at "Installing part" whose own setup is not the one running has not run yet.
        int nStatus = pItem->GetStatus();
        if (nStatus == ItemPreparingInstall ||
            (!pOwner && nStatus == ItemInstallingPart && m_pRunningSetup != pItem))
            UpdateItemStatus(pItem, pOwner, ItemInstallAborted, "");
        return true;
    });
    UpdateFinishButton(FALSE);
    EnableControls(TRUE);
}

void CPropPage_Install::AnimateDownloadImage(CTreeListItem* pRow)
{
    int nImage = 0, nSelected = 0, nExpanded = 0, nExpandedSelected = 0;
    m_pInstallList->GetItemImage(pRow, nImage, nSelected, nExpanded, nExpandedSelected);
    switch (nImage) {
    case InstallImageDownloading:
    case InstallImageDownloading + 1:
        nImage += 1;
        break;
    case InstallImageDownloading + 2:
        nImage = InstallImageListed;
        break;
    default:
        nImage = InstallImageDownloading;
        break;
    }
    m_pInstallList->SetRowImage(pRow, nImage);
}

void CPropPage_Install::AnimateInstallImage(CTreeListItem* pRow)
{
    int nImage = 0, nSelected = 0, nExpanded = 0, nExpandedSelected = 0;
    m_pInstallList->GetItemImage(pRow, nImage, nSelected, nExpanded, nExpandedSelected);
    bool bAnimating = nImage >= InstallImageInstalling && nImage < InstallImageInstalling + 3;
    m_pInstallList->SetRowImage(pRow, bAnimating ? nImage + 1 : InstallImageInstalling);
}

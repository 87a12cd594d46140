// The install page's record of its running download threads: which transfer of a record is the
// current one, the managers an abort reaches, the threads the page's close waits for, and what
// follows their ends on the window's thread.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "Crypto.h"
#include "FtpMgr.h"
#include "TransferLink.h"
#include "Utilities.h"

#include <SystemErrorText.h>

#include <algorithm>

namespace {

// How long a new transfer waits for the superseded one of its record to end; an aborted transfer
// ends within a second or two.
const DWORD kEarlierTransferWaitMs = 10000;

HANDLE DuplicateThreadHandle(HANDLE hThread)
{
    HANDLE hCopy = nullptr;
    DuplicateHandle(GetCurrentProcess(), hThread, GetCurrentProcess(), &hCopy, SYNCHRONIZE, FALSE, 0);
    return hCopy;
}

// Waits for each thread in turn until the time is up, serving what other threads send this one
// meanwhile (a download thread may be sending the install list a message); closes the handles.
void WaitForThreads(std::vector<HANDLE>& threads, DWORD dwTimeout)
{
    DWORD dwStart = GetTickCount();
    for (HANDLE hThread : threads) {
        DWORD dwElapsed = GetTickCount() - dwStart;
        WaitServingSentMessages(hThread, dwElapsed < dwTimeout ? dwTimeout - dwElapsed : 0);
        CloseHandle(hThread);
    }
    threads.clear();
}

} // namespace

bool CPropPage_Install::BeginTransfer(CAppDetailsObj* pItem, HANDLE hThread, bool bResponseFile, unsigned& nTransfer)
{
    std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
    if (m_bClosing)
        return false;
    int nKind = bResponseFile ? CAppDetailsObj::TransferResponseFile : CAppDetailsObj::TransferSetupFile;
    nTransfer = pItem->m_nTransfer[nKind] += CAppDetailsObj::TransferKinds;
    CFtpMgr*& pFtpMgr = pItem->m_pFtpMgr[nKind];
    if (pFtpMgr) {
        pFtpMgr->Abort();
        pFtpMgr = nullptr;
    }
    m_transfers.push_back({pItem, nTransfer, nullptr, DuplicateThreadHandle(hThread), 0, -1, false});
    return true;
}

bool CPropPage_Install::AttachTransferManager(CAppDetailsObj* pItem, unsigned nTransfer, CFtpMgr* pFtpMgr)
{
    std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
    if (IsStoppedLocked(pItem, nTransfer))
        return false;
    for (CTransfer& transfer : m_transfers)
        if (transfer.pItem == pItem && transfer.nTransfer == nTransfer)
            transfer.pFtpMgr = pFtpMgr;
    pItem->m_pFtpMgr[CAppDetailsObj::TransferKind(nTransfer)] = pFtpMgr;
    return true;
}

bool CPropPage_Install::DetachTransferManager(CAppDetailsObj* pItem, unsigned nTransfer, CFtpMgr* pFtpMgr)
{
    std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
    for (CTransfer& transfer : m_transfers)
        if (transfer.pItem == pItem && transfer.nTransfer == nTransfer)
            transfer.pFtpMgr = nullptr;
    CFtpMgr*& pAttached = pItem->m_pFtpMgr[CAppDetailsObj::TransferKind(nTransfer)];
    if (pAttached == pFtpMgr)
        pAttached = nullptr;
    return IsCurrentLocked(pItem, nTransfer);
}

CPropPage_Install::CTransfer* CPropPage_Install::FindTransfer(const CFtpMgr* pFtpMgr)
{
    for (CTransfer& transfer : m_transfers)
        if (transfer.pFtpMgr == pFtpMgr)
            return &transfer;
    return nullptr;
}

bool CPropPage_Install::BeginReceipt(CAppDetailsObj* pItem, unsigned nTransfer, CFtpMgr* pFtpMgr, bool bSetupFile,
                                     int nStartStatus)
{
    bool bRow = FindRow(pItem) != nullptr;
    int nImage;
    {
        // The aborts take this lock too: one that comes after this step finds the record receiving.
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        if (IsStoppedLocked(pItem, nTransfer) || (pFtpMgr->m_pSession && pFtpMgr->m_pSession->IsAborted()))
            return false;
        if (bSetupFile)
            pItem->m_ullBytesDone = 0;
        if (!bRow)
            return true;
        nImage = ApplyItemStatus(pItem, nullptr, nStartStatus, CString());
    }
    ShowItemStatus(pItem, nullptr, nStartStatus, nImage);
    return true;
}

bool CPropPage_Install::TakePresentFile(CAppDetailsObj* pItem, unsigned nTransfer)
{
    int nImage;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        if (IsStoppedLocked(pItem, nTransfer))
            return false;
        nImage = ApplyItemStatus(pItem, nullptr, ItemDownloaded, CString());
    }
    ShowItemStatus(pItem, nullptr, ItemDownloaded, nImage);
    return true;
}

bool CPropPage_Install::IsCurrentLocked(CAppDetailsObj* pItem, unsigned nTransfer)
{
    return !m_bClosing && pItem->m_nTransfer[CAppDetailsObj::TransferKind(nTransfer)] == nTransfer;
}

bool CPropPage_Install::IsStoppedLocked(CAppDetailsObj* pItem, unsigned nTransfer)
{
    return !IsCurrentLocked(pItem, nTransfer) || pItem->m_nStatus == ItemAbortingDownload ||
           pItem->m_nStatus == ItemDownloadAborted;
}

bool CPropPage_Install::IsSetupFileArriving(CAppDetailsObj* pItem)
{
    for (const CTransfer& transfer : m_transfers)
        if (transfer.pItem == pItem && CAppDetailsObj::TransferKind(transfer.nTransfer) == CAppDetailsObj::TransferSetupFile)
            return true;
    return false;
}

std::vector<HANDLE> CPropPage_Install::GetEarlierTransfers(CAppDetailsObj* pItem, unsigned nTransfer)
{
    std::vector<HANDLE> earlier;
    std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
    for (const CTransfer& transfer : m_transfers)
        if (transfer.pItem == pItem && transfer.nTransfer < nTransfer &&
            CAppDetailsObj::TransferKind(transfer.nTransfer) == CAppDetailsObj::TransferKind(nTransfer))
            earlier.push_back(DuplicateThreadHandle(transfer.hThread));
    return earlier;
}

void CPropPage_Install::WaitForEarlierTransfers(std::vector<HANDLE>& threads)
{
    WaitForThreads(threads, kEarlierTransferWaitMs);
}

void CPropPage_Install::EndReceipt(CAppDetailsObj* pItem, unsigned nTransfer, bool bAborted, bool bSetupFile,
                                   const CString& strTemporary, const CString& strFile)
{
    int nStatus = -1;
    int nImage = -1;
    DWORD dwRenameError = ERROR_SUCCESS;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        int nNow = pItem->m_nStatus;
        bool bCurrent = IsCurrentLocked(pItem, nTransfer);
        if (bAborted || !bCurrent || nNow == ItemAbortingDownload || nNow == ItemDownloadAborted) {
            // Gone before the record says so: whoever reads "Download Aborted" finds no partial file.
            DeleteFileIfExists(strTemporary);
            if (bCurrent && nNow == ItemAbortingDownload)
                nStatus = ItemDownloadAborted;
        } else {
            // Named before the record says it is in: a completion check on another thread may start
            // installing at once. A response file replaces an earlier one, a read-only one too.
            DeleteFileIfExists(strFile);
            dwRenameError = RenameFile(strTemporary, strFile);
            if (dwRenameError != ERROR_SUCCESS) {
                // The file under the final name is the old one (another program holds it open): the
                // record is not taken for having this one, and nothing received is left behind.
                DeleteFileIfExists(strTemporary);
                nStatus = ItemDownloadAborted;
            } else if (bSetupFile) {
                nStatus = ItemDownloaded;
            } else if ((nNow == ItemDownloadingResponseFile || nNow == ItemDownloading) &&
                       !IsSetupFileArriving(pItem)) {
                nStatus = ItemResponseFileDownloaded;
            }
        }
        if (nStatus >= 0)
            nImage = ApplyItemStatus(pItem, nullptr, nStatus, CString());
    }
    if (dwRenameError != ERROR_SUCCESS)
        LogDownloadError(pItem, "Error renaming " + strTemporary + " to " + GetFileNameFromPath(strFile) + ": " +
                                    AfxGetSystemErrorText(dwRenameError));
    if (nStatus >= 0)
        ShowItemStatus(pItem, nullptr, nStatus, nImage);
}

void CPropPage_Install::PostTransferEnded(bool bSetupFile)
{
    if (bSetupFile)
        ++m_nSetupFilesEnded;
    if (!m_bTransferEndPosted.exchange(true))
        PostMessage(kTransfersEndedMessage);
}

void CPropPage_Install::OnTransfersEnded()
{
    m_bTransferEndPosted = false;
    // Each setup file that ended starts the next download in the one-at-a-time mode.
    for (unsigned n = m_nSetupFilesEnded.exchange(0); n > 0; --n)
        if (IsOneAtATime())
            StartDownloads(TRUE, nullptr);
    ContinueDownloads();
    CheckDownloadsComplete();
}

void CPropPage_Install::EndTransfer(CAppDetailsObj* pItem, unsigned nTransfer)
{
    std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
    auto it = std::find_if(m_transfers.begin(), m_transfers.end(), [&](const CTransfer& transfer) {
        return transfer.pItem == pItem && transfer.nTransfer == nTransfer;
    });
    if (it == m_transfers.end())
        return;
    CloseHandle(it->hThread);
    m_transfers.erase(it);
}

bool CPropPage_Install::AbortTransferLocked(CAppDetailsObj* pItem, bool bSupersede)
{
    bool bRunning = false;
    for (int nKind = 0; nKind < CAppDetailsObj::TransferKinds; ++nKind) {
        if (bSupersede)
            pItem->m_nTransfer[nKind] += CAppDetailsObj::TransferKinds;
        CFtpMgr*& pFtpMgr = pItem->m_pFtpMgr[nKind];
        if (!pFtpMgr)
            continue;
        pFtpMgr->Abort();
        bRunning = true;
        if (bSupersede)
            pFtpMgr = nullptr;
    }
    return bRunning;
}

void CPropPage_Install::CloseTransfers(DWORD dwTimeout)
{
    std::vector<HANDLE> running;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        m_bClosing = true;
        for (const CTransfer& transfer : m_transfers) {
            if (transfer.pFtpMgr)
                transfer.pFtpMgr->Abort();
            running.push_back(DuplicateThreadHandle(transfer.hThread));
        }
    }
    WaitForThreads(running, dwTimeout);
    m_pTransferLink->Clear();
    // The threads still running no longer end their transfers here.
    std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
    for (const CTransfer& transfer : m_transfers)
        CloseHandle(transfer.hThread);
    m_transfers.clear();
}

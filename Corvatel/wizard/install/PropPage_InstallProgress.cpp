// The install page's side of a running transfer: each block's progress, on the download thread.
// The record takes the figure at once; its row is shown by the window's thread when asked, at most
// every 100 ms and only for a new whole percent, so a transfer never waits for the window.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "Crypto.h"
#include "FtpMgr.h"

namespace {

const DWORD kProgressShowMs = 100;

} // namespace

void CPropPage_Install::OnDownloadProgress(CFtpMgr* pFtpMgr, CString /*strFile*/, int /*nPercent*/,
                                           unsigned long long ullTotal, unsigned long long ullDone)
{
    if (!IsWindow(m_hWnd))
        return;
    bool bArriving = ullTotal == 0 || ullDone < ullTotal;
    int nStatus = ItemDownloading;
    int nImage = -1;
    bool bShowRow = false;
    CAppDetailsObj* pItem = nullptr;
    {
        // The status is set under the same lock as the abort is checked: an abort always wins.
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        // The record comes from the page's running transfers, not from the list's rows. Only the
        // record's current transfer reports: its thread attached the manager before it connected.
        // A superseded transfer's blocks are not the record's, nor are those that come after an abort,
        // nor a response file's once the record's setup file is coming: the row shows the setup's.
        CTransfer* pTransfer = FindTransfer(pFtpMgr);
        pItem = pTransfer ? pTransfer->pItem : nullptr;
        int nKind = pItem ? CAppDetailsObj::TransferKind(pTransfer->nTransfer) : CAppDetailsObj::TransferSetupFile;
        if (!pItem || pItem->m_pFtpMgr[nKind] != pFtpMgr || pFtpMgr->m_pSession->IsAborted())
            return;
        bool bResponseFile = nKind == CAppDetailsObj::TransferResponseFile;
        if (bResponseFile && IsSetupFileArriving(pItem))
            return;
        if (bArriving) {
            pItem->m_ullBytesTotal = ullTotal;
            pItem->m_ullBytesDone = ullDone;
            if (pItem->m_nStatus == ItemDownloading) {
                // Sizes unknown: time alone spaces the showings.
                int nPercent = ullTotal == 0 ? -1 : static_cast<int>(ullDone * 100 / ullTotal);
                DWORD dwNow = GetTickCount();
                if (dwNow - pTransfer->dwShownAt < kProgressShowMs || (nPercent >= 0 && nPercent == pTransfer->nShownPercent))
                    return;
                pTransfer->dwShownAt = dwNow;
                pTransfer->nShownPercent = nPercent;
                pTransfer->bShowAsked = true;
                bShowRow = true;
            } else {
                nImage = ApplyItemStatus(pItem, nullptr, nStatus, CString());
            }
        } else if (!bResponseFile &&
                   (pItem->m_nStatus <= ItemResponseFileDownloaded || pItem->m_nStatus > ItemDone)) {
            // A record that was not fetching its setup file.
            nStatus = ItemResponseFileDownloaded;
            nImage = ApplyItemStatus(pItem, nullptr, nStatus, CString());
        } else {
            // The file is whole under its temporary name: its thread renames it and only then
            // reports it in, so no setup runs with a file not yet there.
            pItem->m_ullBytesTotal = ullTotal;
            pItem->m_ullBytesDone = ullDone;
            return;
        }
    }
    if (!bShowRow) {
        // A change of status, once per file: shown and logged on this thread.
        ShowItemStatus(pItem, nullptr, nStatus, nImage);
        return;
    }
    if (!m_bProgressPosted.exchange(true))
        PostMessage(kShowProgressMessage);
}

void CPropPage_Install::ShowTransfersProgress(bool bAskedOnly)
{
    m_bProgressPosted = false;
    std::vector<CAppDetailsObj*> receiving;
    {
        // One transfer's new figure redraws its own row, not every running transfer's.
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        for (CTransfer& transfer : m_transfers) {
            if ((transfer.bShowAsked || !bAskedOnly) && transfer.pItem->m_nStatus == ItemDownloading)
                receiving.push_back(transfer.pItem);
            transfer.bShowAsked = false;
        }
    }
    for (CAppDetailsObj* pItem : receiving)
        ShowDownloadProgress(pItem);
}

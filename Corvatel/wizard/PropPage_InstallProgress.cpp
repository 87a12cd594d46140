// The install page's side of a running transfer: each block's progress, on the download thread.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "Crypto.h"
#include "FtpMgr.h"

void CPropPage_Install::OnDownloadProgress(CFtpMgr* pFtpMgr, CString strFile, int /*nPercent*/,
                                           unsigned long long ullTotal, unsigned long long ullDone)
{
    if (!IsWindow(m_hWnd))
        return;
    bool bArriving = ullTotal == 0 || ullDone < ullTotal;
    int nStatus = ItemDownloading;
    CAppDetailsObj* pItem = nullptr;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        // The record comes from the page's running transfers, not from the list's rows: every block
        // would otherwise ask the window's thread for each row in turn.
        pItem = GetTransferItem(pFtpMgr);
        // Only the record's current transfer reports: its thread attached the manager before it
        // connected. A superseded transfer's blocks are not the record's, nor are those that come
        // after an abort.
        if (!pItem || pItem->m_pFtpMgr != pFtpMgr || pFtpMgr->m_pSession->IsAborted())
            return;
        if (bArriving) {
            pItem->m_ullBytesTotal = ullTotal;
            pItem->m_ullBytesDone = ullDone;
        } else if (pItem->m_nStatus <= ItemResponseFileDownloaded || pItem->m_nStatus > ItemDone ||
                   strFile.Find(".iss") >= 0) {
            // A response file, or a record that was not fetching its setup file.
            nStatus = ItemResponseFileDownloaded;
        } else {
            // The setup file is whole under its temporary name: its thread renames it and only then
            // reports it downloaded, so no completion check installs a file not yet there.
            pItem->m_ullBytesTotal = ullTotal;
            pItem->m_ullBytesDone = ullDone;
            return;
        }
    }
    UpdateItemStatus(pItem, nullptr, nStatus, CString());
    if (bArriving)
        ShowDownloadProgress(pItem);
}

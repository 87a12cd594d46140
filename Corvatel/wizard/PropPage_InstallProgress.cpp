// The install page's side of a running transfer: each block's progress, on the download thread.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"

void CPropPage_Install::OnDownloadProgress(CFtpMgr* pFtpMgr, CString strFile, int /*nPercent*/,
                                           unsigned long long ullTotal, unsigned long long ullDone)
{
    if (!IsWindow(m_hWnd))
        return;
    CAppDetailsObj* pItem = nullptr;
    CAppDetailsObj* pOwner = nullptr;
    FindItemByFile(strFile, &pItem, &pOwner);
    if (!pItem)
        return;

    bool bArriving = ullTotal == 0 || ullDone < ullTotal;
    int nStatus = ItemDownloading;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        if (pItem->m_nStatus == ItemDownloading && pItem->m_pFtpMgr != pFtpMgr)
            pItem->m_pFtpMgr = pFtpMgr;
        if (bArriving) {
            pItem->m_ullBytesTotal = ullTotal;
            pItem->m_ullBytesDone = ullDone;
        } else if (pItem->m_nStatus <= ItemResponseFileDownloaded || pItem->m_nStatus > ItemDone ||
                   strFile.Find(".iss") >= 0) {
            // A response file, or a record that was not fetching its setup file.
            nStatus = ItemResponseFileDownloaded;
        } else {
            nStatus = ItemDownloaded;
        }
    }
    UpdateItemStatus(pItem, nullptr, nStatus, CString());
    if (bArriving)
        ShowDownloadProgress(pItem);
}

#include "FtpDownloadThread.h"

#include "AppDetailsObj.h"
#include "Crypto.h"
#include "FtpMgr.h"
#include "PropPage_Install.h"
#include "TransferLink.h"
#include "Utilities.h"

#include <memory>
#include <vector>

CFtpDownloadThread::CFtpDownloadThread()
    : m_nStartStatus(0), m_nPort(22), m_pItem(nullptr), m_pTransferItem(nullptr), m_nTransfer(0)
{
    m_bAutoDelete = TRUE;
}

CString CFtpDownloadThread::GetTemporaryName(const CString& strLocalFile)
{
    // Only the file's own name changes: a folder whose name holds ".exe" is still the same folder.
    CString strFolder = GetFolderFromPath(strLocalFile);
    CString strName = strLocalFile.Mid(strFolder.GetLength());
    strName.Replace(".exe", ".ex_");
    // A response file too: a cut-off one under its own name would be played back as a whole one.
    strName.Replace(".iss", ".is_");
    return strFolder + strName;
}

bool CFtpDownloadThread::ConnectManager(CFtpMgr* pFtpMgr)
{
    if (!pFtpMgr)
        return false;
    return pFtpMgr->Open(m_strHost, m_nPort, m_strUser, m_strPassword);
}

int CFtpDownloadThread::Run()
{
    if (!m_pLink)
        AfxEndThread(1, TRUE);
    // A setup file already in the download folder is not fetched again; a response file always is.
    // Only a file counts: a folder or a device under that name is no setup.
    if (m_strLocalFile.Find(".iss") < 0 && IsRegularFile(m_strLocalFile)) {
        m_pLink->With([&](CPropPage_Install& page) {
            if (!page.IsCurrentTransfer(m_pTransferItem, m_nTransfer))
                return;
            if (m_pItem)
                page.UpdateItemStatus(m_pItem, nullptr, ItemDownloaded, "");
            page.PostTransferEnded(m_pItem != nullptr);
        });
    } else {
        Fetch();
    }
    m_pLink->With([&](CPropPage_Install& page) { page.EndTransfer(m_pTransferItem, m_nTransfer); });
    AfxEndThread(1, TRUE);
}

void CFtpDownloadThread::Fetch()
{
    auto pManager = std::make_unique<CFtpMgr>(nullptr);
    pManager->m_pLink = m_pLink;
    // From here an abort of the record (or the page's close) reaches the manager, while it
    // connects too.
    bool bAttached = false;
    m_pLink->With([&](CPropPage_Install& page) {
        bAttached = page.AttachTransferManager(m_pTransferItem, m_nTransfer, pManager.get());
    });
    if (!bAttached)
        return;
    bool bConnected = ConnectManager(pManager.get());
    bool bAborted = pManager->m_pSession && pManager->m_pSession->IsAborted();
    bool bReceiving = false;
    if (bConnected) {
        // Waited for off the link: the page's close need not wait for them too.
        std::vector<HANDLE> earlier;
        m_pLink->With([&](CPropPage_Install& page) { earlier = page.GetEarlierTransfers(m_pTransferItem, m_nTransfer); });
        CPropPage_Install::WaitForEarlierTransfers(earlier);
        m_pLink->With([&](CPropPage_Install& page) {
            bReceiving = !bAborted && page.IsCurrentTransfer(m_pTransferItem, m_nTransfer);
            if (!bReceiving)
                return;
            if (m_pItem) {
                std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
                m_pItem->m_ullBytesDone = 0;
            }
            page.SetFileStatus(m_strLocalFile, m_nStartStatus);
        });
    }
    bool bReceived = false;
    if (bReceiving) {
        bReceived = pManager->Receive(m_strRemoteFile, GetTemporaryName(m_strLocalFile));
        bAborted = pManager->m_pSession && pManager->m_pSession->IsAborted();
    }
    // The page no longer reaches the manager once detached; only then does it go.
    bool bCurrent = false;
    CString strError = pManager->m_strLastError;
    m_pLink->With([&](CPropPage_Install& page) {
        bCurrent = page.DetachTransferManager(m_pTransferItem, m_nTransfer, pManager.get());
        if (!bCurrent)
            return;
        if (!bConnected) {
            // The record stays where it was; the watchdog restarts it.
            if (!bAborted)
                page.LogDownloadError(m_pTransferItem, strError);
        } else {
            Finish(page, bReceived, bAborted, strError);
        }
        // What follows a file may ask the user or run setups: the window's thread does it, without
        // waiting for this session's close (hundreds of them end a run of small setups together).
        page.PostTransferEnded(m_pItem != nullptr);
    });
    // Closing the session may wait for the server a while: off the link.
    pManager.reset();
    // A transfer that is not the record's (superseded, or its page gone) keeps none of its file:
    // the transfer that superseded it waits for this thread before it writes the file.
    CString strTemporary = GetTemporaryName(m_strLocalFile);
    if (bConnected && !bCurrent && strTemporary != m_strLocalFile)
        DeleteFileIfExists(strTemporary);
}

void CFtpDownloadThread::Finish(CPropPage_Install& page, bool bReceived, bool bAborted, const CString& strError)
{
    CString strTemporary = GetTemporaryName(m_strLocalFile);
    if (!bReceived && !bAborted) {
        // Nothing partial is left to be taken for a whole file.
        if (strTemporary != m_strLocalFile)
            DeleteFileIfExists(strTemporary);
        page.OnDownloadError(m_strLocalFile, strError);
        return;
    }
    if (!page.EndReceipt(m_pTransferItem, m_nTransfer, bAborted, m_pItem != nullptr, strTemporary, m_strLocalFile))
        page.OnDownloadError(m_strLocalFile, "Error renaming " + strTemporary);
}

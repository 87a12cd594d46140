#include "FtpDownloadThread.h"

#include "AppDetailsObj.h"
#include "Crypto.h"
#include "FtpMgr.h"
#include "PropPage_Install.h"
#include "Utilities.h"

#include <io.h>

#include <memory>

CFtpDownloadThread::CFtpDownloadThread()
    : m_pPage(nullptr), m_nStartStatus(0), m_nPort(22), m_pItem(nullptr), m_pTransferItem(nullptr), m_nTransfer(0)
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
    if (!m_pPage)
        AfxEndThread(1, TRUE);
    bool bCurrent;
    // A setup file already in the download folder is not fetched again; a response file always is.
    // Only a file counts: a folder or a device under that name is no setup.
    if (m_strLocalFile.Find(".iss") < 0 && IsRegularFile(m_strLocalFile)) {
        bCurrent = m_pPage->IsCurrentTransfer(m_pTransferItem, m_nTransfer);
        if (bCurrent && m_pItem)
            m_pPage->UpdateItemStatus(m_pItem, nullptr, ItemDownloaded, "");
    } else {
        bCurrent = Fetch();
    }
    if (bCurrent) {
        if (m_pItem && m_pPage->IsOneAtATime())
            m_pPage->StartDownloads(TRUE, nullptr);
        m_pPage->ContinueDownloads();
        m_pPage->CheckDownloadsComplete();
    }
    m_pPage->EndTransfer(m_pTransferItem, m_nTransfer);
    AfxEndThread(1, TRUE);
}

bool CFtpDownloadThread::Fetch()
{
    auto pManager = std::make_unique<CFtpMgr>(m_pPage);
    // From here an abort of the record (or the page's close) reaches the manager, while it
    // connects too.
    if (!m_pPage->AttachTransferManager(m_pTransferItem, m_nTransfer, pManager.get()))
        return false;
    bool bConnected = ConnectManager(pManager.get());
    if (bConnected)
        m_pPage->WaitForEarlierTransfers(m_pTransferItem, m_nTransfer);
    bool bAborted = pManager->m_pSession && pManager->m_pSession->IsAborted();
    bool bReceived = false;
    if (bConnected && !bAborted && m_pPage->IsCurrentTransfer(m_pTransferItem, m_nTransfer)) {
        if (m_pItem) {
            std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
            m_pItem->m_ullBytesDone = 0;
        }
        m_pPage->SetFileStatus(m_strLocalFile, m_nStartStatus);
        bReceived = pManager->Receive(m_strRemoteFile, GetTemporaryName(m_strLocalFile));
        bAborted = pManager->m_pSession && pManager->m_pSession->IsAborted();
    }
    // The page no longer reaches the manager once detached; only then does it go.
    bool bCurrent = m_pPage->DetachTransferManager(m_pTransferItem, m_nTransfer, pManager.get());
    CString strError = pManager->m_strLastError;
    pManager.reset();
    if (!bConnected) {
        // The record stays where it was; the watchdog restarts it.
        if (bCurrent && !bAborted)
            m_pPage->LogDownloadError(m_pTransferItem, strError);
        return bCurrent;
    }
    if (!bCurrent) {
        // The transfer that superseded this one waits for this thread before it writes the file.
        CString strTemporary = GetTemporaryName(m_strLocalFile);
        if (strTemporary != m_strLocalFile)
            DeleteFileIfExists(strTemporary);
        return false;
    }
    Finish(bReceived, bAborted, strError);
    return true;
}

void CFtpDownloadThread::Finish(bool bReceived, bool bAborted, const CString& strError)
{
    CString strTemporary = GetTemporaryName(m_strLocalFile);
    if (!bReceived && !bAborted) {
        // Nothing partial is left to be taken for a whole file.
        if (strTemporary != m_strLocalFile)
            DeleteFileIfExists(strTemporary);
        m_pPage->OnDownloadError(m_strLocalFile, strError);
        return;
    }
    if (!m_pItem) {
        // A response file takes its name, replacing an earlier one, before the record says it is in;
        // an aborted one is gone before the record says so.
        if (bAborted) {
            DeleteFileIfExists(strTemporary);
        } else if (strTemporary != m_strLocalFile) {
            DeleteFileIfExists(m_strLocalFile);
            RenameFile(strTemporary, m_strLocalFile);
        }
        int nStatus = m_pTransferItem->GetStatus();
        if (bAborted && nStatus == ItemAbortingDownload)
            m_pPage->UpdateItemStatus(m_pTransferItem, nullptr, ItemDownloadAborted, "");
        else if (!bAborted && (nStatus == ItemDownloadingResponseFile || nStatus == ItemDownloading))
            m_pPage->UpdateItemStatus(m_pTransferItem, nullptr, ItemResponseFileDownloaded, "");
        return;
    }
    if (bAborted) {
        // Gone before the record says so: whoever reads "Download Aborted" finds no partial file.
        DeleteFileIfExists(strTemporary);
        m_pPage->UpdateItemStatus(m_pItem, nullptr, ItemDownloadAborted, "");
        return;
    }
    // Renamed before the record says "Downloaded.": a completion check on another thread may
    // start installing at once.
    if (strTemporary != m_strLocalFile)
        RenameFile(strTemporary, m_strLocalFile);
    if (_access(m_strLocalFile, 0) != 0) {
        m_pPage->OnDownloadError(m_strLocalFile, "Error renaming " + strTemporary);
        return;
    }
    m_pPage->UpdateItemStatus(m_pItem, nullptr, ItemDownloaded, "");
}

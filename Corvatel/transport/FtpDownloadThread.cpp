#include "FtpDownloadThread.h"

#include "AppDetailsObj.h"
#include "Crypto.h"
#include "FtpMgr.h"
#include "HandshakeTurn.h"
#include "PropPage_Install.h"
#include "TransferLink.h"
#include "Utilities.h"

#include <memory>
#include <vector>

const char CFtpDownloadThread::kPartialSuffix[] = ".part";

CFtpDownloadThread::CFtpDownloadThread()
    : m_nStartStatus(0), m_nPort(22), m_pItem(nullptr), m_pTransferItem(nullptr), m_nTransfer(0)
{
    m_bAutoDelete = TRUE;
}

CString CFtpDownloadThread::GetTemporaryName(const CString& strLocalFile, bool bResponseFile)
{
    // Only the file's own name changes: a folder whose name holds ".exe" is still the same folder.
    CString strFolder = GetFolderFromPath(strLocalFile);
    CString strName = strLocalFile.Mid(strFolder.GetLength());
    CString strTemporary = strName;
    // A response file too: a cut-off one under its own name would be played back as a whole one.
    strTemporary.Replace(bResponseFile ? ".iss" : ".exe", bResponseFile ? ".is_" : ".ex_");
    // Any other name is not received under its own either: a killed program cannot delete what it
    // leaves, and the next run would take a cut-off file under the final name for a whole one.
    if (strTemporary == strName)
        strTemporary += kPartialSuffix;
    return strFolder + strTemporary;
}

bool CFtpDownloadThread::IsResponseFile() const
{
    return CAppDetailsObj::TransferKind(m_nTransfer) == CAppDetailsObj::TransferResponseFile;
}

CString CFtpDownloadThread::GetTemporaryFile() const
{
    return GetTemporaryName(m_strLocalFile, IsResponseFile());
}

bool CFtpDownloadThread::ConnectManager(CFtpMgr* pFtpMgr)
{
    if (!pFtpMgr || !pFtpMgr->m_pSession)
        return false;
    // Only the connect and the login take turns; the receipts all run side by side.
    CHandshakeTurn turn(pFtpMgr->m_pSession->m_bAbort, pFtpMgr->m_bWaitingForTurn);
    return turn.IsHeld() && pFtpMgr->Open(m_strHost, m_nPort, m_strUser, m_strPassword);
}

int CFtpDownloadThread::Run()
{
    if (!m_pLink)
        AfxEndThread(1, TRUE);
    // A setup file already in the download folder is not fetched again; a response file always is.
    // Only a file counts: a folder or a device under that name is no setup.
    if (!IsResponseFile() && IsRegularFile(m_strLocalFile)) {
        m_pLink->With([&](CPropPage_Install& page) {
            if (page.TakePresentFile(m_pTransferItem, m_nTransfer))
                page.PostTransferEnded(true);
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
        // An abort that came while this thread connected or waited is not undone here.
        m_pLink->With([&](CPropPage_Install& page) {
            bReceiving = page.BeginReceipt(m_pTransferItem, m_nTransfer, pManager.get(), m_pItem != nullptr,
                                           m_nStartStatus);
        });
        bAborted = pManager->m_pSession && pManager->m_pSession->IsAborted();
    }
    bool bReceived = false;
    bool bStalled = false;
    if (bReceiving) {
        bReceived = pManager->Receive(m_strRemoteFile, GetTemporaryFile());
        bAborted = pManager->m_pSession && pManager->m_pSession->IsAborted();
        bStalled = !bReceived && pManager->m_pSession && pManager->m_pSession->IsStalled();
    }
    // The page no longer reaches the manager once detached; only then does it go.
    bool bCurrent = false;
    CString strError = pManager->m_strLastError;
    m_pLink->With([&](CPropPage_Install& page) {
        bCurrent = page.DetachTransferManager(m_pTransferItem, m_nTransfer, pManager.get());
        if (!bCurrent)
            return;
        if (!bConnected && !bAborted) {
            // The record stays where it was; the watchdog restarts it.
            page.LogDownloadError(m_pTransferItem, strError);
        } else {
            Finish(page, bReceived, bAborted, bStalled, strError);
        }
        // What follows a file may ask the user or run setups: the window's thread does it, without
        // waiting for this session's close (hundreds of them end a run of small setups together).
        page.PostTransferEnded(m_pItem != nullptr);
    });
    // Closing the session may wait for the server a while: off the link.
    pManager.reset();
    // A transfer that is not the record's (superseded, or its page gone) keeps none of its file:
    // the transfer that superseded it waits for this thread before it writes the file.
    if (bConnected && !bCurrent)
        DeleteFileIfExists(GetTemporaryFile());
}

void CFtpDownloadThread::Finish(CPropPage_Install& page, bool bReceived, bool bAborted, bool bStalled,
                                const CString& strError)
{
    CString strTemporary = GetTemporaryFile();
    if (!bReceived && !bAborted) {
        // Nothing partial is left to be taken for a whole file.
        DeleteFileIfExists(strTemporary);
        page.OnDownloadError(m_pTransferItem, m_nTransfer, strError, bStalled);
        return;
    }
    page.EndReceipt(m_pTransferItem, m_nTransfer, bAborted, m_pItem != nullptr, strTemporary, m_strLocalFile);
}

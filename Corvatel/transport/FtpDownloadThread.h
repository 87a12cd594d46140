// CFtpDownloadThread: the worker thread of one file transfer, a component's setup file or an
// InstallShield response file. It skips a setup file already in the download folder, otherwise
// connects through a transfer manager of its own, receives the file under a temporary name (see
// GetTemporaryName), renamed only once whole, reports to the install page, hands what follows
// the file (the next download, the check whether all are done) to the page's window thread, and
// deletes its manager and itself.
//
// Each start of a transfer for a record supersedes the record's earlier one of the same kind (a
// setup file's or a response file's; the two run side by side): the page aborts the earlier
// manager, and a superseded thread reports nothing more and leaves the record's files to the thread
// that superseded it.
//
// The page and its records are reached only through the link, never while waiting on the network,
// the user or another thread: a thread still running when the page has gone does nothing more on it
// and leaves no file behind.
#pragma once

#include <CString.h>
#include <CWinThread.h>

#include <memory>

class CAppDetailsObj;
class CFtpMgr;
class CPropPage_Install;
class CTransferLink;

class CFtpDownloadThread : public CWinThread
{
public:
    CFtpDownloadThread();

    BOOL InitInstance() override { return TRUE; }
    // The whole job; ends the thread and never returns.
    int Run() override;
    bool ConnectManager(CFtpMgr* pFtpMgr);
    // The name the file is received under: ".exe" in a setup file's name becomes ".ex_", ".iss" in a
    // response file's ".is_"; a name without either takes kPartialSuffix at its end.
    static CString GetTemporaryName(const CString& strLocalFile, bool bResponseFile);
    static const char kPartialSuffix[];

    std::shared_ptr<CTransferLink> m_pLink;
    // The status a receipt starts with: 2 for a response file, 5 for a setup file.
    int m_nStartStatus;
    unsigned short m_nPort;
    // The record of a setup file; none for a response file.
    CAppDetailsObj* m_pItem;
    CString m_strUser;
    CString m_strPassword;
    CString m_strLocalFile;
    CString m_strRemoteFile;
    CString m_strHost;
    // The record the file belongs to (a response file's too) and which of its transfers this is.
    CAppDetailsObj* m_pTransferItem;
    unsigned m_nTransfer;

private:
    // The transfer's kind, not the file's name, tells a response file from a setup file.
    bool IsResponseFile() const;
    CString GetTemporaryFile() const;
    // Connects, receives and reports the file's end, unless this transfer was superseded (or the
    // page is closing) before it could.
    void Fetch();
    // What a whole, aborted or failed (stalled among them) receipt leaves, reported for the current
    // transfer.
    void Finish(CPropPage_Install& page, bool bReceived, bool bAborted, bool bStalled, const CString& strError);
};

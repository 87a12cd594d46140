// CFtpMgr: the transfer manager through which the program talks to the download server. It owns
// one session (CCrypto), keeps the server and the credentials, turns every failure and exception
// into m_strLastError and a false result, forwards an abort, and reports each received block to
// the install page (a download thread's through its link to the page). One manager serves one
// job: a file transfer or a login test.
#pragma once

#include <CString.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class CCrypto;
class CPropPage_Install;
class CTransferLink;

class CFtpMgr
{
public:
    explicit CFtpMgr(CPropPage_Install* pOwner);
    ~CFtpMgr();
    CFtpMgr(const CFtpMgr&) = delete;
    CFtpMgr& operator=(const CFtpMgr&) = delete;

    // Stores the server and the credentials and connects; an exception shows
    // "An unexpected error occured!" and gives false.
    bool Open(CString strHost, unsigned short nPort, CString strUser, CString strPassword);
    bool Connect(const char* pszHost);
    // Receives one file; m_strLastError may hold a text on success too (an abort).
    bool Receive(CString strRemote, const CString& strLocal);
    // Asks the running receipt to stop; any thread may call it while the manager exists.
    void Abort();
    // Ends the connection and deletes the session; a second call does nothing.
    void Close();

    unsigned short m_nPort;
    CCrypto* m_pSession;
    CString m_strHost;
    CString m_strLastError;
    CString m_strUser;
    CString m_strPassword;
    CPropPage_Install* m_pOwner;
    // The way to the page, used instead of the owner, for a manager that may outlive the page: a
    // download thread's, or a login's that its dialog no longer waits for.
    std::shared_ptr<CTransferLink> m_pLink;
    // Raised while a download thread waits for its turn to log in through it (CHandshakeTurn):
    // the watchdog takes that wait for no stall.
    std::atomic<bool> m_bWaitingForTurn{false};

private:
    // The progress function handed to the session.
    void OnProgress(const std::string& strLocal, unsigned long long ullDone, unsigned long long ullTotal);
    // Runs call(page) on the page that takes this manager's reports, while there is one.
    void ReachOwner(const std::function<void(CPropPage_Install&)>& call);

    // Releases what the constructor's COM start-up took, once, and only on the thread that took
    // it: a login's thread may be the last to let its manager go.
    void ReleaseCom();

    bool m_bComStarted;
    DWORD m_dwComThread;
};

// CCrypto: the client side of one SSH connection to the download server: a TCP socket, a libssh2
// session on it, authentication by exactly one method, and the receipt of one remote file over
// SFTP. Its transfer manager (CFtpMgr) sets it up, connects it, receives at most one file, closes
// it and deletes it; only Abort may be called from another thread.
#pragma once

#include "ProgressCallback.h"

#include <basetsd.h>

#include <atomic>
#include <string>

// The library's and Winsock's types as they declare them, so that this header pulls in neither
// (Winsock's header must come before windows.h, which most of the program includes first).
typedef struct _LIBSSH2_SESSION LIBSSH2_SESSION;
typedef struct _LIBSSH2_SFTP LIBSSH2_SFTP;
typedef UINT_PTR SOCKET;
struct CFoundAddress;

class CCrypto
{
public:
    explicit CCrypto(std::string strHost);
    virtual ~CCrypto();
    CCrypto(const CCrypto&) = delete;
    CCrypto& operator=(const CCrypto&) = delete;

    // Looks the host up, opens the connection, checks the server's host key and authenticates, all
    // within the login limit from the lookup's start; on failure the error text says why and
    // everything taken is released. On success it may hold a line for the log: a host key that
    // could be pinned nowhere.
    bool Connect(std::string& strError);
    // Receives the remote file into the local file in blocks of 131072 bytes, calling the progress
    // function before the first read and after each block. An abort ends it with "[RecvSFTP] aborted."
    // and true; a file that ends before its remote size is a failure, and so is a receipt that
    // brings no file data for the stall limit.
    bool RecvSFTP(const char* pszRemote, const char* pszLocal, std::string& strError, ProgressCallback progress);
    bool InitSftp(std::string& strError);
    bool IsAborted() const { return m_bAbort; }
    // Whether a call gave up at its deadline (the login limit, or no file data for the stall
    // limit), until the session is closed.
    bool IsStalled() const { return m_bStalled; }
    // Raises the abort flag; any thread may call it. Every network wait of the session (name lookup,
    // connect, library calls) sees it within one poll interval.
    void Abort() { m_bAbort = true; }
    // Ends the SSH session, frees it, closes the socket and releases Winsock; a second call does
    // nothing. Connect's failure paths end with it too. After an abort or a stall it takes at most
    // the short closing time.
    void CloseSocket();

    // How long a receipt waits for the next file data, whatever else the server sends (keep-alives),
    // and any other call for its end. Longer than the page's 15-second watchdog, which restarts a
    // transfer stalled before its first byte.
    static constexpr unsigned long long kStallLimitMs = 30000;

    std::string m_strHost;
    unsigned short m_nPort;
    const char* m_pszUser;
    const char* m_pszPassword;
    SOCKET m_socket;
    char* m_pszAuthList;
    LIBSSH2_SESSION* m_pSession;
    LIBSSH2_SFTP* m_pSftp;
    std::atomic<bool> m_bAbort;

private:
    // The remote file's handle and the SFTP channel of one receipt.
    class CReceipt;

    // Winsock, the TCP connection, the library session and its handshake.
    bool OpenSession(std::string& strError);
    bool OpenSocket(const CFoundAddress& address, std::string& strError);
    // Waits for a non-blocking connect to end: 0 once connected, else the Winsock code (a timeout
    // past the connect limit, an interruption on abort).
    int AwaitConnection();
    bool Authenticate(std::string& strError);
    // Whether a library call that would block is made again, once the socket is ready or one poll
    // interval has passed. Not when the call is to give up: its result then becomes
    // LIBSSH2_ERROR_TIMEOUT. A working call gives up on abort, or at m_ullGiveUpAt (without one, the
    // stall limit after ullStarted, when the call began), whatever bytes came meanwhile; a closing
    // call after an abort or a stall gives up at the closing deadline.
    bool Repeat(int& nResult, unsigned long long ullStarted);
    bool WaitSocket(unsigned long long ullStarted);
    template <typename Call>
    int UntilDone(Call call)
    {
        int nResult;
        const unsigned long long ullStarted = Now();
        do
            nResult = call();
        while (Repeat(nResult, ullStarted));
        return nResult;
    }
    // The same for a call that gives a pointer, none when it failed (the session's last error says why).
    template <typename Call>
    auto UntilGiven(Call call) -> decltype(call())
    {
        const unsigned long long ullStarted = Now();
        for (;;) {
            auto pGiven = call();
            int nResult = pGiven ? 0 : LastError();
            if (!Repeat(nResult, ullStarted))
                return pGiven;
        }
    }
    // A closing call run to its end: when it gives up waiting the socket is shut down and the call
    // made again, so that it fails at once and frees what it holds. The result is the first run's
    // (why it failed), the last run's goes into pnLast (whether what it holds is freed).
    template <typename Call>
    int Finish(Call call, int* pnLast = nullptr)
    {
        m_bClosing = true;
        const int nResult = UntilDone(call);
        const int nLast = ShutDownIfGivenUp(nResult) ? UntilDone(call) : nResult;
        m_bClosing = false;
        if (pnLast)
            *pnLast = nLast;
        return nResult;
    }
    // Shuts the socket down when a call gave up waiting; whether it did.
    bool ShutDownIfGivenUp(int nResult);
    static unsigned long long Now();
    // The session's last error code, and its text.
    int LastError(std::string* pstrText = nullptr) const;

    bool m_bWinsockStarted;
    bool m_bLibraryStarted;
    bool m_bHandshakeDone;
    // A working call reached its deadline: later working calls wait no more, closing ones only
    // until the closing deadline.
    bool m_bStalled;
    // A closing call is running (remote close, SFTP shutdown, disconnect, free).
    bool m_bClosing;
    // When the working calls give up: the login limit after the name lookup's start, while
    // connecting; the stall limit after the receipt's start or its last file data, while receiving;
    // 0 otherwise.
    unsigned long long m_ullGiveUpAt;
    // When closing calls after an abort or a stall give up; 0 until the first of them waits.
    unsigned long long m_ullCloseBy;
};

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
struct addrinfo;

class CCrypto
{
public:
    explicit CCrypto(std::string strHost);
    virtual ~CCrypto();
    CCrypto(const CCrypto&) = delete;
    CCrypto& operator=(const CCrypto&) = delete;

    // Opens the connection, checks the server's host key and authenticates; on failure the error
    // text says why and everything taken is released. On success it may hold a line for the log:
    // a host key that could be pinned nowhere.
    bool Connect(std::string& strError);
    // Receives the remote file into the local file in blocks of 131072 bytes, calling the progress
    // function before the first read and after each block. An abort ends it with "[RecvSFTP] aborted."
    // and true; a file that ends before its remote size is a failure.
    bool RecvSFTP(const char* pszRemote, const char* pszLocal, std::string& strError, ProgressCallback progress);
    bool InitSftp(std::string& strError);
    bool IsAborted() const { return m_bAbort; }
    // Raises the abort flag; any thread may call it. A library call waiting on a stalled server
    // sees it within one poll interval.
    void Abort() { m_bAbort = true; }
    // Ends the SSH session, closes the socket and releases Winsock; a second call does nothing.
    // Connect's failure paths end with it too.
    void CloseSocket();

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
    bool OpenSocket(const addrinfo* pAddress, std::string& strError);
    bool Authenticate(std::string& strError);
    // Whether a blocking library call is made again: it asked to be, or it waited out one poll
    // interval of the session with no abort raised and the server has not been silent too long.
    // ullSilentSince starts at 0 for each call and notes when the server fell silent.
    bool Repeat(int nResult, unsigned long long& ullSilentSince);
    template <typename Call>
    int UntilDone(Call call)
    {
        int nResult;
        unsigned long long ullSilentSince = 0;
        do
            nResult = call();
        while (Repeat(nResult, ullSilentSince));
        return nResult;
    }
    // The session's last error code, and its text.
    int LastError(std::string* pstrText = nullptr) const;

    bool m_bWinsockStarted;
    bool m_bHandshakeDone;
    // The server stayed silent past the limit: later calls, the closing ones too, wait no more.
    bool m_bStalled;
};

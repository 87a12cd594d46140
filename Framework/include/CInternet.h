// Internet classes over WinINet: a session, an HTTP(S) connection on it, and request files on the
// connection. Failures of WinINet calls are thrown as CInternetException pointers, which the
// catcher deletes with Delete().
#pragma once

#include "CInternetHandle.h"
#include "CString.h"

class CInternetException
{
public:
    explicit CInternetException(DWORD dwError) : m_dwError(dwError) {}
    void Delete() { delete this; }

    DWORD m_dwError;
};

[[noreturn]] void AfxThrowInternetException(DWORD dwError);

// Services that AfxParseURL reports.
enum : DWORD
{
    AFX_INET_SERVICE_UNK = 0,
    AFX_INET_SERVICE_FTP = 1,
    AFX_INET_SERVICE_HTTP = 3,
    AFX_INET_SERVICE_HTTPS = 0x1000,
    AFX_INET_SERVICE_FILE = 0x1004,
};

// Splits a URL into service, server, object path (with query) and port; FALSE when it is not a URL.
BOOL AfxParseURL(LPCSTR pszURL, DWORD& dwServiceType, CString& strServer, CString& strObject, INTERNET_PORT& nPort);

class CHttpFile
{
public:
    CHttpFile(HINTERNET hRequest) : m_hRequest(hRequest) {}
    virtual ~CHttpFile() = default;
    CHttpFile(const CHttpFile&) = delete;
    CHttpFile& operator=(const CHttpFile&) = delete;

    BOOL SendRequest(LPCSTR pszHeaders = nullptr, DWORD dwHeadersLength = 0, LPVOID pOptional = nullptr,
                     DWORD dwOptionalLength = 0);
    // Bytes read; 0 at the end of the body.
    UINT Read(void* pBuffer, UINT nCount);
    // Bytes that can be read at once, waiting for some to arrive; 0 at the end of the body.
    DWORD QueryDataAvailable();
    void Close() { m_hRequest.Close(); }

private:
    CInternetHandle m_hRequest;
};

class CHttpConnection
{
public:
    CHttpConnection(HINTERNET hConnection) : m_hConnection(hConnection) {}
    virtual ~CHttpConnection() = default;
    CHttpConnection(const CHttpConnection&) = delete;
    CHttpConnection& operator=(const CHttpConnection&) = delete;

    // The caller owns the returned file.
    CHttpFile* OpenRequest(LPCSTR pszVerb, LPCSTR pszObjectName, LPCSTR pszReferer = nullptr, DWORD_PTR dwContext = 1,
                           LPCSTR* ppszAcceptTypes = nullptr, LPCSTR pszVersion = nullptr,
                           DWORD dwFlags = INTERNET_FLAG_EXISTING_CONNECT);
    void Close() { m_hConnection.Close(); }

private:
    CInternetHandle m_hConnection;
};

class CInternetSession
{
public:
    explicit CInternetSession(LPCSTR pszAgent = nullptr, DWORD_PTR dwContext = 1,
                              DWORD dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG, LPCSTR pszProxyName = nullptr,
                              LPCSTR pszProxyBypass = nullptr, DWORD dwFlags = 0);
    virtual ~CInternetSession() = default;
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // The caller owns the returned connection.
    CHttpConnection* GetHttpConnection(LPCSTR pszServer, INTERNET_PORT nPort = INTERNET_INVALID_PORT_NUMBER,
                                       LPCSTR pszUserName = nullptr, LPCSTR pszPassword = nullptr);
    void Close() { m_hSession.Close(); }

private:
    CInternetHandle m_hSession;
    DWORD_PTR m_dwContext;
};

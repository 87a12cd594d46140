#include "CInternet.h"

void AfxThrowInternetException(DWORD dwError)
{
    throw new CInternetException(dwError);
}

BOOL AfxParseURL(LPCSTR pszURL, DWORD& dwServiceType, CString& strServer, CString& strObject, INTERNET_PORT& nPort)
{
    dwServiceType = AFX_INET_SERVICE_UNK;
    if (!pszURL || !*pszURL)
        return FALSE;
    char szHost[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
    char szPath[INTERNET_MAX_PATH_LENGTH + 1] = {};
    char szExtra[INTERNET_MAX_PATH_LENGTH + 1] = {};
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = szHost;
    parts.dwHostNameLength = sizeof(szHost);
    parts.lpszUrlPath = szPath;
    parts.dwUrlPathLength = sizeof(szPath);
    parts.lpszExtraInfo = szExtra;
    parts.dwExtraInfoLength = sizeof(szExtra);
    if (!InternetCrackUrlA(pszURL, 0, 0, &parts))
        return FALSE;

    switch (parts.nScheme) {
    case INTERNET_SCHEME_HTTPS:
        dwServiceType = AFX_INET_SERVICE_HTTPS;
        break;
    case INTERNET_SCHEME_HTTP:
        dwServiceType = AFX_INET_SERVICE_HTTP;
        break;
    case INTERNET_SCHEME_FTP:
        dwServiceType = AFX_INET_SERVICE_FTP;
        break;
    case INTERNET_SCHEME_FILE:
        dwServiceType = AFX_INET_SERVICE_FILE;
        break;
    default:
        break;
    }
    strServer = szHost;
    strObject = szPath;
    strObject += szExtra;
    if (strObject.IsEmpty())
        strObject = "/";
    nPort = parts.nPort;
    return !strServer.IsEmpty();
}

BOOL CHttpFile::SendRequest(LPCSTR pszHeaders, DWORD dwHeadersLength, LPVOID pOptional, DWORD dwOptionalLength)
{
    if (!HttpSendRequestA(m_hRequest, pszHeaders, dwHeadersLength, pOptional, dwOptionalLength))
        AfxThrowInternetException(GetLastError());
    return TRUE;
}

UINT CHttpFile::Read(void* pBuffer, UINT nCount)
{
    DWORD dwRead = 0;
    if (!InternetReadFile(m_hRequest, pBuffer, nCount, &dwRead))
        AfxThrowInternetException(GetLastError());
    return dwRead;
}

DWORD CHttpFile::QueryDataAvailable()
{
    DWORD dwAvailable = 0;
    if (!InternetQueryDataAvailable(m_hRequest, &dwAvailable, 0, 0))
        AfxThrowInternetException(GetLastError());
    return dwAvailable;
}

CHttpFile* CHttpConnection::OpenRequest(LPCSTR pszVerb, LPCSTR pszObjectName, LPCSTR pszReferer, DWORD_PTR dwContext,
                                        LPCSTR* ppszAcceptTypes, LPCSTR pszVersion, DWORD dwFlags)
{
    HINTERNET hRequest = HttpOpenRequestA(m_hConnection, pszVerb, pszObjectName, pszVersion, pszReferer,
                                          ppszAcceptTypes, dwFlags, dwContext);
    if (!hRequest)
        AfxThrowInternetException(GetLastError());
    return new CHttpFile(hRequest);
}

CInternetSession::CInternetSession(LPCSTR pszAgent, DWORD_PTR dwContext, DWORD dwAccessType, LPCSTR pszProxyName,
                                   LPCSTR pszProxyBypass, DWORD dwFlags)
    : m_hSession(InternetOpenA(pszAgent ? pszAgent : "Corvatel", dwAccessType, pszProxyName, pszProxyBypass, dwFlags)),
      m_dwContext(dwContext)
{
    if (!m_hSession)
        AfxThrowInternetException(GetLastError());
}

CHttpConnection* CInternetSession::GetHttpConnection(LPCSTR pszServer, INTERNET_PORT nPort, LPCSTR pszUserName,
                                                     LPCSTR pszPassword)
{
    HINTERNET hConnection = InternetConnectA(m_hSession, pszServer, nPort, pszUserName, pszPassword,
                                             INTERNET_SERVICE_HTTP, 0, m_dwContext);
    if (!hConnection)
        AfxThrowInternetException(GetLastError());
    return new CHttpConnection(hConnection);
}

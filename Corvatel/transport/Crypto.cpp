#include "Crypto.h"

#include "HostKeyPins.h"
#include "SshLibrary.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <libssh2.h>

#include <stdlib.h>
#include <string.h>

namespace {

// The system's text for a Winsock code on one line (inserts ignored, line breaks suppressed).
std::string WinsockErrorText(int nCode)
{
    char szText[1024] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr,
                   static_cast<DWORD>(nCode), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), szText, sizeof(szText),
                   nullptr);
    return szText;
}

// How long a blocking library call waits on a silent server before it looks at the abort flag.
const long kAbortPollMs = 250;
// A server silent this long has stalled: the call fails rather than hold its thread for ever (the
// login holds the user's window). Longer than the page's 15-second watchdog, which restarts a
// transfer stalled before its first byte.
const unsigned long long kSilenceLimitMs = 30000;

// Answers every keyboard-interactive prompt with the password of the session that authenticates
// (the session's abstract pointer is its CCrypto).
LIBSSH2_USERAUTH_KBDINT_RESPONSE_FUNC(KbdInteractiveCallback);

} // namespace

CCrypto::CCrypto(std::string strHost)
    : m_strHost(std::move(strHost)), m_nPort(0), m_pszUser(nullptr), m_pszPassword(nullptr), m_socket(INVALID_SOCKET),
      m_pszAuthList(nullptr), m_pSession(nullptr), m_pSftp(nullptr), m_bAbort(false), m_bWinsockStarted(false),
      m_bHandshakeDone(false), m_bStalled(false)
{
}

CCrypto::~CCrypto()
{
    CloseSocket();
}

bool CCrypto::Connect(std::string& strError)
{
    if (OpenSession(strError) && CheckPinnedHostKey(m_strHost, m_nPort, HostKeyFingerprint(m_pSession), strError) &&
        Authenticate(strError))
        return true;
    CloseSocket();
    return false;
}

bool CCrypto::OpenSession(std::string& strError)
{
    WSADATA wsaData;
    int nResult = WSAStartup(MAKEWORD(2, 0), &wsaData);
    if (nResult != 0) {
        strError = "WSAStartup failed with error: " + std::to_string(nResult);
        return false;
    }
    m_bWinsockStarted = true;

    addrinfo hints = {};
    hints.ai_flags = AI_CANONNAME;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* pFound = nullptr;
    nResult = getaddrinfo(m_strHost.c_str(), std::to_string(m_nPort).c_str(), &hints, &pFound);
    if (nResult != 0) {
        strError = "getaddrinfo failed with error " + std::to_string(nResult) + ": " + WinsockErrorText(nResult);
        return false;
    }
    // Only the first address is tried.
    const bool bConnected = OpenSocket(pFound, strError);
    freeaddrinfo(pFound);
    if (!bConnected)
        return false;

    nResult = SshLibraryStartup();
    if (nResult != 0) {
        strError = "libssh2 initialization failed: " + std::to_string(nResult);
        return false;
    }
    m_pSession = libssh2_session_init_ex(nullptr, nullptr, nullptr, this);
    if (!m_pSession) {
        strError = "libssh2 session initialization failed";
        return false;
    }
    libssh2_session_set_blocking(m_pSession, 1);
    libssh2_session_set_timeout(m_pSession, kAbortPollMs);
    nResult = UntilDone([this] { return libssh2_session_handshake(m_pSession, m_socket); });
    if (nResult != 0) {
        strError = "Failure establishing SSH session: " + std::to_string(nResult);
        return false;
    }
    m_bHandshakeDone = true;
    return true;
}

bool CCrypto::OpenSocket(const addrinfo* pAddress, std::string& strError)
{
    m_socket = socket(pAddress->ai_family, pAddress->ai_socktype, pAddress->ai_protocol);
    if (m_socket == INVALID_SOCKET) {
        strError = "socket not valid";
        return false;
    }
    // Without it every SFTP read request waits on Nagle's delay.
    BOOL bNoDelay = TRUE;
    setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&bNoDelay), sizeof(bNoDelay));
    if (connect(m_socket, pAddress->ai_addr, static_cast<int>(pAddress->ai_addrlen)) != 0) {
        int nError = WSAGetLastError();
        strError = "connect failed " + std::to_string(nError) + " : " + WinsockErrorText(nError);
        return false;
    }
    return true;
}

bool CCrypto::Authenticate(std::string& strError)
{
    const std::string strUser = m_pszUser ? m_pszUser : "";
    const std::string strPassword = m_pszPassword ? m_pszPassword : "";
    const unsigned int nUserLength = static_cast<unsigned int>(strUser.size());
    unsigned long long ullSilentSince = 0;
    do
        m_pszAuthList = libssh2_userauth_list(m_pSession, strUser.c_str(), nUserLength);
    while (!m_pszAuthList && Repeat(LastError(), ullSilentSince));
    const std::string strMethods = m_pszAuthList ? m_pszAuthList : "";

    // Exactly one method, the first the server offers in this order; a failure tries no other.
    if (strMethods.find("password") != std::string::npos) {
        if (UntilDone([&] {
                return libssh2_userauth_password_ex(m_pSession, strUser.c_str(), nUserLength, strPassword.c_str(),
                                                    static_cast<unsigned int>(strPassword.size()), nullptr);
            }) != 0) {
            strError = "Authentication by password failed.\n";
            return false;
        }
    } else if (strMethods.find("keyboard-interactive") != std::string::npos) {
        if (UntilDone([&] {
                return libssh2_userauth_keyboard_interactive_ex(m_pSession, strUser.c_str(), nUserLength,
                                                                KbdInteractiveCallback);
            }) != 0) {
            strError = "Authentication by keyboard-interactive failed!";
            return false;
        }
    } else if (strMethods.find("publickey") != std::string::npos) {
        if (UntilDone([&] {
                return libssh2_userauth_publickey_fromfile_ex(m_pSession, strUser.c_str(), nUserLength,
                                                              "~/.ssh/id_rsa.pub", "~/.ssh/id_rsa",
                                                              strPassword.c_str());
            }) != 0) {
            strError = "Authentication by public key failed!";
            return false;
        }
    } else {
        strError = "No supported authentication methods found!";
        return false;
    }
    return true;
}

bool CCrypto::Repeat(int nResult, unsigned long long& ullSilentSince)
{
    if (nResult == LIBSSH2_ERROR_EAGAIN)
        return true;
    if (nResult != LIBSSH2_ERROR_TIMEOUT || m_bAbort || m_bStalled)
        return false;
    const unsigned long long ullNow = GetTickCount64();
    if (ullSilentSince == 0)
        ullSilentSince = ullNow;
    m_bStalled = ullNow - ullSilentSince >= kSilenceLimitMs;
    return !m_bStalled;
}

int CCrypto::LastError(std::string* pstrText) const
{
    char* pszText = nullptr;
    const int nCode = libssh2_session_last_error(m_pSession, &pszText, nullptr, 0);
    if (pstrText)
        *pstrText = pszText ? pszText : "";
    return nCode;
}

void CCrypto::CloseSocket()
{
    if (m_pSession) {
        if (m_bHandshakeDone)
            libssh2_session_disconnect(m_pSession, "Normal Shutdown");
        libssh2_session_free(m_pSession);
        m_pSession = nullptr;
    }
    m_pSftp = nullptr;
    m_pszAuthList = nullptr;
    m_bHandshakeDone = false;
    m_bStalled = false;
    if (m_socket != INVALID_SOCKET) {
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
    if (m_bWinsockStarted) {
        WSACleanup();
        m_bWinsockStarted = false;
    }
}

namespace {

LIBSSH2_USERAUTH_KBDINT_RESPONSE_FUNC(KbdInteractiveCallback)
{
    (void)name;
    (void)name_len;
    (void)instruction;
    (void)instruction_len;
    (void)prompts;
    const CCrypto* pSession = static_cast<const CCrypto*>(*abstract);
    const char* pszPassword = pSession && pSession->m_pszPassword ? pSession->m_pszPassword : "";
    const size_t nLength = strlen(pszPassword);
    for (int i = 0; i < num_prompts; ++i) {
        // libssh2 frees the answers with the runtime's free.
        char* pszAnswer = static_cast<char*>(malloc(nLength + 1));
        if (pszAnswer) {
            memset(pszAnswer, 0, nLength + 1);
            memcpy(pszAnswer, pszPassword, nLength);
        }
        responses[i].text = pszAnswer;
        responses[i].length = pszAnswer ? static_cast<unsigned int>(nLength) : 0;
    }
}

} // namespace

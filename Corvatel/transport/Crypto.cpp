#include "Crypto.h"

#include "HostKeyPins.h"
#include "NameLookup.h"
#include "SshLibrary.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <libssh2.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>

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

// How long one wait on the socket lasts before the abort flag and the deadlines are looked at again.
const unsigned long long kAbortPollMs = 250;
// How long the name lookup, the connect, the server's greeting, the key exchange and the login may
// take together:
// bytes that never finish a step (a trickle of empty lines) do not hold the login any longer.
const unsigned long long kLoginLimitMs = 30000;
// How long a connect waits for the server's answer (Windows itself waits about 21 seconds).
const unsigned long long kConnectLimitMs = 10000;
// How long the closing calls after an abort or a stall wait, all together, for a server that may
// never answer; past it the socket is shut down and the session freed without the server.
const unsigned long long kCloseLimitMs = 500;

// What one wait on the socket found: bits of kReadable, kWritable and kFailed, or SOCKET_ERROR.
const int kReadable = 1;
const int kWritable = 2;
const int kFailed = 4;

// Waits for the socket to be ready in the directions asked (bits as above), one poll interval at
// most and no longer than ullMs.
int WaitForSocket(SOCKET socket, int nAsked, unsigned long long ullMs)
{
    fd_set sets[3];
    fd_set* pSets[3] = {};
    for (int i = 0; i < 3; ++i) {
        FD_ZERO(&sets[i]);
        if (nAsked & (1 << i)) {
            FD_SET(socket, &sets[i]);
            pSets[i] = &sets[i];
        }
    }
    timeval timeout = {0, static_cast<long>(std::min(ullMs, kAbortPollMs) * 1000)};
    if (select(0, pSets[0], pSets[1], pSets[2], &timeout) == SOCKET_ERROR)
        return SOCKET_ERROR;
    int nFound = 0;
    for (int i = 0; i < 3; ++i)
        if (pSets[i] && FD_ISSET(socket, pSets[i]))
            nFound |= 1 << i;
    return nFound;
}

// Answers every keyboard-interactive prompt with the password of the session that authenticates
// (the session's abstract pointer is its CCrypto).
LIBSSH2_USERAUTH_KBDINT_RESPONSE_FUNC(KbdInteractiveCallback);

} // namespace

CCrypto::CCrypto(std::string strHost)
    : m_strHost(std::move(strHost)), m_nPort(0), m_pszUser(nullptr), m_pszPassword(nullptr), m_socket(INVALID_SOCKET),
      m_pszAuthList(nullptr), m_pSession(nullptr), m_pSftp(nullptr), m_bAbort(false), m_bWinsockStarted(false),
      m_bLibraryStarted(false), m_bHandshakeDone(false), m_bStalled(false), m_bClosing(false), m_ullGiveUpAt(0),
      m_ullCloseBy(0)
{
}

CCrypto::~CCrypto()
{
    CloseSocket();
}

bool CCrypto::Connect(std::string& strError)
{
    const bool bConnected = OpenSession(strError) &&
                            CheckPinnedHostKey(m_strHost, m_nPort, HostKeyFingerprint(m_pSession), strError) &&
                            Authenticate(strError);
    m_ullGiveUpAt = 0;
    if (bConnected)
        return true;
    // The step's own text would blame the password or the methods for a server that never answered.
    if (m_bStalled)
        strError = "The server " + m_strHost + " did not complete the login within " +
                   std::to_string(kLoginLimitMs / 1000) + " seconds.";
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

    // The name lookup counts too: a download holds its turn to log in (CHandshakeTurn) no longer
    // than the limit, however slow the name server.
    m_ullGiveUpAt = Now() + kLoginLimitMs;
    CFoundAddress address;
    nResult = LookUpAddress(m_strHost, m_nPort, m_bAbort, address);
    if (nResult != 0) {
        strError = "getaddrinfo failed with error " + std::to_string(nResult) + ": " + WinsockErrorText(nResult);
        return false;
    }
    if (!OpenSocket(address, strError))
        return false;

    nResult = SshLibraryStartup();
    if (nResult != 0) {
        strError = "libssh2 initialization failed: " + std::to_string(nResult);
        return false;
    }
    m_bLibraryStarted = true;
    m_pSession = libssh2_session_init_ex(nullptr, nullptr, nullptr, this);
    if (!m_pSession) {
        strError = "libssh2 session initialization failed";
        return false;
    }
    // Every call returns rather than wait inside the library: the waits are this session's own,
    // which look at the abort flag and the deadlines.
    libssh2_session_set_blocking(m_pSession, 0);
    nResult = UntilDone([this] { return libssh2_session_handshake(m_pSession, m_socket); });
    if (nResult != 0) {
        strError = "Failure establishing SSH session: " + std::to_string(nResult);
        return false;
    }
    m_bHandshakeDone = true;
    return true;
}

bool CCrypto::OpenSocket(const CFoundAddress& address, std::string& strError)
{
    m_socket = socket(address.nFamily, address.nType, address.nProtocol);
    if (m_socket == INVALID_SOCKET) {
        strError = "socket not valid";
        return false;
    }
    // Without it every SFTP read request waits on Nagle's delay.
    BOOL bNoDelay = TRUE;
    setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&bNoDelay), sizeof(bNoDelay));
    u_long ulNonBlocking = 1;
    int nError = 0;
    if (ioctlsocket(m_socket, FIONBIO, &ulNonBlocking) != 0)
        nError = WSAGetLastError();
    else if (connect(m_socket, reinterpret_cast<const sockaddr*>(&address.address), address.nLength) != 0) {
        nError = WSAGetLastError();
        if (nError == WSAEWOULDBLOCK)
            nError = AwaitConnection();
    }
    if (nError != 0) {
        strError = "connect failed " + std::to_string(nError) + " : " + WinsockErrorText(nError);
        return false;
    }
    return true;
}

int CCrypto::AwaitConnection()
{
    const unsigned long long ullStart = Now();
    for (;;) {
        if (m_bAbort)
            return WSAEINTR;
        const unsigned long long ullWaited = Now() - ullStart;
        if (ullWaited >= kConnectLimitMs)
            return WSAETIMEDOUT;
        const int nFound = WaitForSocket(m_socket, kWritable | kFailed, kConnectLimitMs - ullWaited);
        if (nFound == SOCKET_ERROR)
            return WSAGetLastError();
        if (nFound & kFailed) {
            int nError = 0;
            int nLength = sizeof(nError);
            getsockopt(m_socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&nError), &nLength);
            return nError != 0 ? nError : WSAECONNREFUSED;
        }
        if (nFound & kWritable)
            return 0;
    }
}

bool CCrypto::Authenticate(std::string& strError)
{
    const std::string strUser = m_pszUser ? m_pszUser : "";
    const std::string strPassword = m_pszPassword ? m_pszPassword : "";
    const unsigned int nUserLength = static_cast<unsigned int>(strUser.size());
    m_pszAuthList = UntilGiven([&] { return libssh2_userauth_list(m_pSession, strUser.c_str(), nUserLength); });
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

bool CCrypto::Repeat(int& nResult, unsigned long long ullStarted)
{
    if (nResult != LIBSSH2_ERROR_EAGAIN)
        return false;
    if (WaitSocket(ullStarted))
        return true;
    nResult = LIBSSH2_ERROR_TIMEOUT;
    libssh2_session_set_last_error(m_pSession, nResult, "Timed out waiting on socket");
    return false;
}

bool CCrypto::WaitSocket(unsigned long long ullStarted)
{
    const unsigned long long ullNow = Now();
    unsigned long long ullLeft;
    if (m_bAbort || m_bStalled) {
        if (!m_bClosing)
            return false;
        if (m_ullCloseBy == 0)
            m_ullCloseBy = ullNow + kCloseLimitMs;
        if (ullNow >= m_ullCloseBy)
            return false;
        ullLeft = m_ullCloseBy - ullNow;
    } else {
        const unsigned long long ullGiveUpAt = m_ullGiveUpAt != 0 ? m_ullGiveUpAt : ullStarted + kStallLimitMs;
        if (ullNow >= ullGiveUpAt) {
            m_bStalled = true;
            return false;
        }
        ullLeft = ullGiveUpAt - ullNow;
    }
    // The library says which way it is blocked; with no direction given it waits for the server.
    const int nDirections = libssh2_session_block_directions(m_pSession);
    int nAsked = (nDirections & LIBSSH2_SESSION_BLOCK_OUTBOUND) ? kWritable : 0;
    if ((nDirections & LIBSSH2_SESSION_BLOCK_INBOUND) || nAsked == 0)
        nAsked |= kReadable;
    return WaitForSocket(m_socket, nAsked, ullLeft) != SOCKET_ERROR;
}

bool CCrypto::ShutDownIfGivenUp(int nResult)
{
    if (nResult != LIBSSH2_ERROR_TIMEOUT || m_socket == INVALID_SOCKET)
        return false;
    shutdown(m_socket, SD_BOTH);
    return true;
}

unsigned long long CCrypto::Now()
{
    return GetTickCount64();
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
            Finish([this] { return libssh2_session_disconnect(m_pSession, "Normal Shutdown"); });
        // The socket is shut down past the deadline, so the free completes without the server. A
        // session that is still not freed keeps its library reference: the library never ends
        // under it.
        int nFreed = 0;
        Finish([this] { return libssh2_session_free(m_pSession); }, &nFreed);
        if (nFreed != 0)
            m_bLibraryStarted = false;
        m_pSession = nullptr;
    }
    if (m_bLibraryStarted) {
        SshLibraryCleanup();
        m_bLibraryStarted = false;
    }
    m_pSftp = nullptr;
    m_pszAuthList = nullptr;
    m_bHandshakeDone = false;
    m_bStalled = false;
    m_ullGiveUpAt = 0;
    m_ullCloseBy = 0;
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

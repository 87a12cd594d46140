#include "FtpMgr.h"

#include "Crypto.h"
#include "PropPage_Install.h"
#include "TransferLink.h"

#include <AfxMessageBox.h>

#include <comdef.h>
#include <objbase.h>

namespace {

CString ComErrorText(const _com_error& error)
{
    _bstr_t description = error.Description();
    const wchar_t* pszWide = description;
    if (!pszWide)
        return CString();
    CString strText;
    const int nLength = WideCharToMultiByte(CP_ACP, 0, pszWide, -1, nullptr, 0, nullptr, nullptr);
    if (nLength > 1) {
        WideCharToMultiByte(CP_ACP, 0, pszWide, -1, strText.GetBuffer(nLength), nLength, nullptr, nullptr);
        strText.ReleaseBuffer();
    }
    return strText;
}

} // namespace

CFtpMgr::CFtpMgr(CPropPage_Install* pOwner)
    : m_nPort(22), m_pSession(nullptr), m_pOwner(pOwner), m_bComStarted(false), m_dwComThread(GetCurrentThreadId())
{
    m_bComStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    m_pSession = new (std::nothrow) CCrypto(std::string());
}

CFtpMgr::~CFtpMgr()
{
    Close();
    ReleaseCom();
}

bool CFtpMgr::Open(CString strHost, unsigned short nPort, CString strUser, CString strPassword)
{
    if (!m_pSession)
        return false;
    try {
        m_strHost = strHost;
        m_nPort = nPort;
        m_strUser = strUser;
        m_strPassword = strPassword;
        return Connect(m_strHost);
    } catch (...) {
        AfxMessageBox("An unexpected error occured!", MB_OK, 0);
        return false;
    }
}

bool CFtpMgr::Connect(const char* pszHost)
{
    if (!m_pSession)
        return false;
    try {
        m_pSession->m_strHost = pszHost;
        m_pSession->m_nPort = m_nPort;
        m_pSession->m_pszUser = m_strUser;
        m_pSession->m_pszPassword = m_strPassword;
        std::string strError;
        const bool bConnected = m_pSession->Connect(strError);
        m_strLastError = strError.c_str();
        // A host key that could be pinned nowhere does not stop the connection, but leaves a trace.
        if (bConnected && !strError.empty())
            ReachOwner([this](CPropPage_Install& page) { page.WriteLogLine(m_strLastError, true); });
        return bConnected;
    } catch (const _com_error& error) {
        m_strLastError = ComErrorText(error);
    } catch (...) {
        m_strLastError = "An unexpected error occured while connecting";
    }
    return false;
}

bool CFtpMgr::Receive(CString strRemote, const CString& strLocal)
{
    if (!m_pSession)
        return false;
    try {
        std::string strError;
        const bool bReceived = m_pSession->RecvSFTP(
            strRemote, strLocal, strError,
            [this](std::string strLocalName, std::string, unsigned long long ullDone, unsigned long long ullTotal) {
                OnProgress(strLocalName, ullDone, ullTotal);
            });
        m_strLastError = strError.c_str();
        return bReceived;
    } catch (const _com_error& error) {
        m_strLastError = ComErrorText(error);
    } catch (...) {
        m_strLastError = "An unexpected error occured while retreiving the file\n";
    }
    return false;
}

void CFtpMgr::OnProgress(const std::string& strLocal, unsigned long long ullDone, unsigned long long ullTotal)
{
    const int nPercent = ullTotal == 0 ? 0 : static_cast<int>(ullDone * 100 / ullTotal);
    ReachOwner([&](CPropPage_Install& page) {
        if (IsWindow(page.GetSafeHwnd()))
            page.OnDownloadProgress(this, CString(strLocal.c_str()), nPercent, ullTotal, ullDone);
    });
}

void CFtpMgr::ReachOwner(const std::function<void(CPropPage_Install&)>& call)
{
    if (m_pLink)
        m_pLink->With(call);
    else if (m_pOwner)
        call(*m_pOwner);
}

void CFtpMgr::Abort()
{
    if (m_pSession)
        m_pSession->Abort();
}

void CFtpMgr::Close()
{
    if (!m_pSession)
        return;
    try {
        m_pSession->CloseSocket();
        ReleaseCom();
        delete m_pSession;
        m_pSession = nullptr;
    } catch (...) {
        // Closing never fails its caller; what is left is released with the process.
    }
}

void CFtpMgr::ReleaseCom()
{
    if (m_bComStarted && GetCurrentThreadId() == m_dwComThread)
        CoUninitialize();
    m_bComStarted = false;
}

#include "UserPassDlg.h"

#include "FtpMgr.h"
#include "PropPage_Install.h"
#include "resource.h"

#include <AfxMessageBox.h>
#include <CWinThread.h>

namespace {

// How long a dialog that is gone waits for the login it aborted: the session ends any wait within
// a second of an abort, and its closing calls within half a second more.
const DWORD kAbortedLoginWaitMs = 10000;

} // namespace

CUserPassDlg::CUserPassDlg(CWnd* pParent, CFtpMgr* pFtpMgr, CString strHost, unsigned short nPort)
    : CDialog(IDD_USER_PASS, pParent), m_strHost(strHost), m_nPort(nPort), m_pFtpMgr(pFtpMgr), m_bLoggingIn(false),
      m_hLogin(nullptr), m_bCancelled(false)
{
}

CUserPassDlg::~CUserPassDlg()
{
    if (m_hLogin)
        CloseHandle(m_hLogin);
}

INT_PTR CUserPassDlg::DoModal()
{
    const INT_PTR nResult = CDialog::DoModal();
    // Only a window destroyed from outside ends the dialog while its login runs.
    if (m_bLoggingIn) {
        m_pFtpMgr->Abort();
        if (m_hLogin)
            WaitForSingleObject(m_hLogin, kAbortedLoginWaitMs);
    }
    return nResult;
}

void CUserPassDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_PASSWORD, m_strPassword);
    DDX_Text(pDX, IDC_USER_NAME, m_strUser);
}

void CUserPassDlg::OnOK()
{
    if (m_bLoggingIn)
        return;
    UpdateData(TRUE);
    if (!m_pFtpMgr)
        return;
    CWinThread* pThread = AfxBeginThread(LoginThread, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!pThread)
        return;
    // A handle of the dialog's own: the thread's object goes with the thread.
    if (m_hLogin)
        CloseHandle(m_hLogin);
    m_hLogin = nullptr;
    DuplicateHandle(GetCurrentProcess(), pThread->m_hThread, GetCurrentProcess(), &m_hLogin, SYNCHRONIZE, FALSE, 0);
    m_bLoggingIn = true;
    EnableInput(false);
    pThread->ResumeThread();
}

UINT CUserPassDlg::LoginThread(LPVOID pParam)
{
    CUserPassDlg* pDialog = static_cast<CUserPassDlg*>(pParam);
    const bool bConnected = pDialog->m_pFtpMgr->Open(pDialog->m_strHost, pDialog->m_nPort, pDialog->m_strUser,
                                                     pDialog->m_strPassword);
    ::PostMessageA(pDialog->m_hWnd, kLoginEndedMessage, bConnected, 0);
    return 0;
}

void CUserPassDlg::OnLoginEnded(bool bConnected)
{
    m_bLoggingIn = false;
    EnableInput(true);
    if (m_bCancelled) {
        EndDialog(IDCANCEL);
        return;
    }
    if (bConnected) {
        EndDialog(IDOK);
        return;
    }
    if (m_pFtpMgr->m_strLastError.IsEmpty())
        return;
    // A refused login is in the install page's log too: a changed host key must leave a trace.
    if (m_pFtpMgr->m_pOwner) {
        CString strError = m_pFtpMgr->m_strLastError;
        strError.TrimRight();
        m_pFtpMgr->m_pOwner->WriteLogLine("ERROR (" + strError + ")", true);
    }
    AfxMessageBox(m_pFtpMgr->m_strLastError, MB_OK, 0);
}

void CUserPassDlg::OnCancel()
{
    if (!m_bLoggingIn) {
        CDialog::OnCancel();
        return;
    }
    m_bCancelled = true;
    m_pFtpMgr->Abort();
}

void CUserPassDlg::EnableInput(bool bEnable)
{
    // The focus leaves OK before it goes off, so that the keyboard still reaches the dialog.
    if (!bEnable)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(IDCANCEL)), TRUE);
    for (int nID : {IDC_USER_NAME, IDC_PASSWORD, IDOK})
        EnableWindow(GetDlgItem(nID), bEnable);
    if (bEnable)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(IDOK)), TRUE);
}

BOOL CUserPassDlg::DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)
{
    switch (uMsg) {
    case kLoginEndedMessage:
        OnLoginEnded(wParam != 0);
        return TRUE;
    case WM_SETCURSOR:
        // Busy, but Cancel still answers.
        if (!m_bLoggingIn)
            break;
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_APPSTARTING)));
        lResult = TRUE;
        return TRUE;
    }
    return CDialog::DialogProc(uMsg, wParam, lParam, lResult);
}

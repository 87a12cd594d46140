#include "UserPassDlg.h"

#include "FtpMgr.h"
#include "PropPage_Install.h"
#include "resource.h"

#include <AfxMessageBox.h>
#include <CWinThread.h>

CUserPassDlg::CUserPassDlg(CWnd* pParent, std::shared_ptr<CFtpMgr> pFtpMgr, CString strHost, unsigned short nPort)
    : CDialog(IDD_USER_PASS, pParent), m_strHost(strHost), m_nPort(nPort), m_pFtpMgr(std::move(pFtpMgr)),
      m_bLoggingIn(false), m_bCancelled(false)
{
}

INT_PTR CUserPassDlg::DoModal()
{
    const INT_PTR nResult = CDialog::DoModal();
    // Only a window destroyed from outside ends the dialog while its login runs: nobody waits for
    // that login's answer now.
    if (m_bLoggingIn)
        m_pFtpMgr->Abort();
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
    auto* pLogin = new CLogin{m_pFtpMgr, m_strHost, m_nPort, m_strUser, m_strPassword, m_hWnd};
    if (!AfxBeginThread(LoginThread, pLogin)) {
        delete pLogin;
        return;
    }
    // The thread's end is posted here, so it is seen only after this.
    m_bLoggingIn = true;
    EnableInput(false);
}

UINT CUserPassDlg::LoginThread(LPVOID pParam)
{
    std::unique_ptr<CLogin> pLogin(static_cast<CLogin*>(pParam));
    const bool bConnected = pLogin->pFtpMgr->Open(pLogin->strHost, pLogin->nPort, pLogin->strUser, pLogin->strPassword);
    // A window destroyed meanwhile takes no message: nothing is left waiting for it.
    ::PostMessageA(pLogin->hDialog, kLoginEndedMessage, bConnected, 0);
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

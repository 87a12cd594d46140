#include "UserPassDlg.h"

#include "FtpMgr.h"
#include "PropPage_Install.h"
#include "resource.h"

#include <AfxMessageBox.h>

CUserPassDlg::CUserPassDlg(CWnd* pParent, CFtpMgr* pFtpMgr, CString strHost, unsigned short nPort)
    : CDialog(IDD_USER_PASS, pParent), m_strHost(strHost), m_nPort(nPort), m_pFtpMgr(pFtpMgr)
{
}

void CUserPassDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_PASSWORD, m_strPassword);
    DDX_Text(pDX, IDC_USER_NAME, m_strUser);
}

void CUserPassDlg::OnOK()
{
    UpdateData(TRUE);
    if (!m_pFtpMgr)
        return;
    // The login runs here, on this thread: the user waits for the server's answer.
    HCURSOR hOldCursor = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    bool bConnected = m_pFtpMgr->Open(m_strHost, m_nPort, m_strUser, m_strPassword);
    SetCursor(hOldCursor);
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

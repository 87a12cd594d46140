// CUserPassDlg: asks for the download server's user name and password and proves them before it
// closes: OK logs in through the transfer manager it was given, and only a login that succeeds
// ends the dialog. A failure shows the manager's text and leaves the typed values for another try.
#pragma once

#include <CDialog.h>

class CFtpMgr;

class CUserPassDlg : public CDialog
{
public:
    CUserPassDlg(CWnd* pParent, CFtpMgr* pFtpMgr, CString strHost, unsigned short nPort);

    CString m_strPassword;
    CString m_strUser;
    CString m_strHost;
    unsigned short m_nPort;
    CFtpMgr* m_pFtpMgr;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
};

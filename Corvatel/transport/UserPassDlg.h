// CUserPassDlg: asks for the download server's user name and password and proves them before it
// closes: OK logs in through the transfer manager it was given, and only a login that succeeds
// ends the dialog. A failure shows the manager's text and leaves the typed values for another try.
// The login runs on a thread of its own, so the dialog stays drawn and Cancel ends a login that
// still waits for the server.
#pragma once

#include <CDialog.h>

class CFtpMgr;

class CUserPassDlg : public CDialog
{
public:
    CUserPassDlg(CWnd* pParent, CFtpMgr* pFtpMgr, CString strHost, unsigned short nPort);
    ~CUserPassDlg() override;

    // Ends only once no login runs: the manager is its caller's to delete afterwards.
    INT_PTR DoModal() override;

    CString m_strPassword;
    CString m_strUser;
    CString m_strHost;
    unsigned short m_nPort;
    CFtpMgr* m_pFtpMgr;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;
    BOOL DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    // Posted by the login's thread as its last step: wParam is whether the login succeeded.
    static constexpr UINT kLoginEndedMessage = WM_APP + 1;
    static UINT LoginThread(LPVOID pParam);
    void OnLoginEnded(bool bConnected);
    // The typed values and OK stay as they are while a login tries them.
    void EnableInput(bool bEnable);

    // A login runs: its thread has the manager and the typed values until it posts its end.
    bool m_bLoggingIn;
    // The last login's thread, for a dialog destroyed from outside to wait for.
    HANDLE m_hLogin;
    // Cancel came while the login ran: the dialog ends with IDCANCEL once it has stopped.
    bool m_bCancelled;
};

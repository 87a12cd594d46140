// CUserPassDlg: asks for the download server's user name and password and proves them before it
// closes: OK logs in through the transfer manager it was given, and only a login that succeeds
// ends the dialog. A failure shows the manager's text and leaves the typed values for another try.
// The login runs on a thread of its own, so the dialog stays drawn and Cancel ends a login that
// still waits for the server. That thread shares the manager and takes copies of the rest, so a
// dialog destroyed from outside while it runs leaves it nothing freed to touch.
#pragma once

#include <CDialog.h>

#include <memory>

class CFtpMgr;

class CUserPassDlg : public CDialog
{
public:
    CUserPassDlg(CWnd* pParent, std::shared_ptr<CFtpMgr> pFtpMgr, CString strHost, unsigned short nPort);

    // A window destroyed from outside ends it while a login may still run: that login is aborted
    // and keeps the manager until its thread ends, without being waited for.
    INT_PTR DoModal() override;

    CString m_strPassword;
    CString m_strUser;
    CString m_strHost;
    unsigned short m_nPort;
    std::shared_ptr<CFtpMgr> m_pFtpMgr;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;
    BOOL DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    // What a login's thread works with: its own, not the dialog's.
    struct CLogin
    {
        std::shared_ptr<CFtpMgr> pFtpMgr;
        CString strHost;
        unsigned short nPort;
        CString strUser;
        CString strPassword;
        HWND hDialog;
    };

    // Posted by the login's thread as its last step: wParam is whether the login succeeded.
    static constexpr UINT kLoginEndedMessage = WM_APP + 1;
    // Takes the CLogin it is given.
    static UINT LoginThread(LPVOID pParam);
    void OnLoginEnded(bool bConnected);
    // The typed values and OK stay as they are while a login tries them.
    void EnableInput(bool bEnable);

    // A login runs: its thread has not yet posted its end.
    bool m_bLoggingIn;
    // Cancel came while the login ran: the dialog ends with IDCANCEL once it has stopped.
    bool m_bCancelled;
};

// CDlgConnect: the modal "Connecting to ..." dialog. It starts one worker that reads the second
// document and the catalogue, and closes with IDOK when the worker finished, IDCANCEL otherwise.
#pragma once

#include "ConnectParams.h"

#include <CDialog.h>
#include <CWinThread.h>

class CDlgConnect : public CDialog
{
public:
    CDlgConnect(CWnd* pParent, CString* pLocation, CString* pAltLocation, CString* pServerName,
                CString* pSecondLocation);
    ~CDlgConnect() override;

    // The shared record once the worker started; its bodies are whole after IDOK.
    CConnectParams* GetParams() const { return m_pParams; }

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    BOOL DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    LRESULT OnConnect(WPARAM wParam, LPARAM lParam);
    LRESULT OnConnected(WPARAM wParam, LPARAM lParam);

    CString m_strLocation;
    CString m_strSecondLocation;
    CString m_strAltLocation;
    CString m_strServerName;
    CWinThread* m_pThread;
    CConnectParams* m_pParams;
};

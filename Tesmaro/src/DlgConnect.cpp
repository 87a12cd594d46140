#include "DlgConnect.h"

#include "../res/resource.h"
#include "ServerNames.h"

CDlgConnect::CDlgConnect(CWnd* pParent, CString* pLocation, CString* pAltLocation, CString* pServerName,
                         CString* pSecondLocation)
    : CDialog(IDD_CONNECT, pParent), m_strLocation(*pLocation), m_strSecondLocation(*pSecondLocation),
      m_strAltLocation(*pAltLocation), m_strServerName(*pServerName), m_pThread(nullptr), m_pParams(nullptr)
{
}

CDlgConnect::~CDlgConnect()
{
    if (m_pParams)
        m_pParams->Release();
}

BOOL CDlgConnect::OnInitDialog()
{
    CDialog::OnInitDialog();
    CString strLabel;
    strLabel.Format("Connecting to %s...",
                    m_strServerName.IsEmpty() ? QUENDAR_DOWNLOAD_HOST : static_cast<LPCSTR>(m_strServerName));
    SetDlgItemText(IDC_CONNECT_LABEL, strLabel);
    g_hDlgConnect = m_hWnd;
    // The worker starts once the dialog is on screen.
    PostMessage(g_uConnectMsg);
    return TRUE;
}

LRESULT CDlgConnect::OnConnect(WPARAM, LPARAM)
{
    m_pParams = new CConnectParams;
    m_pParams->nFetchId = InterlockedIncrement(&g_nConnectFetchId);
    m_pParams->strFirst = m_strAltLocation.IsEmpty() ? m_strLocation : m_strAltLocation;
    m_pParams->strSecond = m_strSecondLocation;
    // The mirror follows this fetch from now on.
    InterlockedExchange(&g_bConnectRun, 1);
    m_pThread = AfxBeginThread(ConnectThreadProc, m_pParams);
    if (!m_pThread) {
        m_pParams->Release(); // the worker's share
        EndDialog(IDCANCEL);
    }
    return 0;
}

LRESULT CDlgConnect::OnConnected(WPARAM wParam, LPARAM lParam)
{
    // A worker of an earlier, cancelled dialog may still report here; only our own ends us.
    if (!m_pParams || lParam != m_pParams->nFetchId)
        return 0;
    EndDialog(wParam == CONNECT_FAILED ? IDCANCEL : IDOK);
    return 0;
}

void CDlgConnect::OnCancel()
{
    // A read under way sees the flag at its next chunk; the dialog does not wait for it.
    if (m_pParams)
        SetConnectFlag(*m_pParams, m_pParams->bRun, g_bConnectRun, 0);
    EndDialog(IDCANCEL);
}

BOOL CDlgConnect::DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)
{
    if (uMsg == g_uConnectMsg) {
        lResult = OnConnect(wParam, lParam);
        return TRUE;
    }
    if (uMsg == g_uConnectedMsg) {
        lResult = OnConnected(wParam, lParam);
        return TRUE;
    }
    return CDialog::DialogProc(uMsg, wParam, lParam, lResult);
}

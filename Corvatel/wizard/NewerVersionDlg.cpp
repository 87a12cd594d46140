#include "NewerVersionDlg.h"

#include "Utilities.h"
#include "resource.h"

#include <commctrl.h>
#include <shellapi.h>

CNewerVersionDlg::CNewerVersionDlg(CWnd* pParent, CString strMessage, const CString& strDownloadUrl)
    : CDialog(IDD_NEWER_VERSION, pParent), m_strMessage(strMessage), m_strDownloadUrl(strDownloadUrl)
{
}

bool CNewerVersionDlg::IsLinkWorking() const
{
    return IsWebAddress(m_strDownloadUrl);
}

BOOL CNewerVersionDlg::OnInitDialog()
{
    BOOL bResult = CDialog::OnInitDialog();
    if (!IsLinkWorking())
        ::EnableWindow(GetDlgItem(IDC_DOWNLOAD_LINK), FALSE);
    return bResult;
}

void CNewerVersionDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_NEWER_MESSAGE, m_strMessage);
}

void CNewerVersionDlg::OnDownloadLinkClick(LRESULT& lResult)
{
    lResult = 0;
    if (IsLinkWorking())
        ShellExecuteA(m_hWnd, "open", m_strDownloadUrl, nullptr, nullptr, SW_SHOW);
}

BOOL CNewerVersionDlg::DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)
{
    if (uMsg == WM_NOTIFY) {
        const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
        if (pHeader->idFrom == IDC_DOWNLOAD_LINK && (pHeader->code == NM_CLICK || pHeader->code == NM_RETURN)) {
            OnDownloadLinkClick(lResult);
            return TRUE;
        }
    }
    return CDialog::DialogProc(uMsg, wParam, lParam, lResult);
}

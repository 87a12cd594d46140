#include "PropPage_Base.h"

#include "PropSheet_Corvatel.h"
#include "WindowsVersion.h"
#include "resource.h"

#include <AfxMessageBox.h>

#include <shlobj.h>

CPropPage_Base::CPropPage_Base(CPropSheet_Corvatel* pSheet, UINT nIDTemplate, UINT nIDHeaderTitle,
                               UINT nIDHeaderSubTitle, UINT nIDCaption)
    : CPropertyPage(nIDTemplate, nIDCaption, nIDHeaderTitle, nIDHeaderSubTitle), m_pSheet(pSheet)
{
}

BOOL CPropPage_Base::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_pSheet)
        return TRUE;

    CWindowsVersion version;
    if (GetDlgItem(IDC_VERSION_LINE))
        SetDlgItemText(IDC_VERSION_LINE, CPropSheet_Corvatel::GetOwnVersionText());

    CString strWindows;
    if (version.IsWindowsVista())
        strWindows.Format("%s %s", static_cast<LPCSTR>(version.WindowsVersionName()),
                          static_cast<LPCSTR>(version.WindowsEditionName()));
    else
        strWindows = version.WmiOsCaption();
    if (GetDlgItem(IDC_WINDOWS_LINE))
        SetDlgItemText(IDC_WINDOWS_LINE, strWindows);

    if (GetDlgItem(IDC_USER_LINE)) {
        CString strUac = "N/A";
        if (version.IsWindowsVista())
            strUac = m_pSheet->m_sysInfo.m_bUacEnabled ? "Enabled" : "Disabled";
        CString strFormat, strLine;
        strFormat.LoadString(IDS_USER_LINE);
        strLine.Format(strFormat, static_cast<LPCSTR>(m_pSheet->m_sysInfo.m_strUserName),
                       IsUserAnAdmin() ? " (Admin)" : "", static_cast<LPCSTR>(strUac));
        SetDlgItemText(IDC_USER_LINE, strLine);
    }
    return TRUE;
}

BOOL CPropPage_Base::OnSetActive()
{
    HWND hSheet = GetParent(m_hWnd);
    int nIndex = static_cast<int>(::SendMessageA(hSheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(m_hWnd), 0));
    int nLast = m_pSheet ? m_pSheet->GetPageCount() - 1 : 0;
    DWORD dwButtons = PSWIZB_BACK | PSWIZB_NEXT;
    if (nIndex == 0)
        dwButtons = PSWIZB_NEXT;
    else if (nIndex == nLast)
        dwButtons = PSWIZB_BACK;
    // Posted, so it takes effect after the page change has finished.
    ::PostMessageA(hSheet, PSM_SETWIZBUTTONS, 0, dwButtons);
    return CPropertyPage::OnSetActive();
}

BOOL CPropPage_Base::PreTranslateMessage(MSG* pMsg)
{
    if ((pMsg->message == WM_KEYDOWN || pMsg->message == WM_KEYUP) && pMsg->wParam == VK_ESCAPE)
        return TRUE;
    return CPropertyPage::PreTranslateMessage(pMsg);
}

BOOL CPropPage_Base::OnQueryCancel()
{
    CString strQuestion;
    strQuestion.LoadString(IDS_CONFIRM_EXIT);
    if (AfxMessageBox(strQuestion, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES)
        return CPropertyPage::OnQueryCancel();
    return FALSE;
}

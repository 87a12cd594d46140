#include "CPropertyPage.h"
#include "ModuleState.h"

namespace {

CString LoadText(UINT nID)
{
    CString str;
    if (nID)
        str.LoadString(nID);
    return str;
}

} // namespace

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption, UINT nIDHeaderTitle, UINT nIDHeaderSubTitle)
    : CDialog(nIDTemplate), m_psp(), m_strCaption(LoadText(nIDCaption)), m_strHeaderTitle(LoadText(nIDHeaderTitle)),
      m_strHeaderSubTitle(LoadText(nIDHeaderSubTitle))
{
    m_psp.dwSize = sizeof(m_psp);
    m_psp.hInstance = AfxGetResourceHandle();
    m_psp.pszTemplate = MAKEINTRESOURCEA(nIDTemplate);
    m_psp.pfnDlgProc = StaticPageProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
    if (!m_strCaption.IsEmpty()) {
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = m_strCaption;
    }
    if (!m_strHeaderTitle.IsEmpty()) {
        m_psp.dwFlags |= PSP_USEHEADERTITLE;
        m_psp.pszHeaderTitle = m_strHeaderTitle;
    }
    if (!m_strHeaderSubTitle.IsEmpty()) {
        m_psp.dwFlags |= PSP_USEHEADERSUBTITLE;
        m_psp.pszHeaderSubTitle = m_strHeaderSubTitle;
    }
}

BOOL CPropertyPage::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CPropertyPage::OnSetActive()
{
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return UpdateData(TRUE);
}

LRESULT CPropertyPage::OnWizardNext()
{
    return 0;
}

LRESULT CPropertyPage::OnWizardBack()
{
    return 0;
}

BOOL CPropertyPage::OnWizardFinish()
{
    return TRUE;
}

BOOL CPropertyPage::OnQueryCancel()
{
    return TRUE;
}

void CPropertyPage::OnCancel() {}

void CPropertyPage::OnHelp()
{
    // The sheet's Help button is a command to the program.
    ::SendMessageA(::GetParent(m_hWnd), WM_COMMAND, IDHELP, 0);
}

BOOL CPropertyPage::DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)
{
    if (uMsg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
        return FALSE; // the sheet owns OK and Cancel
    if (uMsg != WM_NOTIFY)
        return CDialog::DialogProc(uMsg, wParam, lParam, lResult);

    // comctl32's answers are inverted or coded differently per notification; they are translated here only.
    switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE: // 0 accepts the page, -1 refuses it
        lResult = OnSetActive() ? 0 : -1;
        return TRUE;
    case PSN_KILLACTIVE: // FALSE lets the page go
        lResult = OnKillActive() ? FALSE : TRUE;
        return TRUE;
    case PSN_WIZNEXT: // 0 next, -1 stay, or a template id
        lResult = OnWizardNext();
        return TRUE;
    case PSN_WIZBACK:
        lResult = OnWizardBack();
        return TRUE;
    case PSN_WIZFINISH: // FALSE lets the wizard close
        lResult = OnWizardFinish() ? FALSE : TRUE;
        return TRUE;
    case PSN_QUERYCANCEL: // FALSE lets the wizard close
        lResult = OnQueryCancel() ? FALSE : TRUE;
        return TRUE;
    case PSN_RESET:
        OnCancel();
        lResult = 0;
        return TRUE;
    case PSN_HELP:
        OnHelp();
        lResult = 0;
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK CPropertyPage::StaticPageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // comctl32 passes its copy of the page record; its lParam is the page object.
    if (uMsg == WM_INITDIALOG)
        lParam = reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam;
    return CDialog::StaticDialogProc(hWnd, uMsg, wParam, lParam);
}

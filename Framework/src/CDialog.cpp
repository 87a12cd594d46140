#include "CDialog.h"
#include "ModuleState.h"

CDialog::CDialog(UINT nIDTemplate, CWnd* pParent) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParent) {}

INT_PTR CDialog::DoModal()
{
    return DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr,
                           StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)
{
    switch (uMsg) {
    case WM_DRAWITEM: {
        HWND hControl = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        if (wParam == 0 || !hControl)
            return FALSE; // a menu item
        lResult = ::SendMessageA(hControl, WM_REFLECT_DRAWITEM, wParam, lParam);
        return lResult != 0;
    }
    case WM_INITDIALOG:
        lResult = OnInitDialog();
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
        }
        return FALSE;
    case WM_CLOSE:
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        reinterpret_cast<CDialog*>(lParam)->m_hWnd = hWnd;
    }
    CDialog* pDialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    if (!pDialog)
        return FALSE;
    LRESULT lResult = 0;
    BOOL bHandled = pDialog->DialogProc(uMsg, wParam, lParam, lResult);
    if (uMsg == WM_NCDESTROY) {
        SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        pDialog->m_hWnd = nullptr;
    }
    if (uMsg == WM_INITDIALOG)
        return static_cast<INT_PTR>(lResult);
    if (bHandled)
        SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, lResult);
    return bHandled;
}

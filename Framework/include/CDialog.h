// CDialog: a modal dialog from a dialog template in the current resource module.
// Derived dialogs handle messages by overriding DialogProc and falling back to the base.
#pragma once

#include "CDataExchange.h"
#include "CWnd.h"

// What a dialog sends an owner-drawn control of its own when Windows asks the dialog to draw it:
// the WM_DRAWITEM arguments unchanged. A control that drew itself answers TRUE.
#define WM_REFLECT_DRAWITEM (WM_USER + 0x1C00 + WM_DRAWITEM)

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParent = nullptr);

    // Runs the dialog until EndDialog; -1 when the template cannot be loaded.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    // Runs DoDataExchange: out of the controls when bSaveAndValidate, into them otherwise.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    // Called once the controls exist; fills them from the members. TRUE gives the focus to the first control.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    // Enter, or a button with id IDOK.
    virtual void OnOK();
    // Escape, the close box, or a button with id IDCANCEL.
    virtual void OnCancel();
    // Return TRUE when the message was handled; the result goes to the caller through DWLP_MSGRESULT.
    virtual BOOL DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    // Ties the window to the object given with WM_INITDIALOG and forwards every message to DialogProc.
    static INT_PTR CALLBACK StaticDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
};

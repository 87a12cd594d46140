// CPropertyPage: one page of a CPropertySheet, made from a dialog template in the current resource
// module. The sheet's notifications become the virtuals below, all in one place (the page's DialogProc).
#pragma once

#include "CDialog.h"

#include <commctrl.h>
#include <prsht.h>

class CPropertyPage : public CDialog
{
public:
    // Caption and header strings are string-table ids; 0 leaves that text out.
    CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0, UINT nIDHeaderTitle = 0, UINT nIDHeaderSubTitle = 0);

    // Messages of the sheet's loop, before they are dispatched; TRUE eats the message.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    PROPSHEETPAGEA m_psp;

protected:
    // The page becomes current; FALSE refuses it.
    virtual BOOL OnSetActive();
    // The page is about to be left; FALSE keeps it.
    virtual BOOL OnKillActive();
    // Next pressed: 0 goes to the next page, -1 stays, a template id goes to that page.
    virtual LRESULT OnWizardNext();
    // Back pressed: as OnWizardNext.
    virtual LRESULT OnWizardBack();
    // Finish pressed: TRUE lets the wizard close.
    virtual BOOL OnWizardFinish();
    // Cancel or the close box: TRUE lets the wizard close.
    virtual BOOL OnQueryCancel();
    // The wizard was cancelled and is closing.
    void OnCancel() override;
    // Help pressed.
    virtual void OnHelp();

    BOOL DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static INT_PTR CALLBACK StaticPageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    CString m_strCaption;
    CString m_strHeaderTitle;
    CString m_strHeaderSubTitle;
};

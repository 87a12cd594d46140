// CPropPage_License: the licence page: the licence text the user must agree to. Only agreement
// enables Next; the choice lasts for the whole run.
#pragma once

#include "PropPage_Base.h"

#include <richedit.h>

class CPropPage_License : public CPropPage_Base
{
public:
    explicit CPropPage_License(CPropSheet_Corvatel* pSheet);

    int GetPageId() const override { return 103; }

    // Fills the rich-text box from the sheet's licence text, or from the licence file beside the
    // program when the sheet has none.
    void LoadLicenseText();
    void OnAgree();
    void OnDisagree();
    // Rich-text stream callbacks; the cookie is the text still to come, or the open licence file.
    static DWORD CALLBACK StreamFromText(DWORD_PTR dwCookie, LPBYTE pbBuff, LONG cb, LONG* pcb);
    static DWORD CALLBACK StreamFromFile(DWORD_PTR dwCookie, LPBYTE pbBuff, LONG cb, LONG* pcb);

    // 0 agreed, 1 not agreed: the index in the radio group at "I agree".
    int m_nAgree = 1;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    void StreamIn(EDITSTREAMCALLBACK pfnCallback, DWORD_PTR dwCookie);
};

// CPropPage_Base: what every wizard page shares: its sheet, the three status lines in its lower
// right corner, the wizard buttons by the page's position, Escape eaten, and the exit question.
#pragma once

#include <CPropertyPage.h>

class CPropSheet_Corvatel;

class CPropPage_Base : public CPropertyPage
{
public:
    CPropPage_Base(CPropSheet_Corvatel* pSheet, UINT nIDTemplate, UINT nIDHeaderTitle, UINT nIDHeaderSubTitle,
                   UINT nIDCaption = 0);

    BOOL PreTranslateMessage(MSG* pMsg) override;
    virtual int GetPageId() const { return 0; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnQueryCancel() override;

    CPropSheet_Corvatel* m_pSheet;
};

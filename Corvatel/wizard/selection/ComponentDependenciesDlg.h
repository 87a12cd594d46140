// CComponentDependenciesDlg: "Component Dependencies": a read-only text report under a heading;
// the selection page shows its catalogue report in it when the "DUMP" switch is given.
#pragma once

#include <CDialog.h>

class CComponentDependenciesDlg : public CDialog
{
public:
    CComponentDependenciesDlg(CWnd* pParent, CString strHeading, CString strReport);

protected:
    void DoDataExchange(CDataExchange* pDX) override;

private:
    CString m_strHeading;
    CString m_strReport;
};

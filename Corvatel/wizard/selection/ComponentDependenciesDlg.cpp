#include "ComponentDependenciesDlg.h"

#include "resource.h"

CComponentDependenciesDlg::CComponentDependenciesDlg(CWnd* pParent, CString strHeading, CString strReport)
    : CDialog(IDD_COMPONENT_DEPENDENCIES, pParent), m_strHeading(strHeading), m_strReport(strReport)
{
}

void CComponentDependenciesDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_REPORT, m_strReport);
    DDX_Text(pDX, IDC_REPORT_HEADING, m_strHeading);
}

#include "ComponentDetails.h"

#include "PropSheet_Corvatel.h"
#include "resource.h"

CComponentDetails::CComponentDetails(CWnd* pParent, CPropSheet_Corvatel* pSheet, CAppDetailsObj* pItem, CObList* pList)
    : CDialog(IDD_COMPONENT_DETAILS, pParent), m_pSheet(pSheet), m_pItem(pItem), m_pList(pList)
{
    CProductInfo* pProduct = pItem->m_pProductInfo;
    m_strName = pProduct->GetName();
    m_strFileName = pProduct->GetExe();
    m_strRemoteFile = pProduct->GetDownload();
    m_strFileDate = pProduct->GetDate();
    m_strFileSize.Format("%.02f MB", pProduct->m_fSize);
    m_strLatestVersion = pProduct->GetVersion();
    m_strReleaseNotes = pProduct->GetRelNotes();
    m_strReboot = pProduct->m_bReboot ? "Yes" : "No";
    m_strInstallFolder = pProduct->GetInstalledPath();
    m_strInstalledVersion = pProduct->GetInstalledVersion();
}

void CComponentDetails::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_COMPONENT_NAME, m_strName);
    DDX_Text(pDX, IDC_FILE_NAME, m_strFileName);
    DDX_Text(pDX, IDC_REMOTE_FILE, m_strRemoteFile);
    DDX_Text(pDX, IDC_FILE_DATE, m_strFileDate);
    DDX_Text(pDX, IDC_FILE_SIZE, m_strFileSize);
    DDX_Text(pDX, IDC_LATEST_VERSION, m_strLatestVersion);
    DDX_Text(pDX, IDC_RELEASE_NOTES, m_strReleaseNotes);
    DDX_Text(pDX, IDC_REBOOT_REQUIRED, m_strReboot);
    DDX_Text(pDX, IDC_INSTALLED_FOLDER, m_strInstallFolder);
    DDX_Text(pDX, IDC_INSTALLED_VERSION, m_strInstalledVersion);
}

BOOL CComponentDetails::OnInitDialog()
{
    CDialog::OnInitDialog();
    ShowInstallStatus();
    CString strFormat, strText;
    strFormat.LoadString(IDS_REQUIRED_BY);
    strText.Format(strFormat, static_cast<LPCSTR>(m_strName));
    SetDlgItemText(IDC_REQUIRED_BY_GROUP, strText);
    m_list.m_hWnd = GetDlgItem(IDC_COMPONENT_LIST);
    InitListColumns();
    FillRequiredByList();
    return TRUE;
}

void CComponentDetails::ShowInstallStatus()
{
    bool bInstalled = !m_strInstalledVersion.IsEmpty();
    ShowWindow(GetDlgItem(IDC_NOT_INSTALLED), bInstalled ? SW_HIDE : SW_SHOW);
    for (int nID : {IDC_INSTALLED_FOLDER_LABEL, IDC_INSTALLED_FOLDER, IDC_INSTALLED_VERSION_LABEL, IDC_INSTALLED_VERSION})
        ShowWindow(GetDlgItem(nID), bInstalled ? SW_SHOW : SW_HIDE);
}

void CComponentDetails::InitListColumns()
{
    RECT rc = {};
    GetClientRect(m_list.m_hWnd, &rc);
    int nWidth = (rc.right - rc.left) / 2;
    CString strFormat, strHeading;
    strFormat.LoadString(IDS_MINIMUM_VERSION);
    strHeading.Format(strFormat, static_cast<LPCSTR>(m_strName));
    m_list.InsertColumn(0, "Component", LVCFMT_LEFT, nWidth);
    m_list.InsertColumn(1, strHeading, LVCFMT_LEFT, nWidth);
}

void CComponentDetails::FillRequiredByList()
{
    for (POSITION pos = m_pList->GetHeadPosition(); pos;) {
        CProductInfo* pProduct = static_cast<CAppDetailsObj*>(m_pList->GetNext(pos))->m_pProductInfo;
        if (!pProduct->m_bShowProduct)
            continue;
        for (int i = 0; i < pProduct->m_nDependencyCount; ++i) {
            CProductInfo& entry = pProduct->m_pDependencies[i];
            if (entry.GetName().CompareNoCase(m_strName) != 0)
                continue;
            // Inserted at the entry's place in its application (the list appends beyond its end).
            int nRow = m_list.InsertItem(i, pProduct->GetName());
            CString strMinimum = entry.GetMinRequiredVersion();
            m_list.SetItemText(nRow, 1, strMinimum.IsEmpty() ? "<none>" : static_cast<LPCSTR>(strMinimum));
            break;
        }
    }
}

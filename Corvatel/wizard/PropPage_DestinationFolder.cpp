#include "PropPage_DestinationFolder.h"

#include "DirectoryExists.h"
#include "PropSheet_Corvatel.h"
#include "resource.h"

#include <AfxMessageBox.h>
#include <CRegKey.h>

#include <shlobj.h>

namespace {

const char kProgramKey[] = "SOFTWARE\\Quendar Electronics Inc.\\Quendar Corvatel";

// Trims the folder, offers the default for an empty one and creates it when missing; true when
// it exists at the end. The user has been told why when it does not.
bool PrepareFolder(CString& strFolder, const CString& strDefault, const char* pszEmptyQuestion,
                   const char* pszInvalidMessage)
{
    strFolder.Trim();
    if (strFolder.IsEmpty()) {
        CString strQuestion;
        strQuestion.Format(pszEmptyQuestion, static_cast<LPCSTR>(strDefault));
        if (AfxMessageBox(strQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
        strFolder = strDefault;
    }
    if (!DirectoryExists(strFolder))
        SHCreateDirectoryExA(nullptr, strFolder, nullptr);
    if (DirectoryExists(strFolder))
        return true;
    CString strMessage;
    strMessage.Format(pszInvalidMessage, static_cast<LPCSTR>(strFolder));
    AfxMessageBox(strMessage, MB_OK);
    return false;
}

} // namespace

CPropPage_DestinationFolder::CPropPage_DestinationFolder(CPropSheet_Corvatel* pSheet)
    : CPropPage_Base(pSheet, IDD_DESTINATION_FOLDER, IDS_FOLDER_TITLE, IDS_FOLDER_SUBTITLE)
{
}

void CPropPage_DestinationFolder::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_DOWNLOAD_FOLDER, m_strDownload);
    DDX_Text(pDX, IDC_INSTALL_FOLDER, m_strInstall);
}

BOOL CPropPage_DestinationFolder::OnInitDialog()
{
    CPropPage_Base::OnInitDialog();
    if (m_pSheet->m_strDownloadFolder.IsEmpty()) {
        m_pSheet->m_strDownloadFolder = CPropSheet_Corvatel::GetDefaultDownloadFolder();
        m_pSheet->m_pSkelvar->SetDownloadPath(m_pSheet->m_strDownloadFolder);
        m_pSheet->m_pSkelvar->SetRegistryInfo();
    }
    m_strDownload = m_pSheet->m_strDownloadFolder;
    m_strInstall = m_pSheet->m_strInstallRoot;
    if (m_strInstall.IsEmpty()) {
        // The sheet learns of it only when the user goes on.
        m_strInstall = CPropSheet_Corvatel::GetDefaultInstallRoot();
        if (!DirectoryExists(m_strInstall))
            SHCreateDirectoryExA(nullptr, m_strInstall, nullptr);
    }
    UpdateData(FALSE);
    return TRUE;
}

BOOL CPropPage_DestinationFolder::CheckDownloadFolder()
{
    if (!PrepareFolder(m_strDownload, CPropSheet_Corvatel::GetDefaultDownloadFolder(),
                       "The download folder location is empty.  Would you like %s to be the default?",
                       "The download folder cannot be be created or contains invalid characters: '%s'"))
        return FALSE;
    m_pSheet->m_pSkelvar->SetDownloadPath(m_strDownload);
    m_pSheet->m_pSkelvar->SetRegistryInfo();
    m_pSheet->m_strDownloadFolder = m_strDownload;
    UpdateData(FALSE);
    return TRUE;
}

BOOL CPropPage_DestinationFolder::CheckInstallFolder()
{
    if (!PrepareFolder(m_strInstall, CPropSheet_Corvatel::GetDefaultInstallRoot(),
                       "The install folder location is empty.  Would you like %s to be the default?",
                       "The install folder cannot be be created or contains invalid characters: '%s'"))
        return FALSE;
    m_pSheet->m_strInstallRoot = m_strInstall;
    SaveInstallFolder();
    UpdateData(FALSE);
    return TRUE;
}

BOOL CPropPage_DestinationFolder::SaveInstallFolder()
{
    CRegKey key;
    return key.Create(HKEY_LOCAL_MACHINE, kProgramKey, KEY_WRITE) == ERROR_SUCCESS &&
           key.SetStringValue("Install", m_strInstall) == ERROR_SUCCESS;
}

LRESULT CPropPage_DestinationFolder::OnWizardNext()
{
    UpdateData(TRUE);
    // The download folder goes first: its registry write also stores the client's old "Install",
    // which the install folder's own write then replaces.
    if (!CheckDownloadFolder()) {
        SelectEdit(IDC_DOWNLOAD_FOLDER);
        return -1;
    }
    if (!CheckInstallFolder()) {
        SelectEdit(IDC_INSTALL_FOLDER);
        return -1;
    }
    return CPropPage_Base::OnWizardNext();
}

void CPropPage_DestinationFolder::SelectEdit(int nID)
{
    HWND hEdit = GetDlgItem(nID);
    ::SetFocus(hEdit);
    ::SendMessageA(hEdit, EM_SETSEL, 0, -1);
    ::SendMessageA(hEdit, EM_SCROLLCARET, 0, 0);
}

void CPropPage_DestinationFolder::OnBrowseDownload()
{
    CString strFolder = BrowseForFolder("Please choose a folder for where the components should be downloaded");
    if (strFolder.IsEmpty())
        return;
    m_strDownload = strFolder;
    CheckDownloadFolder();
}

void CPropPage_DestinationFolder::OnBrowseInstall()
{
    CString strFolder = BrowseForFolder("Please choose a root folder for where the components should be installed");
    if (strFolder.IsEmpty())
        return;
    m_strInstall = strFolder;
    CheckInstallFolder();
}

CString CPropPage_DestinationFolder::BrowseForFolder(LPCSTR pszTitle)
{
    LPITEMIDLIST pRoot = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pRoot);
    char szDisplayName[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.pidlRoot = pRoot;
    info.pszDisplayName = szDisplayName;
    info.lpszTitle = pszTitle;
    LPITEMIDLIST pChosen = SHBrowseForFolderA(&info);
    CString strFolder;
    char szPath[MAX_PATH] = {};
    if (pChosen && SHGetPathFromIDListA(pChosen, szPath))
        strFolder = szPath;
    CoTaskMemFree(pChosen);
    CoTaskMemFree(pRoot);
    return strFolder;
}

BOOL CPropPage_DestinationFolder::DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)
{
    if (uMsg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_BROWSE_DOWNLOAD:
            OnBrowseDownload();
            return TRUE;
        case IDC_BROWSE_INSTALL:
            OnBrowseInstall();
            return TRUE;
        }
    }
    return CPropPage_Base::DialogProc(uMsg, wParam, lParam, lResult);
}

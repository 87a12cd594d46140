// CPropPage_DestinationFolder: the folders page: where setups are downloaded and under which new
// components are installed. Missing folders are created; the chosen ones are stored in the sheet
// and in the program's registry key.
#pragma once

#include "PropPage_Base.h"

class CPropPage_DestinationFolder : public CPropPage_Base
{
public:
    explicit CPropPage_DestinationFolder(CPropSheet_Corvatel* pSheet);

    int GetPageId() const override { return 102; }

    // Non-zero when the folder in the field exists (created if need be) and is stored.
    BOOL CheckDownloadFolder();
    BOOL CheckInstallFolder();
    // Writes the install root to the program key's "Install"; non-zero on success.
    BOOL SaveInstallFolder();
    // The shell's folder dialog under My Computer; the chosen folder or an empty text.
    static CString BrowseForFolder(LPCSTR pszTitle);

    CString m_strDownload;
    CString m_strInstall;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT OnWizardNext() override;
    BOOL DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    void OnBrowseDownload();
    void OnBrowseInstall();
    // Puts the focus on the edit with its whole text selected and in view.
    void SelectEdit(int nID);
};

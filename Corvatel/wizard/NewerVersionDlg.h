// CNewerVersionDlg: the notice that the catalogue needs a newer Corvatel, with a link to the
// page where the newer program can be downloaded. The link works only for a web address.
#pragma once

#include <CDialog.h>

class CNewerVersionDlg : public CDialog
{
public:
    CNewerVersionDlg(CWnd* pParent, CString strMessage, const CString& strDownloadUrl);

    // Whether the link opens the address: only a web address is handed to the shell.
    bool IsLinkWorking() const;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    // Opens the download page; the dialog stays open.
    void OnDownloadLinkClick(LRESULT& lResult);

    CString m_strMessage;
    CString m_strDownloadUrl;
};

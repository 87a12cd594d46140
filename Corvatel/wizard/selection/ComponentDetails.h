// CComponentDetails: "Component Details": what the catalogue and this computer say about one
// component, and the applications whose catalogue entries require it. Read-only.
#pragma once

#include <CDialog.h>
#include <CListCtrl.h>

class CAppDetailsObj;
class CObList;
class CPropSheet_Corvatel;

class CComponentDetails : public CDialog
{
public:
    // pList: the records searched for applications that require the component.
    CComponentDetails(CWnd* pParent, CPropSheet_Corvatel* pSheet, CAppDetailsObj* pItem, CObList* pList);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

private:
    void ShowInstallStatus();
    void InitListColumns();
    void FillRequiredByList();

    CPropSheet_Corvatel* m_pSheet;
    CAppDetailsObj* m_pItem;
    CObList* m_pList;
    CListCtrl m_list;
    CString m_strName;
    CString m_strFileName;
    CString m_strRemoteFile;
    CString m_strFileDate;
    CString m_strFileSize;
    CString m_strLatestVersion;
    CString m_strReleaseNotes;
    CString m_strReboot;
    CString m_strInstallFolder;
    CString m_strInstalledVersion;
};

// CComponentsRequiredDlg: "Components Required": the components an application needs, each with
// its size, the minimum version the application requires, the installed and the latest version,
// and its class as an image. Read-only.
#pragma once

#include <CDialog.h>
#include <CImageList.h>
#include <CListCtrl.h>

class CAppDetailsObj;
class CPropSheet_Corvatel;

class CComponentsRequiredDlg : public CDialog
{
public:
    CComponentsRequiredDlg(CWnd* pParent, CPropSheet_Corvatel* pSheet, CAppDetailsObj* pItem);

protected:
    BOOL OnInitDialog() override;

private:
    void InitListColumns();
    void FillList();

    CPropSheet_Corvatel* m_pSheet;
    CAppDetailsObj* m_pItem;
    CListCtrl m_list;
    CImageList m_imageList;
};

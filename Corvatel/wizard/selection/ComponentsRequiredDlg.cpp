#include "ComponentsRequiredDlg.h"

#include "PropSheet_Corvatel.h"
#include "resource.h"

CComponentsRequiredDlg::CComponentsRequiredDlg(CWnd* pParent, CPropSheet_Corvatel* pSheet, CAppDetailsObj* pItem)
    : CDialog(IDD_COMPONENTS_REQUIRED, pParent), m_pSheet(pSheet), m_pItem(pItem)
{
}

BOOL CComponentsRequiredDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CProductInfo* pProduct = m_pItem->m_pProductInfo;
    SetDlgItemText(IDC_COMPONENT_NAME, pProduct->GetName());
    m_imageList.Create(IDB_ROW_IMAGES, 16, 1, RGB(255, 0, 255));
    m_list.m_hWnd = GetDlgItem(IDC_COMPONENT_LIST);
    m_list.SetImageList(m_imageList, LVSIL_SMALL);
    InitListColumns();
    FillList();
    bool bAny = pProduct->m_nDependencyCount > 0;
    ShowWindow(m_list.m_hWnd, bAny ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(IDC_NO_DEPENDENCIES), bAny ? SW_HIDE : SW_SHOW);
    return TRUE;
}

void CComponentsRequiredDlg::InitListColumns()
{
    RECT rc = {};
    GetClientRect(m_list.m_hWnd, &rc);
    int nWidth = (rc.right - rc.left) / 5;
    const char* const kHeadings[] = {"Component", "Size", "Minimum Version Required", "Installed Version",
                                     "Latest Available Version"};
    for (int i = 0; i < 5; ++i)
        m_list.InsertColumn(i, kHeadings[i], LVCFMT_LEFT, nWidth);
}

void CComponentsRequiredDlg::FillList()
{
    CProductInfo* pProduct = m_pItem->m_pProductInfo;
    for (int i = 0; i < pProduct->m_nDependencyCount; ++i) {
        CProductInfo entry(pProduct->m_pDependencies[i]);
        CAppDetailsObj* pRecord =
            CPropSheet_Corvatel::FindProduct(&m_pSheet->m_lstProductItems, entry.GetName(), entry.GetVersion(), 0);
        // A component that has no row of its own was never looked up on this computer: look now,
        // or an installed one would read "<not installed>".
        if (pRecord)
            m_pSheet->IsProductNew(pRecord->m_pProductInfo);
        int nClass = m_pSheet->CompareInstalledVersion(pRecord, &entry);
        int nRow = m_list.InsertItem(i, entry.GetName(), nClass);
        CString strText;
        strText.Format("%.2fM", entry.m_fSize);
        m_list.SetItemText(nRow, 1, strText);
        strText = entry.GetMinRequiredVersion();
        m_list.SetItemText(nRow, 2, strText.IsEmpty() ? "<none>" : static_cast<LPCSTR>(strText));
        if (!pRecord)
            continue;
        strText = pRecord->m_pProductInfo->GetInstalledVersion();
        m_list.SetItemText(nRow, 3, strText.IsEmpty() ? "<not installed>" : static_cast<LPCSTR>(strText));
        m_list.SetItemText(nRow, 4, pRecord->m_pProductInfo->GetVersion());
    }
}

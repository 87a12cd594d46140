#include "PropPage_Install.h"

#include "PropSheet_Corvatel.h"
#include "TreeListCtrl_Install.h"
#include "Utilities.h"
#include "resource.h"

namespace {

const UINT kInstallListId = 502;

} // namespace

CPropPage_Install::CPropPage_Install(CPropSheet_Corvatel* pSheet)
    : CPropPage_Base(pSheet, IDD_INSTALL, IDS_INSTALL_TITLE, IDS_INSTALL_SUBTITLE), m_pInstallList(nullptr)
{
}

CPropPage_Install::~CPropPage_Install()
{
    delete m_pInstallList;
}

BOOL CPropPage_Install::OnInitDialog()
{
    CPropPage_Base::OnInitDialog();
    // A run starts a new log; the dialog is initialised once, so Back and Next keep it.
    DeleteFileIfExists(GetLogFilePath());
    CreateInstallList();
    return TRUE;
}

void CPropPage_Install::CreateInstallList()
{
    auto* pList = new CTreeListCtrl_Install;
    if (!pList->CreateOver(this, IDC_INSTALL_LIST_PLACE, kInstallListId)) {
        delete pList;
        return;
    }
    pList->m_pOwner = m_pSheet;
    m_pInstallList = pList;
    m_pInstallList->PostMessage(WM_TREE_REFRESH);
}

BOOL CPropPage_Install::OnSetActive()
{
    ::PostMessageA(GetParent(m_hWnd), PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
    if (m_pInstallList)
        m_pInstallList->PostMessage(WM_TREE_REFRESH);
    return CPropertyPage::OnSetActive();
}

// The install page's commands: the start button, the row menu with its "Install" and the
// component dialogs, the release notes, Cancel and Finish with its offers.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "ComponentDetails.h"
#include "ComponentsRequiredDlg.h"
#include "CorvatelApp.h"
#include "PopupMenu.h"
#include "PropSheet_Corvatel.h"
#include "TreeListCtrl_Install.h"
#include "Utilities.h"
#include "resource.h"

#include <shellapi.h>

namespace {

// The row menu, its items enabled by the selected record's status and by whether an install runs.
class CMyMenu : public CPopupMenu
{
public:
    CMyMenu(CAppDetailsObj* pItem, CPropPage_Install* pPage) : m_pItem(pItem), m_pPage(pPage) {}

    BOOL PrepareMenu(CMenu* pSubMenu) override
    {
        if (!m_pItem)
            return TRUE;
        HMENU hMenu = pSubMenu->m_hMenu;
        int nStatus = m_pItem->GetStatus();
        bool bInstalling = m_pPage->IsAnyInstalling();
        auto enable = [hMenu](UINT nID, bool bEnable) {
            EnableMenuItem(hMenu, nID, MF_BYCOMMAND | (bEnable ? MF_ENABLED : MF_GRAYED));
        };
        enable(ID_ABORT_DOWNLOAD, nStatus >= ItemPreparingDownload && nStatus <= ItemDownloading);
        enable(ID_ABORT_ALL_DOWNLOADS, !m_pPage->AreAllDownloaded(nullptr));
        enable(ID_INSTALL, !bInstalling && nStatus == ItemDownloaded);
        enable(ID_DOWNLOAD, nStatus < ItemDownloading || nStatus > ItemDone);
        enable(ID_ABORT_PENDING_INSTALLS, bInstalling);
        if (!m_pItem->m_lstDependencies.IsEmpty())
            AppendMenuA(hMenu, MF_STRING, ID_COMPONENTS_REQUIRED, "&Multi-part Details...");
        return TRUE;
    }

private:
    CAppDetailsObj* m_pItem;
    CPropPage_Install* m_pPage;
};

} // namespace

void CPropPage_Install::OnDownloadAndInstall()
{
    if (CheckBeforeInstall())
        return;
    ShowDriverNotice();
    WriteLogLine("Begin Download and Install Files", true);
    m_bInstallAfterDownload = true;
    m_bFileMissingLogged = false;
    if (m_pSheet->HasPathOverride())
        InstallLocalFiles();
    else
        StartAllDownloads();
}

LRESULT CPropPage_Install::OnStartProcessing()
{
    if (!CheckDownloadsComplete())
        EnableControls(TRUE);
    return 0;
}

CAppDetailsObj* CPropPage_Install::GetSelectedItem()
{
    if (!m_pInstallList)
        return nullptr;
    CTreeListItem* pRow = m_pInstallList->GetSelectedItem();
    return pRow ? reinterpret_cast<CAppDetailsObj*>(m_pInstallList->GetItemData(pRow)) : nullptr;
}

void CPropPage_Install::OnItemRClicked(const NMTREELIST&)
{
    CAppDetailsObj* pItem = GetSelectedItem();
    if (!pItem)
        return;
    CMyMenu menu(pItem, this);
    POINT point = {};
    GetCursorPos(&point);
    menu.ShowMenu(this, m_pSheet->HasPathOverride() ? IDM_INSTALL_LIST_LOCAL : IDM_INSTALL_LIST, &point);
}

void CPropPage_Install::OnItemDblClicked(const NMTREELIST& notify)
{
    if (!notify.pItem || notify.nColumn != CTreeListCtrl_Install::kReleaseNotesColumn)
        return;
    auto* pItem = reinterpret_cast<CAppDetailsObj*>(m_pInstallList->GetItemData(notify.pItem));
    if (!pItem)
        return;
    // The shell opens whatever the name points to: only a document in the product's own folder.
    CString strNotes = pItem->m_pProductInfo->GetRelNotes();
    if (!strNotes.IsEmpty() && !IsPlainDocumentName(strNotes)) {
        CString strLine;
        strLine.Format("Release notes of %s not opened: \"%s\" is not the name of a document in its folder",
                       static_cast<LPCSTR>(pItem->m_pProductInfo->GetName()), static_cast<LPCSTR>(strNotes));
        WriteLogLine(strLine, true);
        return;
    }
    CString strPath = m_pSheet->GetReleaseNotesPath(pItem);
    if (strPath.IsEmpty())
        return;
    ShellExecuteA(m_hWnd, "open", strPath, nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void CPropPage_Install::OnComponentDetails()
{
    CAppDetailsObj* pItem = GetSelectedItem();
    if (!pItem)
        return;
    CComponentDetails dialog(this, m_pSheet, pItem, &m_pSheet->m_lstProductItems);
    dialog.DoModal();
}

void CPropPage_Install::OnApplicationDependencies()
{
    CAppDetailsObj* pItem = GetSelectedItem();
    if (!pItem)
        return;
    CComponentsRequiredDlg dialog(this, m_pSheet, pItem);
    dialog.DoModal();
}

void CPropPage_Install::OnInstallItem()
{
    CAppDetailsObj* pItem = GetSelectedItem();
    if (!pItem)
        return;
    int nStatus = pItem->GetStatus();
    if (nStatus != ItemDownloaded && nStatus != ItemError && nStatus != ItemInstallAborted)
        return;
    // One setup at a time, whichever road started it: this one runs in a pumped wait too.
    bool bIdle = false;
    if (!m_bSetupRunning.compare_exchange_strong(bIdle, true))
        return;
    m_bMenuSetupRunning = true;
    EnableControls(FALSE);
    ::PostMessageA(GetParent(m_hWnd), PSM_SETWIZBUTTONS, 0, PSWIZB_DISABLEDFINISH);
    unsigned nWithdrawn = m_nInstallsWithdrawn;
    ForEachQueued(pItem, [&](CAppDetailsObj* pQueued, CAppDetailsObj* pOwner, int nPart) {
        if (nWithdrawn != m_nInstallsWithdrawn)
            return false;
        if (pOwner) {
            pOwner->SetInstallPart(nPart);
            UpdateItemStatus(pOwner, nullptr, ItemInstallingPart, "");
        }
        InstallItem(pQueued, pOwner, 0);
        return true;
    });
    m_bSetupRunning = false;
    m_bMenuSetupRunning = false;
    // Downloads that ended while the setups ran are installed now.
    if (m_bRunEndDeferred.exchange(false))
        CheckDownloadsComplete();
    UpdateFinishButton(FALSE);
    EnableControls(TRUE);
}

BOOL CPropPage_Install::OnQueryCancel()
{
    if (IsAnyInstalling()) {
        CString strText;
        strText.LoadString(IDS_INSTALL_RUNNING);
        MessageBox(strText, nullptr, MB_ICONEXCLAMATION);
        return FALSE;
    }
    // Logged before the question, so a No leaves it in the log too.
    WriteLogLine("Canceled", true);
    return CPropPage_Base::OnQueryCancel();
}

BOOL CPropPage_Install::OnWizardFinish()
{
    WriteLogLine("Finished", true);
    BOOL bResult = CPropPage_Base::OnWizardFinish();
    if (m_bRebootNeeded) {
        CString strText;
        strText.LoadString(IDS_RESTART_NEEDED);
        if (MessageBox(strText, nullptr, MB_YESNO) == IDYES)
            RestartWindows();
    } else {
        OfferRunApplication();
        ::PostMessageA(GetParent(m_hWnd), PSM_SETWIZBUTTONS, 0, PSWIZB_DISABLEDFINISH);
    }
    return bResult;
}

void CPropPage_Install::OfferRunApplication()
{
    CString strExe = GetCorvatelApp()->m_cmdInfo.m_strExeName;
    if (strExe.IsEmpty() || !m_bInstallAfterDownload)
        return;
    for (POSITION pos = m_pSheet->m_lstProductItems.GetHeadPosition(); pos;) {
        CProductInfo* pProduct = static_cast<CAppDetailsObj*>(m_pSheet->m_lstProductItems.GetNext(pos))->m_pProductInfo;
        if (pProduct->GetExe().CompareNoCase(strExe) != 0)
            continue;
        CString strFolder = pProduct->GetInstalledPath();
        // The folder comes from the catalogue: it names a folder, never a command or its arguments.
        CString strWhy;
        CString strCommand = BuildProgramCommandLine(strFolder, strExe, strWhy);
        if (strCommand.IsEmpty()) {
            WriteLogLine(pProduct->GetName() + " is not offered to run: " + strWhy, true);
            continue;
        }
        CString strFormat, strText;
        strFormat.LoadString(IDS_RUN_NOW);
        strText.Format(strFormat, static_cast<LPCSTR>(pProduct->GetName()));
        if (MessageBox(strText, nullptr, MB_YESNO) == IDYES)
            RunCommandLine(strCommand, strFolder, INFINITE, false, false);
    }
}

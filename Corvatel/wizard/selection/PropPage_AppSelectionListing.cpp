// The download list of the selection page: each ticked application lists itself and its
// components once per listing; a component two applications need has one row, which goes with
// its last listing. Sizes, the total and the "DUMP" catalogue report are made here.
#include "PropPage_AppSelection.h"

#include "ComponentDependenciesDlg.h"
#include "CorvatelApp.h"
#include "PropSheet_Corvatel.h"
#include "TreeListCtrl_Applications.h"
#include "TreeListCtrl_Downloads.h"
#include "resource.h"

#include <AfxMessageBox.h>

#include <algorithm>

namespace {

// The catalogue report's lines for one application and its dependency entries.
CString ApplicationReport(CProductInfo* pProduct)
{
    CString strStartMenu = pProduct->GetStartMenuText();
    if (!strStartMenu.IsEmpty())
        strStartMenu.Format("     StartMenu Text = %s", static_cast<LPCSTR>(pProduct->GetStartMenuText()));
    CString strMark;
    if (pProduct->m_bBeta)
        strMark = " (*BETA*)";
    if (pProduct->m_bSnip)
        strMark += " (*SNIP*)";
    CString strReport;
    strReport.Format("\r\nApplication: %s%s (version %s    FileName: %s%s)\r\n",
                     static_cast<LPCSTR>(pProduct->GetName()), static_cast<LPCSTR>(strMark),
                     static_cast<LPCSTR>(pProduct->GetVersion()), static_cast<LPCSTR>(pProduct->GetDownload()),
                     static_cast<LPCSTR>(strStartMenu));
    strReport.AppendFormat("Show Product:  %s\r\n", pProduct->m_bShowProduct ? "Show" : "Hide");
    if (pProduct->m_nDependencyCount == 0)
        strReport += "\tDependency: <none>\r\n";
    return strReport;
}

// As the report has always read: the parenthesis opened by the minimum version is closed at the
// end of the line, which closes one that was never opened when there is no minimum.
CString DependencyReport(CProductInfo& dependency)
{
    CString strReport;
    strReport.Format("\tDependency: %s", static_cast<LPCSTR>(dependency.GetName()));
    CString strMinimum = dependency.GetMinRequiredVersion();
    if (!strMinimum.IsEmpty())
        strReport.AppendFormat(" (min release version: %s, ", static_cast<LPCSTR>(strMinimum));
    CString strStartMenu = dependency.GetStartMenuText();
    if (!strStartMenu.IsEmpty())
        strReport += " Start Menu Text: " + strStartMenu;
    strReport.AppendFormat(" Show Dependency: %d, ", dependency.m_bShowDependency ? 1 : 0);
    strReport.AppendFormat(" Display Start Menu : %d)", dependency.m_bDisplayStartMenu ? 1 : 0);
    strReport += "\r\n";
    return strReport;
}

} // namespace

LRESULT CPropPage_AppSelection::OnApplySelection(CTreeListItem* pChangedRow)
{
    CString strReport;
    if (m_pAppTree) {
        BeginActionPass();
        if (pChangedRow) {
            // A row deleted since the click is no longer in the list.
            CAppDetailsObj* pRecord = m_pAppTree->GetItemIndex(pChangedRow) >= 0 ? FindApplication(pChangedRow) : nullptr;
            if (pRecord && m_pAppTree->GetCheck(pChangedRow))
                AddApplication(pRecord, pChangedRow, &strReport);
            else if (pRecord)
                RemoveDownloadRows(pRecord);
        } else {
            int nCount = m_pAppTree->GetCount();
            for (int i = 0; i < nCount; ++i) {
                CTreeListItem* pRow = m_pAppTree->GetTreeListItem(i);
                CAppDetailsObj* pRecord = FindApplication(pRow);
                if (pRecord && m_pAppTree->GetCheck(pRow))
                    AddApplication(pRecord, pRow, &strReport);
            }
            m_bListingPosted = false;
        }
        EndActionPass();
    }
    // The refresh the listings asked for writes the total once, after them all.
    if (!m_bRefreshOwed)
        UpdateData(FALSE);
    ShowWindow(m_hAllUpToDate, SW_HIDE);
    const CCommandLineInfo_Corvatel& commandLine = GetCorvatelApp()->m_cmdInfo;
    if (commandLine.m_bDump) {
        CComponentDependenciesDlg dialog(this, commandLine.m_strXmlFile, strReport);
        dialog.DoModal();
    }
    return 0;
}

void CPropPage_AppSelection::AddApplication(CAppDetailsObj* pRecord, CTreeListItem* pAppRow, CString* pReport)
{
    CProductInfo* pProduct = pRecord->m_pProductInfo;
    if (pReport)
        *pReport += ApplicationReport(pProduct);
    int nWorst = ClassNone;
    for (int i = 0; i < pProduct->m_nDependencyCount; ++i) {
        CProductInfo& dependency = pProduct->m_pDependencies[i];
        if (pReport)
            *pReport += DependencyReport(dependency);
        AddProductRow(m_pSheet->FindOrAddAppDetails(&dependency), pAppRow, ClassNone, nullptr);
        CAppDetailsObj* pListed = CPropSheet_Corvatel::FindProduct(&m_pSheet->m_lstQueueItems, dependency.GetName(),
                                                                   dependency.GetVersion(), 0);
        CProductInfo entry(dependency);
        int nClass = m_pSheet->CompareInstalledVersion(pListed, &entry);
        // A hidden component has no row: the application's rows carry its class and its size. An
        // optional one is not needed (nor ever ticked), so its class is not the application's.
        if (dependency.m_bShowDependency == 0) {
            if (pListed && pListed->m_bChecked && !pRecord->m_lstDependencies.Find(pListed))
                pRecord->m_lstDependencies.AddTail(pListed);
            if (!dependency.m_bOptionalDependency)
                nWorst = std::max(nWorst, nClass);
        }
    }
    AddProductRow(m_pSheet->FindOrAddAppDetails(pProduct), pAppRow, nWorst, &pRecord->m_lstDependencies);
}

int CPropPage_AppSelection::AddProductRow(CAppDetailsObj* pItem, CTreeListItem* pAppRow, int nImage,
                                          CObList* pOwnerList)
{
    if (!ShowCatalogueError(pItem))
        return 0;
    if (pItem->m_nListCount != 0) {
        ++pItem->m_nListCount;
        return 0;
    }
    if (pOwnerList && !pOwnerList->IsEmpty())
        pItem->m_lstDependencies.AddTail(*pOwnerList);
    CProductInfo* pProduct = pItem->m_pProductInfo;
    CTreeListItem* pRow = nullptr;
    if (pProduct->m_bShowDependency == 1) {
        pRow = m_pDownloadTree ? m_pDownloadTree->InsertItem(pProduct->GetName(), TLI_ROOT, TLI_LAST) : nullptr;
        if (!pRow)
            return 0;
        m_pDownloadTree->SetItemData(pRow, reinterpret_cast<DWORD_PTR>(pRow));
        m_downloadRows[CAppDetailsList::Key(pProduct->GetName(), pProduct->GetVersion())] = pRow;
        m_downloadRecords[pRow] = pItem;
        m_pDownloadTree->SetItemText(pRow, pProduct->GetVersion(), 1);
        CString strSize;
        strSize.Format("%.02fM", pItem->GetDownloadSize(false) * 1024 / 1000);
        m_pDownloadTree->SetItemText(pRow, strSize, 2);
    }
    int nClass = TickNewRecord(pItem, pRow, pAppRow, nImage);
    // Its own size only: ticked hidden components count theirs through their own listing.
    if (pItem->m_bChecked)
        AddToTotal(pProduct->m_fSize);
    ++pItem->m_nListCount;
    return nClass;
}

bool CPropPage_AppSelection::ShowCatalogueError(CAppDetailsObj* pItem)
{
    if (!pItem)
        return false;
    CProductInfo* pProduct = pItem->m_pProductInfo;
    if (!pProduct->GetDownload().IsEmpty() && !pProduct->GetName().IsEmpty() && !pProduct->GetVersionPath().IsEmpty())
        return true;
    CString strMessage = "Error reading Corvatel .XML database object\n\nInfo:\n";
    strMessage.AppendFormat("  Local .exe: %s\n", static_cast<LPCSTR>(pProduct->GetExe()));
    strMessage.AppendFormat("  Remote .exe: %s\n", static_cast<LPCSTR>(pProduct->GetDownload()));
    strMessage.AppendFormat("  ID: %d\n", pProduct->m_nId);
    strMessage.AppendFormat("  Version: %s\n", static_cast<LPCSTR>(pProduct->GetVersion()));
    strMessage.AppendFormat("  Build: %s\n", static_cast<LPCSTR>(pProduct->GetBuild()));
    strMessage.AppendFormat("  Date: %s\n", static_cast<LPCSTR>(pProduct->GetDate()));
    strMessage.AppendFormat("  Version Module %s\n", static_cast<LPCSTR>(pProduct->GetVersionModule()));
    strMessage.AppendFormat("  Size: %.02f", pProduct->m_fSize);
    AfxMessageBox(strMessage, MB_OK);
    pItem->m_bQueueable = false;
    return false;
}

void CPropPage_AppSelection::RemoveDownloadRows(CAppDetailsObj* pRecord)
{
    CProductInfo* pProduct = pRecord->m_pProductInfo;
    RemoveDownloadRow(
        CPropSheet_Corvatel::FindProduct(&m_pSheet->m_lstQueueItems, pProduct->GetName(), pProduct->GetVersion(), 0));
    for (int i = 0; i < pProduct->m_nDependencyCount; ++i) {
        CProductInfo& dependency = pProduct->m_pDependencies[i];
        RemoveDownloadRow(CPropSheet_Corvatel::FindProduct(&m_pSheet->m_lstQueueItems, dependency.GetName(),
                                                           dependency.GetVersion(), 0));
    }
}

void CPropPage_AppSelection::RemoveDownloadRow(CAppDetailsObj* pItem)
{
    if (!pItem)
        return;
    if (pItem->m_nListCount > 0)
        --pItem->m_nListCount;
    // Another listing still holds the record.
    if (pItem->m_nListCount != 0)
        return;
    CProductInfo* pProduct = pItem->m_pProductInfo;
    if (CTreeListItem* pRow = FindDownloadRow(pProduct)) {
        if (m_pDownloadTree->GetCheck(pRow))
            AddToTotal(-ListedSize(pItem));
        m_pDownloadTree->DeleteItem(pRow);
        m_downloadRows.erase(CAppDetailsList::Key(pProduct->GetName(), pProduct->GetVersion()));
        m_downloadRecords.erase(pRow);
    }
    pItem->m_lstDependencies.RemoveAll();
    pItem->m_bChecked = false;
    RequestRefresh();
}

CTreeListItem* CPropPage_AppSelection::FindDownloadRow(CProductInfo* pProduct)
{
    auto it = m_downloadRows.find(CAppDetailsList::Key(pProduct->GetName(), pProduct->GetVersion()));
    return it != m_downloadRows.end() && m_pDownloadTree ? it->second : nullptr;
}

LRESULT CPropPage_AppSelection::OnDownloadCheck(CTreeListItem* pRow)
{
    // A row's item data is the row itself; a row deleted since the click has none.
    if (!m_pDownloadTree || !m_pDownloadTree->GetItemData(pRow) || m_pDownloadTree->IsCheckDisabled(pRow))
        return 0;
    if (CAppDetailsObj* pItem = FindDownload(pRow)) {
        bool bTicked = m_pDownloadTree->GetCheck(pRow) != FALSE;
        AddToTotal(bTicked ? ListedSize(pItem) : -ListedSize(pItem));
        pItem->m_bChecked = bTicked;
    }
    UpdateData(FALSE);
    return 0;
}

float CPropPage_AppSelection::ListedSize(CAppDetailsObj* pItem)
{
    float fSize = pItem->m_pProductInfo->m_fSize;
    for (POSITION pos = pItem->m_lstDependencies.GetHeadPosition(); pos;)
        fSize += static_cast<CAppDetailsObj*>(pItem->m_lstDependencies.GetNext(pos))->m_pProductInfo->m_fSize;
    return fSize;
}

void CPropPage_AppSelection::AddToTotal(float fMegabytes)
{
    // Rounding may leave a hair below 0, which would read "-0.00 MB".
    m_fTotalSize = std::max(0.0f, m_fTotalSize + fMegabytes);
}

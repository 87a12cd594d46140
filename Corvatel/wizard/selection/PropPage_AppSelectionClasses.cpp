// How each listed component stands against what is installed: the highest class any ticked
// application gives it, each judging it against its own dependency entry. The class ticks a
// newly listed component, locks a needed one and is its row's image.
//
// One click may list hundreds of records, and each listing changes the classes of the rows
// around it; so a listing only asks for the refresh of every row, which runs once, after every
// listing the click caused (before the page handles anything else). The ticked applications'
// entries are found by component name, and the installed versions are read once per pass.
#include "PropPage_AppSelection.h"

#include "PropSheet_Corvatel.h"
#include "TreeListCtrl_Applications.h"
#include "TreeListCtrl_Downloads.h"

namespace {

std::string NameKey(const CString& strName)
{
    CString strKey = strName;
    strKey.MakeUpper();
    return static_cast<LPCSTR>(strKey);
}

} // namespace

int CPropPage_AppSelection::CheckDependencies(CAppDetailsObj* pComponent)
{
    if (!pComponent)
        return ClassCurrent;
    const std::vector<TickedEntry>* pEntries = FindTickedEntries(pComponent->m_pProductInfo->GetName());
    int nResult = ClassCurrent;
    if (!pEntries)
        return nResult;
    for (const TickedEntry& entry : *pEntries) {
        // Judged on a copy: the check stores the installed version into the entry it is given.
        CProductInfo copy(*entry.pEntry);
        CAppDetailsObj* pRecord =
            CPropSheet_Corvatel::FindProduct(&m_pSheet->m_lstProductItems, copy.GetName(), copy.GetVersion(), 0);
        // An entry naming a version the catalogue does not list has no record to refresh; it
        // is judged as no record (class 0) and the walk goes on.
        if (entry.bDependency && pRecord)
            m_pSheet->IsProductNew(pRecord->m_pProductInfo);
        int nClass = m_pSheet->CompareInstalledVersion(pRecord, &copy);
        if (nClass == ClassNeeded)
            return ClassNeeded;
        if (nClass == ClassNewer)
            nResult = ClassNewer;
    }
    return nResult;
}

const std::vector<CPropPage_AppSelection::TickedEntry>* CPropPage_AppSelection::FindTickedEntries(const CString& strName)
{
    if (!m_bTickedEntriesValid) {
        // Each application's own name first, then its dependency entries in array order.
        m_tickedEntries.clear();
        for (CAppDetailsObj* pApplication : GetTickedApplications()) {
            CProductInfo* pProduct = pApplication->m_pProductInfo;
            m_tickedEntries[NameKey(pProduct->GetName())].push_back({pProduct, false});
            for (int i = 0; i < pProduct->m_nDependencyCount; ++i)
                m_tickedEntries[NameKey(pProduct->m_pDependencies[i].GetName())].push_back(
                    {&pProduct->m_pDependencies[i], true});
        }
        m_bTickedEntriesValid = true;
    }
    auto it = m_tickedEntries.find(NameKey(strName));
    return it != m_tickedEntries.end() ? &it->second : nullptr;
}

void CPropPage_AppSelection::ForgetTickedApplications()
{
    m_bTickedEntriesValid = false;
    m_tickedEntries.clear();
}

int CPropPage_AppSelection::RefreshDownloadRows(CAppDetailsObj* pComponent)
{
    if (!m_pDownloadTree)
        return 0;
    CInstalledVersions::CPass pass(m_pSheet->m_installedVersions);
    int nAnswer = 0;
    int nCount = m_pDownloadTree->GetCount();
    for (int i = 0; i < nCount; ++i) {
        CTreeListItem* pRow = m_pDownloadTree->GetTreeListItem(i);
        CAppDetailsObj* pItem = FindDownload(pRow);
        // A snip entry keeps the image and lock it got when listed.
        if (!pItem || pItem->m_pProductInfo->m_bSnip)
            continue;
        int nClass = CheckDependencies(pItem);
        if (!pItem->m_pProductInfo->m_bOptionalDependency)
            LockRow(pRow, pItem, nClass == ClassNeeded);
        m_pDownloadTree->SetRowImage(pRow, nClass);
        if (pComponent && pComponent == pItem)
            nAnswer = nClass;
    }
    return nAnswer;
}

void CPropPage_AppSelection::LockRow(CTreeListItem* pRow, CAppDetailsObj* pItem, bool bLock)
{
    m_pDownloadTree->DisableCheck(pRow, bLock);
    // A needed component is always ticked: the user can no longer tick it himself.
    if (!bLock || m_pDownloadTree->GetCheck(pRow))
        return;
    m_pDownloadTree->SetCheck(pRow, TRUE);
    pItem->m_bChecked = true;
    AddToTotal(ListedSize(pItem));
}

void CPropPage_AppSelection::RequestRefresh()
{
    // The list is laid out and drawn once, when the refresh has run.
    if (!m_bRefreshOwed && m_pDownloadTree)
        m_pDownloadTree->SendMessage(WM_SETREDRAW, FALSE);
    m_bRefreshOwed = true;
    m_carried = {};
    if (!m_bRefreshPosted && m_hWnd)
        m_bRefreshPosted = PostMessage(WM_REFRESH_DOWNLOAD_ROWS) != FALSE;
}

void CPropPage_AppSelection::RunOwedRefresh()
{
    if (!m_bRefreshOwed)
        return;
    m_bRefreshOwed = false;
    RefreshDownloadRows(nullptr);
    // The last row listed keeps the class it carries for its application, as a refresh right
    // after its listing would have left it.
    if (m_carried.pRow && m_pDownloadTree) {
        m_pDownloadTree->SetRowImage(m_carried.pRow, m_carried.nImage);
        if (m_carried.pItem && !m_carried.pItem->m_pProductInfo->m_bOptionalDependency)
            m_pDownloadTree->DisableCheck(m_carried.pRow, m_carried.nImage == ClassNeeded);
    }
    m_carried = {};
    if (m_pDownloadTree)
        m_pDownloadTree->SendMessage(WM_SETREDRAW, TRUE);
    UpdateData(FALSE);
    EndActionPass();
}

void CPropPage_AppSelection::BeginActionPass()
{
    if (!m_pActionPass)
        m_pActionPass = std::make_unique<CInstalledVersions::CPass>(m_pSheet->m_installedVersions);
}

void CPropPage_AppSelection::EndActionPass()
{
    if (!m_bRefreshOwed && !m_bListingPosted)
        m_pActionPass.reset();
}

int CPropPage_AppSelection::TickNewRecord(CAppDetailsObj* pItem, CTreeListItem* pRow, CTreeListItem* pAppRow,
                                          int nImage)
{
    CProductInfo* pProduct = pItem->m_pProductInfo;
    // Also stores the installed version into the record's product.
    bool bNew = m_pSheet->IsProductNew(pProduct) != 0;
    // The class the refresh gives the record's row; a record without a row, or a snip entry, has none.
    bool bJudged = pRow && !pProduct->m_bSnip;
    // Judged once, for the tick and for the row.
    int nJudged = bJudged || !bNew ? CheckDependencies(pItem) : ClassCurrent;
    bool bSelected = bNew || nJudged == ClassNeeded || !pItem->m_lstDependencies.IsEmpty();
    // An optional component is never ticked for the user.
    if (pProduct->m_bOptionalDependency)
        bSelected = false;
    int nClass = bJudged ? nJudged : 0;
    // An application current itself may carry the class of a hidden component it needs.
    bool bCarries = pRow && nClass < nImage;
    bool bLocked = bCarries && nImage == ClassNeeded && !pProduct->m_bOptionalDependency;
    if (bLocked)
        bSelected = true;
    pItem->m_bChecked = bSelected;
    if (pRow)
        m_pDownloadTree->SetCheck(pRow, bSelected);
    RequestRefresh();
    if (bCarries) {
        if (m_pAppTree)
            m_pAppTree->SetRowImage(pAppRow, nImage);
        m_pDownloadTree->SetRowImage(pRow, nImage);
        if (!pProduct->m_bOptionalDependency)
            m_pDownloadTree->DisableCheck(pRow, bLocked);
        m_carried = {pRow, pItem, nImage};
    }
    return nClass;
}

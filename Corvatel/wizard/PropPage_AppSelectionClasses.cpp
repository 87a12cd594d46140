// How each listed component stands against what is installed: the highest class any ticked
// application gives it, each judging it against its own dependency entry. The class ticks a
// newly listed component, locks a needed one and is its row's image.
#include "PropPage_AppSelection.h"

#include "PropSheet_Corvatel.h"
#include "TreeListCtrl_Applications.h"
#include "TreeListCtrl_Downloads.h"

int CPropPage_AppSelection::CheckDependencies(CAppDetailsObj* pComponent)
{
    return CheckDependencies(pComponent, GetTickedApplications());
}

int CPropPage_AppSelection::CheckDependencies(CAppDetailsObj* pComponent,
                                              const std::vector<CAppDetailsObj*>& tickedApplications)
{
    if (!pComponent)
        return ClassCurrent;
    CString strName = pComponent->m_pProductInfo->GetName();
    int nResult = ClassCurrent;
    // Judged on a copy: the check stores the installed version into the entry it is given.
    auto judge = [&](const CProductInfo& entry, bool bRefresh) {
        CProductInfo copy(entry);
        CAppDetailsObj* pRecord =
            CPropSheet_Corvatel::FindProduct(&m_pSheet->m_lstProductItems, copy.GetName(), copy.GetVersion(), 0);
        // An entry naming a version the catalogue does not list has no record to refresh; it
        // is judged as no record (class 0) and the walk goes on.
        if (bRefresh && pRecord)
            m_pSheet->m_pSkelvar->IsProductNew(pRecord->m_pProductInfo);
        return m_pSheet->CompareInstalledVersion(pRecord, &copy);
    };
    for (CAppDetailsObj* pApplication : tickedApplications) {
        CProductInfo* pProduct = pApplication->m_pProductInfo;
        if (pProduct->GetName().CompareNoCase(strName) == 0) {
            int nClass = judge(*pProduct, false);
            if (nClass == ClassNeeded)
                return ClassNeeded;
            if (nClass == ClassNewer)
                nResult = ClassNewer;
        }
        for (int i = 0; i < pProduct->m_nDependencyCount; ++i) {
            CProductInfo& dependency = pProduct->m_pDependencies[i];
            if (dependency.GetName().CompareNoCase(strName) != 0)
                continue;
            int nClass = judge(dependency, true);
            if (nClass == ClassNeeded)
                return ClassNeeded;
            if (nClass == ClassNewer)
                nResult = ClassNewer;
        }
    }
    return nResult;
}

int CPropPage_AppSelection::RefreshDownloadRows(CAppDetailsObj* pComponent)
{
    if (!m_pDownloadTree)
        return 0;
    std::vector<CAppDetailsObj*> tickedApplications = GetTickedApplications();
    int nAnswer = 0;
    int nCount = m_pDownloadTree->GetCount();
    for (int i = 0; i < nCount; ++i) {
        CTreeListItem* pRow = m_pDownloadTree->GetTreeListItem(i);
        CAppDetailsObj* pItem = FindDownload(pRow);
        // A snip entry keeps the image and lock it got when listed.
        if (!pItem || pItem->m_pProductInfo->m_bSnip)
            continue;
        int nClass = CheckDependencies(pItem, tickedApplications);
        if (!pItem->m_pProductInfo->m_bOptionalDependency)
            m_pDownloadTree->DisableCheck(pRow, nClass == ClassNeeded);
        m_pDownloadTree->SetRowImage(pRow, nClass);
        if (pComponent && pComponent == pItem)
            nAnswer = nClass;
    }
    return nAnswer;
}

int CPropPage_AppSelection::TickNewRecord(CAppDetailsObj* pItem, CTreeListItem* pRow, CTreeListItem* pAppRow,
                                          int nImage)
{
    CProductInfo* pProduct = pItem->m_pProductInfo;
    // Also stores the installed version into the record's product.
    bool bSelected = m_pSheet->m_pSkelvar->IsProductNew(pProduct) || CheckDependencies(pItem) == ClassNeeded ||
                     !pItem->m_lstDependencies.IsEmpty();
    // An optional component is never ticked for the user.
    if (pProduct->m_bOptionalDependency)
        bSelected = false;
    pItem->m_bChecked = bSelected;
    if (pRow)
        m_pDownloadTree->SetCheck(pRow, bSelected);
    int nClass = RefreshDownloadRows(pItem);
    // An application current itself may carry the class of a hidden component it needs.
    if (pRow && nClass < nImage) {
        if (m_pAppTree)
            m_pAppTree->SetRowImage(pAppRow, nImage);
        m_pDownloadTree->SetRowImage(pRow, nImage);
        if (!pProduct->m_bOptionalDependency)
            m_pDownloadTree->DisableCheck(pRow, nImage == ClassNeeded);
    }
    return nClass;
}

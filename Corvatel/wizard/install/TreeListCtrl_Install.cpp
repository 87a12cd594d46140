#include "TreeListCtrl_Install.h"

#include "AppDetailsObj.h"
#include "PropSheet_Corvatel.h"
#include "resource.h"

namespace {

// Wider than the view in all (125 %): the list scrolls sideways.
TreeListColumn g_installColumns[] = {
    {"Component Name", 30},
    {"Version", 10},
    {"Size", 10},
    {"Progress", 35},
    {"Release Notes", 40},
};

} // namespace

CTreeListCtrl_Install::CTreeListCtrl_Install() : CTreeListCtrl_View(IDB_INSTALL_IMAGES, kInstallListStyle), m_pOwner(nullptr) {}

TreeListColumn* CTreeListCtrl_Install::GetColumns(int& nCount)
{
    return ColumnTable(g_installColumns, nCount);
}

LRESULT CTreeListCtrl_Install::OnRefresh()
{
    return FillList();
}

void CTreeListCtrl_Install::UpdateProgressText(CTreeListItem* pRow)
{
    auto* pItem = reinterpret_cast<CAppDetailsObj*>(GetItemData(pRow));
    if (pItem)
        SetItemText(pRow, pItem->GetStatusText(), kProgressColumn);
}

LRESULT CTreeListCtrl_Install::FillList()
{
    if (!m_pOwner)
        return 1;
    ResizeColumns();
    // Thousands of rows are laid out and drawn once, at the end.
    CRedrawHeld held(this);
    {
        std::lock_guard<std::mutex> guard(m_indexLock);
        m_rowItems.clear();
        m_rows.clear();
        m_owners.clear();
        m_places.clear();
        m_queueOrder.clear();
        m_toContinue.clear();
    }
    DeleteAllItems();
    for (POSITION pos = m_pOwner->m_lstQueueItems.GetHeadPosition(); pos;) {
        auto* pItem = static_cast<CAppDetailsObj*>(m_pOwner->m_lstQueueItems.GetNext(pos));
        CProductInfo* pProduct = pItem->m_pProductInfo;
        if (!pItem->m_bChecked || pProduct->m_bShowDependency != 1)
            continue;
        CTreeListItem* pRow = InsertItem(pProduct->GetName(), TLI_ROOT, TLI_LAST);
        if (!pRow)
            continue;
        SetItemData(pRow, reinterpret_cast<DWORD_PTR>(pItem));
        IndexRow(pItem, pRow);
        SetItemText(pRow, pProduct->GetVersion(), 1);
        CString strSize;
        strSize.Format("%.02fM", pItem->GetDownloadSize(true) * 1024 / 1000);
        SetItemText(pRow, strSize, 2);
        SetItemText(pRow, pItem->GetStatusText(), kProgressColumn);
        SetItemText(pRow, m_pOwner->GetReleaseNotesPath(pItem).IsEmpty() ? "" : "[ READ... ]", 4);
        SetRowImage(pRow, InstallImageListed);
    }
    SendMessage(WM_HSCROLL, SB_LEFT);
    return 0;
}

void CTreeListCtrl_Install::IndexRow(CAppDetailsObj* pItem, CTreeListItem* pRow)
{
    std::lock_guard<std::mutex> guard(m_indexLock);
    m_rowItems.push_back(pItem);
    m_rows.emplace(pItem, pRow);
    for (POSITION pos = pItem->m_lstDependencies.GetHeadPosition(); pos;) {
        auto* pPart = static_cast<CAppDetailsObj*>(pItem->m_lstDependencies.GetNext(pos));
        m_owners.emplace(pPart, pItem);
        if (pPart && pPart->IsQueueablePart())
            PlaceInQueue(pPart);
    }
    PlaceInQueue(pItem);
}

void CTreeListCtrl_Install::PlaceInQueue(CAppDetailsObj* pItem)
{
    if (!m_places.emplace(pItem, m_queueOrder.size()).second)
        return;
    m_toContinue.insert(m_queueOrder.size());
    m_queueOrder.push_back(pItem);
}

void CTreeListCtrl_Install::MarkToContinue(CAppDetailsObj* pItem)
{
    std::lock_guard<std::mutex> guard(m_indexLock);
    auto it = m_places.find(pItem);
    if (it != m_places.end())
        m_toContinue.insert(it->second);
}

std::vector<CAppDetailsObj*> CTreeListCtrl_Install::TakeToContinue()
{
    std::lock_guard<std::mutex> guard(m_indexLock);
    std::vector<CAppDetailsObj*> items;
    items.reserve(m_toContinue.size());
    for (size_t nPlace : m_toContinue)
        items.push_back(m_queueOrder[nPlace]);
    m_toContinue.clear();
    return items;
}

std::vector<CAppDetailsObj*> CTreeListCtrl_Install::GetRowItems() const
{
    std::lock_guard<std::mutex> guard(m_indexLock);
    return m_rowItems;
}

CTreeListItem* CTreeListCtrl_Install::FindRow(CAppDetailsObj* pItem) const
{
    std::lock_guard<std::mutex> guard(m_indexLock);
    auto it = m_rows.find(pItem);
    return it != m_rows.end() ? it->second : nullptr;
}

CAppDetailsObj* CTreeListCtrl_Install::FindOwner(CAppDetailsObj* pPart, CTreeListItem** ppRow) const
{
    std::lock_guard<std::mutex> guard(m_indexLock);
    auto it = m_owners.find(pPart);
    *ppRow = it != m_owners.end() ? m_rows.at(it->second) : nullptr;
    return it != m_owners.end() ? it->second : nullptr;
}

// Queue records on the install page: their statuses with texts, row images and log lines, the
// progress text of a download, and the look-ups by row and by file. Download threads call these
// too, so record fields are read and written under the records' lock, and the install list (a
// window of the user-interface thread) is only ever sent messages with that lock released.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "PropSheet_Corvatel.h"
#include "TreeListCtrl_Install.h"
#include "Utilities.h"

#include <algorithm>

namespace {

// What UpdateItemStatus shows for each code: a null text leaves the text as it is, -1 the image.
struct StatusLook
{
    const char* pszText;
    int nImage;
};

const StatusLook kStatusLooks[] = {
    {nullptr, -1},                                                   // ItemNotQueued
    {"Preparing to download..", InstallImagePreparingDownload},      // ItemPreparingDownload
    {"Downloading response file...", -1},                            // ItemDownloadingResponseFile
    {"Response File Downloaded.", InstallImageResponseFile},         // ItemResponseFileDownloaded
    {"Preparing to download...", -1},                                // ItemPreparingSetupDownload
    {nullptr, -1},                                                   // ItemDownloading: the progress text
    {"Downloaded.", InstallImageDone},                               // ItemDownloaded
    {"Preparing to install...", InstallImagePreparingInstall},       // ItemPreparingInstall
    {nullptr, -1},                                                   // ItemInstallingPart: formatted
    {"Installing...", -1},                                           // ItemInstalling
    {"Installed.", InstallImageDone},                                // ItemInstalled
    {"Done.", InstallImageDone},                                     // ItemDone
    {nullptr, -1},                                                   // ItemDownloadFailed
    {nullptr, -1},                                                   // ItemUnused
    {nullptr, -1},                                                   // ItemTimedOut: its text comes apart
    {"Aborting Download...", InstallImageAborting},                  // ItemAbortingDownload
    {"Download Aborted", InstallImageFailed},                        // ItemDownloadAborted
    {nullptr, InstallImageFailed},                                   // ItemError: the caller's text
    {"Install Aborted.", InstallImageFailed},                        // ItemInstallAborted
};

const char kDownloading[] = "Downloading...";

// Set while one caller updates the progress display; a second caller meanwhile skips its update.
bool g_bProgressBusy = false;

class CProgressBusy
{
public:
    CProgressBusy()
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        m_bOwner = !g_bProgressBusy;
        g_bProgressBusy = true;
    }
    ~CProgressBusy()
    {
        if (!m_bOwner)
            return;
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        g_bProgressBusy = false;
    }
    CProgressBusy(const CProgressBusy&) = delete;
    CProgressBusy& operator=(const CProgressBusy&) = delete;

    bool IsOwner() const { return m_bOwner; }

private:
    bool m_bOwner;
};

// Sizes count in units of 1,000,000 bytes, each catalogue megabyte as 1.024 of them; below about
// 0.98 MB a total comes to 0.
CString ProgressText(unsigned long long ullBytesDone, float fMegabytes)
{
    CString strText = kDownloading;
    if (ullBytesDone == 0)
        return strText;
    int nTotal = static_cast<int>(fMegabytes * 1024.0 / 1000.0);
    int nPercent = 0;
    if (nTotal != 0)
        nPercent = std::min(100, static_cast<int>(static_cast<float>(ullBytesDone) / (nTotal * 1000000.0) * 100.0));
    strText.AppendFormat(" %d%%   (%.2fM of %.2fM)", nPercent,
                         std::min(static_cast<double>(nTotal), ullBytesDone / 1000000.0), static_cast<double>(nTotal));
    return strText;
}

} // namespace

void CPropPage_Install::UpdateItemStatus(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nStatus, CString strText)
{
    if (!pItem)
        return;
    int nImage;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        nImage = ApplyItemStatus(pItem, pOwner, nStatus, strText);
    }
    ShowItemStatus(pItem, pOwner, nStatus, nImage);
}

int CPropPage_Install::ApplyItemStatus(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nStatus, const CString& strText)
{
    if (pOwner && nStatus > ItemDone)
        pOwner->m_nStatus = nStatus;
    pItem->m_nStatus = nStatus;
    // "Preparing to download.." always begins a new attempt, which may start again.
    if (nStatus != pItem->m_nStartedAtStatus || nStatus == ItemPreparingDownload)
        pItem->m_nStartedAtStatus = -1;
    // What ContinueItemDownload moves on to the setup file.
    if (m_pInstallList && (nStatus == ItemResponseFileDownloaded ||
                           (nStatus <= ItemPreparingSetupDownload && pItem->m_pProductInfo->GetSnip())))
        m_pInstallList->MarkToContinue(pItem);
    if (nStatus < ItemPreparingDownload || nStatus > ItemInstallAborted)
        return -1;
    const StatusLook& look = kStatusLooks[nStatus];
    if (look.pszText)
        pItem->m_strStatusText = look.pszText;
    else if (nStatus == ItemError)
        pItem->m_strStatusText = strText;
    else if (nStatus == ItemInstallingPart)
        pItem->m_strStatusText.Format("Installing part %d of %d...", std::max(pItem->m_nInstallPart, 1),
                                      pItem->m_lstDependencies.GetCount() + 1);
    return look.nImage;
}

void CPropPage_Install::ShowItemStatus(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nStatus, int nImage)
{
    CTreeListItem* pRow = FindRow(pOwner ? pOwner : pItem);
    bool bLog = true;
    if (nStatus == ItemDownloading) {
        ShowDownloadProgress(pItem);
        // Progress updates are not logged; only the start of a download is.
        bLog = pItem->GetStatusText().CompareNoCase(kDownloading) == 0;
    }
    if (bLog) {
        CString strLine;
        strLine.Format("%s:  %s", static_cast<LPCSTR>(pItem->GetStatusText()),
                       static_cast<LPCSTR>(pItem->m_pProductInfo->GetName()));
        WriteLogLine(strLine, false);
    }
    if (pRow) {
        if (nImage >= 0)
            m_pInstallList->SetRowImage(pRow, nImage);
        m_pInstallList->UpdateProgressText(pRow);
    }
}

void CPropPage_Install::ShowDownloadProgress(CAppDetailsObj* pItem)
{
    if (!pItem)
        return;
    CTreeListItem* pRow = nullptr;
    CAppDetailsObj* pShown = FindOwnerItem(pItem, &pRow);
    // A row record's figure is shown in its own row: the running transfers' showings come here
    // alone, without the refresh a change of status brings.
    if (!pShown) {
        pShown = pItem;
        pRow = FindRow(pItem);
    }
    std::vector<CAppDetailsObj*> order = GetQueueOrder(pShown);
    unsigned long long ullBytesDone = 0;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        // A showing asked for while the transfer ran may come after its end ("Downloaded.", or an
        // abort): the text it would write is no longer true. A part's figure is its row's text only
        // while the row downloads too: a row whose own file has failed or is in keeps that text.
        if (pItem->m_nStatus != ItemDownloading || pShown->m_nStatus != ItemDownloading)
            return;
        for (CAppDetailsObj* pQueued : order)
            ullBytesDone += pQueued->m_ullBytesDone;
        pShown->m_strStatusText = ProgressText(ullBytesDone, pShown->GetDownloadSize(true));
    }
    // The text is always brought up to date, so no start of a transfer goes unshown or unlogged;
    // only the drawing is left to whoever is drawing already.
    CProgressBusy busy;
    if (pRow && busy.IsOwner()) {
        if (ullBytesDone == 0)
            m_pInstallList->SetRowImage(pRow, InstallImageDownloading);
        m_pInstallList->UpdateProgressText(pRow);
    }
}

CTreeListItem* CPropPage_Install::FindRow(CAppDetailsObj* pItem)
{
    return pItem && m_pInstallList ? m_pInstallList->FindRow(pItem) : nullptr;
}

CAppDetailsObj* CPropPage_Install::FindOwnerItem(CAppDetailsObj* pItem, CTreeListItem** ppRow)
{
    *ppRow = nullptr;
    return pItem && m_pInstallList ? m_pInstallList->FindOwner(pItem, ppRow) : nullptr;
}

CTreeListItem* CPropPage_Install::FindItemByFile(CString strFile, CAppDetailsObj** ppItem, CAppDetailsObj** ppOwner)
{
    if (!m_hWnd || !m_pInstallList || !m_pInstallList->m_hWnd)
        return nullptr;
    // The key the local names are refused by: a name that is not another record's file does not
    // find that record.
    std::string strKey = LocalNameKey(strFile, true);
    auto matches = [&](CAppDetailsObj* pItem) { return LocalNameKey(GetLocalFilePath(pItem), true) == strKey; };
    for (CAppDetailsObj* pRowItem : m_pInstallList->GetRowItems()) {
        for (POSITION pos = pRowItem->m_lstDependencies.GetHeadPosition(); pos;) {
            auto* pPart = static_cast<CAppDetailsObj*>(pRowItem->m_lstDependencies.GetNext(pos));
            if (pPart && matches(pPart)) {
                *ppItem = pPart;
                *ppOwner = pRowItem;
                return nullptr;
            }
        }
        if (matches(pRowItem)) {
            *ppItem = pRowItem;
            *ppOwner = nullptr;
            return m_pInstallList->FindRow(pRowItem);
        }
    }
    *ppItem = nullptr;
    *ppOwner = nullptr;
    return nullptr;
}

CString CPropPage_Install::GetLocalFilePath(CAppDetailsObj* pItem)
{
    if (!pItem)
        return CString();
    CString strPath;
    strPath.Format("%s\\%s", static_cast<LPCSTR>(m_pSheet->m_strDownloadFolder),
                   static_cast<LPCSTR>(GetFileNameFromPath(pItem->m_pProductInfo->GetDownload())));
    return strPath;
}

bool CPropPage_Install::IsItemQueued(CAppDetailsObj* pItem)
{
    return pItem && pItem->IsQueueablePart();
}

std::vector<CAppDetailsObj*> CPropPage_Install::GetRowItems()
{
    return m_pInstallList ? m_pInstallList->GetRowItems() : std::vector<CAppDetailsObj*>();
}

bool CPropPage_Install::ForEachQueued(CAppDetailsObj* pRowItem, const QueueVisit& visit)
{
    std::vector<CAppDetailsObj*> rowItems = pRowItem ? std::vector<CAppDetailsObj*>{pRowItem} : GetRowItems();
    for (CAppDetailsObj* pRow : rowItems) {
        int nPart = 1;
        for (POSITION pos = pRow->m_lstDependencies.GetHeadPosition(); pos; ++nPart) {
            auto* pPart = static_cast<CAppDetailsObj*>(pRow->m_lstDependencies.GetNext(pos));
            if (IsItemQueued(pPart) && !visit(pPart, pRow, nPart))
                return false;
        }
        if (!visit(pRow, nullptr, 0))
            return false;
    }
    return true;
}

std::vector<CAppDetailsObj*> CPropPage_Install::GetQueueOrder(CAppDetailsObj* pRowItem)
{
    std::vector<CAppDetailsObj*> order;
    ForEachQueued(pRowItem, [&order](CAppDetailsObj* pItem, CAppDetailsObj*, int) {
        order.push_back(pItem);
        return true;
    });
    return order;
}

bool CPropPage_Install::AnyInStatus(CAppDetailsObj* pRowItem, std::initializer_list<int> statuses)
{
    std::vector<CAppDetailsObj*> order = GetQueueOrder(pRowItem);
    std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
    for (CAppDetailsObj* pItem : order)
        if (std::find(statuses.begin(), statuses.end(), pItem->m_nStatus) != statuses.end())
            return true;
    return false;
}

bool CPropPage_Install::IsAnyDownloading()
{
    return AnyInStatus(nullptr, {ItemDownloading});
}

bool CPropPage_Install::IsAnyInstalling()
{
    return AnyInStatus(nullptr, {ItemInstallingPart, ItemInstalling});
}

bool CPropPage_Install::AreAllDownloaded(CAppDetailsObj* pRowItem)
{
    return !AnyInStatus(pRowItem, {ItemPreparingDownload, ItemDownloadingResponseFile, ItemResponseFileDownloaded,
                                   ItemPreparingSetupDownload, ItemDownloading});
}

bool CPropPage_Install::AnyDownloadFailed()
{
    return AnyInStatus(nullptr, {ItemDownloadFailed, ItemTimedOut});
}

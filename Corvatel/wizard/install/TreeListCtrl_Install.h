// CTreeListCtrl_Install: the install page's list: one row per ticked queue record that the user
// sees, with its version, the size still to download (its hidden parts included), its progress
// text and a link to its release notes. Each row's item data is its record.
#pragma once

#include "TreeListCtrl_View.h"

#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

class CAppDetailsObj;
class CPropSheet_Corvatel;

// Row images of the install list (bitmap 251).
enum InstallImage
{
    InstallImageListed = 0,
    InstallImageDone = 1,
    InstallImageFailed = 2,
    InstallImageInstalling = 3,         // 3 to 6: the install animation
    InstallImagePreparingInstall = 7,
    InstallImageDownloading = 8,        // 8 to 10: the download animation; 8 also before the first byte
    InstallImageAborting = 11,
    InstallImageResponseFile = 12,
    InstallImagePreparingDownload = 13,
};

class CTreeListCtrl_Install : public CTreeListCtrl_View
{
public:
    CTreeListCtrl_Install();

    // The column of the row's status text, and the one whose cell opens the row's release notes.
    static constexpr int kProgressColumn = 3;
    static constexpr int kReleaseNotesColumn = 4;

    // Writes the row's record's status text into the "Progress" column.
    void UpdateProgressText(CTreeListItem* pRow);

    // What the last fill listed, kept beside the window so that any thread finds a row without
    // asking the window for every row. The row records, in row order:
    std::vector<CAppDetailsObj*> GetRowItems() const;
    // The record's row; null when it has none.
    CTreeListItem* FindRow(CAppDetailsObj* pItem) const;
    // The first row record listing pPart among its parts, with its row; null for none.
    CAppDetailsObj* FindOwner(CAppDetailsObj* pPart, CTreeListItem** ppRow) const;
    // The records a run may have to move on to their setup files: every record of the queue after a
    // fill, then each one a status change marks. TakeToContinue hands them over once each, in the
    // queue's order (row by row, each row's queueable parts before its record), and forgets them.
    void MarkToContinue(CAppDetailsObj* pItem);
    std::vector<CAppDetailsObj*> TakeToContinue();

    // The wizard sheet, set by the install page once the window exists; the list stays empty without it.
    CPropSheet_Corvatel* m_pOwner;

protected:
    TreeListColumn* GetColumns(int& nCount) override;
    LRESULT OnRefresh() override;

private:
    LRESULT FillList();
    void IndexRow(CAppDetailsObj* pItem, CTreeListItem* pRow);
    // Under the index's lock: the record's place at the end of the queue's order, unless it has one.
    void PlaceInQueue(CAppDetailsObj* pItem);

    mutable std::mutex m_indexLock;
    std::vector<CAppDetailsObj*> m_rowItems;
    std::unordered_map<CAppDetailsObj*, CTreeListItem*> m_rows;
    std::unordered_map<CAppDetailsObj*, CAppDetailsObj*> m_owners;
    // Each queue record's first place in the queue's order, and the places marked to continue.
    std::unordered_map<CAppDetailsObj*, size_t> m_places;
    std::vector<CAppDetailsObj*> m_queueOrder;
    std::set<size_t> m_toContinue;
};

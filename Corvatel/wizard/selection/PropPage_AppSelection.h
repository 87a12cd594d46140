// CPropPage_AppSelection: the first page: the catalogue's applications in one list, and the
// components the ticked ones need in a second list, ticked and locked by what is installed.
// Its result is the sheet's queue records with their ticks. Its work is split by concern:
//   PropPage_AppSelection.cpp           the page's life, its lists, buttons, menus and Next
//   PropPage_AppSelectionListing.cpp    listing and removing download rows, sizes and totals
//   PropPage_AppSelectionClasses.cpp    how each listed component stands against what is installed
// Tick changes are applied through messages the page posts to itself, after the list's own
// handling of the click has finished.
#pragma once

#include "InstalledVersions.h"
#include "PropPage_Base.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CAppDetailsObj;
class CObList;
class CProductInfo;
class CTreeListCtrl;
class CTreeListCtrl_Applications;
class CTreeListCtrl_Downloads;
class CTreeListItem;
struct NMTREELIST;

// lParam: the application row whose tick changed, or 0 for every ticked row.
#define WM_APPLY_SELECTION (WM_USER + 203)
// lParam: the download row whose tick changed.
#define WM_DOWNLOAD_CHECK (WM_USER + 204)
#define WM_SELECT_INSTALLED_PRODUCTS (WM_USER + 206)
// Posted when a listing or removal asked for every download row's class to be judged again.
#define WM_REFRESH_DOWNLOAD_ROWS (WM_USER + 207)
// The rows "Select All" or "Deselect All" changed, each applied as WM_APPLY_SELECTION applies it.
#define WM_APPLY_CHANGED_ROWS (WM_USER + 208)

class CPropPage_AppSelection : public CPropPage_Base
{
public:
    explicit CPropPage_AppSelection(CPropSheet_Corvatel* pSheet);
    ~CPropPage_AppSelection() override;

    int GetPageId() const override { return 101; }

    // Lists the catalogue's applications; the application list calls it once its columns exist.
    void FillApplicationTree();

    // Lists the application record's components and the application in the download list;
    // appends the catalogue report to pReport when given.
    void AddApplication(CAppDetailsObj* pRecord, CTreeListItem* pAppRow, CString* pReport);
    // Lists a queue record (a row when its product is shown), ticks and locks it by its class and
    // counts it in the total. Returns the class of its row, 0 when nothing was listed.
    int AddProductRow(CAppDetailsObj* pItem, CTreeListItem* pAppRow, int nImage, CObList* pOwnerList);
    // False, after telling the user, for a catalogue entry without download file, name or
    // version path; such an entry is never queued.
    bool ShowCatalogueError(CAppDetailsObj* pItem);
    // Withdraws one listing of the application record and of each of its components.
    void RemoveDownloadRows(CAppDetailsObj* pRecord);
    // Withdraws one listing of the queue record; the last one drops its row and its tick.
    void RemoveDownloadRow(CAppDetailsObj* pItem);

    // The component's class over every ticked application: the highest any of them gives it.
    int CheckDependencies(CAppDetailsObj* pComponent);
    // Locks and images every download row by its class, ticking a locked one; returns the class
    // of pComponent's row.
    int RefreshDownloadRows(CAppDetailsObj* pComponent);

    bool HasSelectedDownload();
    bool IsBetaMixed();

    // Creates the view as the parent's child over one of its placeholder controls. A view whose
    // window cannot be made is deleted, and null comes back, so no pointer to it is ever kept.
    template <class View>
    static View* CreateTree(CWnd* pParent, View* pView, int nPlaceholderID, UINT nID)
    {
        if (pView->CreateOver(pParent, nPlaceholderID, nID))
            return pView;
        delete pView;
        return nullptr;
    }

    CString m_strTotalSize;
    float m_fTotalSize;
    // Owned; null until OnInitDialog, and null again for a list whose window could not be made.
    CTreeListCtrl_Applications* m_pAppTree;
    CTreeListCtrl_Downloads* m_pDownloadTree;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT OnWizardNext() override;
    BOOL DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    void CreateTrees();
    void FillApplicationRows();

    // Message handlers.
    bool OnTreeNotify(const NMTREELIST* pNotify);
    LRESULT OnApplySelection(CTreeListItem* pRow);
    LRESULT OnApplyChangedRows();
    LRESULT OnDownloadCheck(CTreeListItem* pRow);
    LRESULT SelectInstalledProducts();
    void SelectInstalled();
    void SetAllChecks(BOOL bState);
    void ShowDescription(CTreeListItem* pRow);
    void ShowRowMenu(CTreeListCtrl* pList, CTreeListItem* pRow);
    void ShowComponentDetails(CTreeListCtrl* pView, bool bApplicationList);
    void OnComponentsRequired();

    // The record of m_lstProductItems an application row stands for; null when none.
    CAppDetailsObj* FindApplication(CTreeListItem* pRow);
    // The record of m_lstQueueItems a download row stands for; null when none.
    CAppDetailsObj* FindDownload(CTreeListItem* pRow);
    // The records of the ticked application rows, in row order.
    std::vector<CAppDetailsObj*> GetTickedApplications();
    // Ticks a newly listed record by its class and asks for the refresh of the download rows.
    int TickNewRecord(CAppDetailsObj* pItem, CTreeListItem* pRow, CTreeListItem* pAppRow, int nImage);
    // Locks or unlocks a download row; a locked one is ticked and counted.
    void LockRow(CTreeListItem* pRow, CAppDetailsObj* pItem, bool bLock);
    // The refresh of every download row: asked for by each listing and removal, run once
    // after them all.
    void RequestRefresh();
    void RunOwedRefresh();
    // One user action (a click, "Select All", the start) reads each installed version once: its
    // pass lasts from its first message until the refresh it asked for has run.
    void BeginActionPass();
    void EndActionPass();

    // Entries of the ticked applications that name one product: an application's own product,
    // or one of its dependency entries (whose check also reads the catalogue record afresh).
    struct TickedEntry
    {
        CProductInfo* pEntry;
        bool bDependency;
    };
    // Those naming strName (any case), in the order of the rows and then of the entries; null for none.
    const std::vector<TickedEntry>* FindTickedEntries(const CString& strName);
    // To be called whenever an application row's tick changes.
    void ForgetTickedApplications();
    CTreeListItem* FindDownloadRow(CProductInfo* pProduct);
    // The megabytes a download row counts in the total: its product and every record it lists.
    static float ListedSize(CAppDetailsObj* pItem);
    // Changes the total, which never goes below 0.
    void AddToTotal(float fMegabytes);

    // "All installed components are up to date!", hidden by every listing. Found once: a lookup
    // asks the window system each time, which "Select All" would do for each of thousands of rows.
    HWND m_hAllUpToDate = nullptr;
    // What SetAllChecks changed, in row order, for WM_APPLY_CHANGED_ROWS.
    std::vector<CTreeListItem*> m_changedRows;
    std::unordered_map<std::string, std::vector<TickedEntry>> m_tickedEntries;
    bool m_bTickedEntriesValid = false;
    // The download rows by product name and version, and the record of each row.
    std::unordered_map<std::string, CTreeListItem*> m_downloadRows;
    std::unordered_map<CTreeListItem*, CAppDetailsObj*> m_downloadRecords;
    std::unique_ptr<CInstalledVersions::CPass> m_pActionPass;
    // The start and "Select Installed Components" have posted the listing of the ticked rows.
    bool m_bListingPosted = false;
    bool m_bRefreshOwed = false;
    bool m_bRefreshPosted = false;
    // The last row listed since the refresh was asked for that carries its application's class.
    struct
    {
        CTreeListItem* pRow;
        CAppDetailsObj* pItem;
        int nImage;
    } m_carried = {};
};

// CPropPage_AppSelection: the first page: the catalogue's applications in one list, and the
// components the ticked ones need in a second list, ticked and locked by what is installed.
// Its result is the sheet's queue records with their ticks. Its work is split by concern:
//   PropPage_AppSelection.cpp           the page's life, its lists, buttons, menus and Next
//   PropPage_AppSelectionListing.cpp    listing and removing download rows, sizes and totals
//   PropPage_AppSelectionClasses.cpp    how each listed component stands against what is installed
// Tick changes are applied through messages the page posts to itself, after the list's own
// handling of the click has finished.
#pragma once

#include "PropPage_Base.h"

#include <vector>

class CAppDetailsObj;
class CObList;
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
    // The index of the first row with that name and version (any case), else -1.
    static int FindRowIndex(CTreeListCtrl* pList, const CString& strName, const CString& strVersion);

    // The component's class over every ticked application: the highest any of them gives it.
    int CheckDependencies(CAppDetailsObj* pComponent);
    // Locks and images every download row by its class; returns the class of pComponent's row.
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

    // Message handlers.
    bool OnTreeNotify(const NMTREELIST* pNotify);
    LRESULT OnApplySelection(CTreeListItem* pRow);
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
    int CheckDependencies(CAppDetailsObj* pComponent, const std::vector<CAppDetailsObj*>& tickedApplications);
    // Ticks a newly listed record by its class, then locks and images the download rows.
    int TickNewRecord(CAppDetailsObj* pItem, CTreeListItem* pRow, CTreeListItem* pAppRow, int nImage);
    // The megabytes a download row counts in the total: its product and every record it lists.
    static float ListedSize(CAppDetailsObj* pItem);
    // Changes the total, which never goes below 0.
    void AddToTotal(float fMegabytes);
};

// CPropSheet_Corvatel: the wizard. Its constructor loads the catalogue before the window exists;
// it owns the catalogue client, the program's copy of the catalogue, the system facts, the queue
// records, the folders, the licence text and the pages.
#pragma once

#include "AppDetailsList.h"
#include "AppDetailsObj.h"
#include "InstalledVersions.h"
#include "SysInfo.h"

#include <CObList.h>
#include <CPropertySheet.h>
#include <ProductInfo.h>
#include <Skelvar.h>

#include <vector>

// How a component stands against what a ticked application needs; also the row image index of
// the selection page's lists and the component dialogs.
enum ComponentClass
{
    ClassNone = 0,      // no record to judge
    ClassCurrent = 1,   // installed and as new as the catalogue
    ClassNewer = 2,     // installed and good enough, but the catalogue has a newer version
    ClassNeeded = 3,    // must be installed: the mode says so, or it is missing or below the minimum
};

class CPropPage_AppSelection;
class CPropPage_DestinationFolder;
class CPropPage_License;
class CPropPage_Install;

class CPropSheet_Corvatel : public CPropertySheet
{
public:
    CPropSheet_Corvatel(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0,
                        HBITMAP hbmWatermark = nullptr, HPALETTE hpalWatermark = nullptr, HBITMAP hbmHeader = nullptr);
    CPropSheet_Corvatel(LPCSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0,
                        HBITMAP hbmWatermark = nullptr, HPALETTE hpalWatermark = nullptr, HBITMAP hbmHeader = nullptr);
    ~CPropSheet_Corvatel() override;

    CString GetServerHost() const;
    unsigned short GetServerPort() const;
    bool HasPathOverride() const;
    bool IsProductNamedOnCommandLine(CString strName) const;
    // The first record of the list whose product has that name and version (any case); mode 2
    // also asks for the beta mark, mode 3 for the snip mark.
    static CAppDetailsObj* FindProduct(CObList* pList, CString strName, CString strVersion, int nMode);
    // The same, through the list's index.
    static CAppDetailsObj* FindProduct(CAppDetailsList* pList, CString strName, CString strVersion, int nMode);
    CAppDetailsObj* FindOrAddAppDetails(CProductInfo* pProduct);
    // The folder the product's version path names in the registry: where it was installed, or empty.
    static CString GetRegisteredFolder(CProductInfo* pProduct);
    CString GetReleaseNotesPath(CAppDetailsObj* pItem);
    // The class of the record's component against the dependency entry that states its minimum
    // version; ClassNone when either is missing. May read the dependency's installed version.
    int CompareInstalledVersion(CAppDetailsObj* pItem, CProductInfo* pDependency);
    // The catalogue client's installed-version check, read once per product within a pass.
    int IsProductNew(CProductInfo* pProduct);
    static CString GetDefaultDownloadFolder();
    static CString GetDefaultInstallRoot();
    // String 400, the program's own version.
    static CString GetOwnVersionText();

    std::vector<CProductInfo> m_vecProducts;
    CSkelvar* m_pSkelvar = nullptr;
    CInstalledVersions m_installedVersions;
    CSysInfo m_sysInfo;
    CAppDetailsList m_lstQueueItems{10};
    CAppDetailsList m_lstProductItems{10};
    CPropPage_AppSelection* m_pPageAppSelection = nullptr;
    CPropPage_DestinationFolder* m_pPageDestinationFolder = nullptr;
    CPropPage_License* m_pPageLicense = nullptr;
    CPropPage_Install* m_pPageInstall = nullptr;
    CString m_strInstallRoot;
    CString m_strDownloadFolder;
    CString m_strLicenseText;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    // What both constructors do: load the catalogue, make the pages, set the wizard's style.
    void Construct();
    void LoadCatalogue();
    void CreateFolders();
    // Shows the notice when the catalogue needs a newer program; gives the log's line on why its
    // link does not work, empty when it does or no notice was shown.
    CString CheckProgramVersion();
    void BuildItemList();
};

// Restarts Windows now, asking no application to close.
BOOL RestartWindows();

// CSkelvar: the catalogue client. It fetches and parses the maker's catalogue into product records,
// compares versions, tells whether products are installed and current, and keeps the download and
// install folders under the program's registry key.
#pragma once

#include "ProductInfo.h"
#include "TesmaroApi.h"
#include <ComRef.h>
#include <CString.h>

#include <msxml2.h>
#include <vector>

class TESMARO_API CSkelvar
{
public:
    CSkelvar(CString strLocation, CString strAltLocation, CString strText);
    // Member-wise copies and moves; defined in the library so that they are exported. The DOM
    // references are shared.
    CSkelvar(const CSkelvar& other);
    CSkelvar(CSkelvar&& other);
    CSkelvar& operator=(const CSkelvar& other);
    CSkelvar& operator=(CSkelvar&& other);
    // Not virtual: the owner deletes the client through its exported destructor.
    ~CSkelvar();

    // The client's one virtual operation.
    virtual LONG OnUpdate(UINT, UINT, LONG);

    // Fetches and parses the catalogue once; later calls after a success return 1 at once.
    int Init(CString strServerName, CString strSecondLocation);

    char* GetDownloadPath();
    void SetDownloadPath(const char* pszPath);
    char* GetInstallPath();
    void SetInstallPath(const char* pszPath);
    char* GetLastUser();
    void SetLastUser(const char* pszUser);
    void SetAppId(int nAppId);
    void SetAppVersion(long lVersion);
    void SetAppVersion(char* pszVersion);
    void SetAppBuild(long lBuild);
    void SetAppBuild(char* pszBuild);
    void SetDisplayAtStartup(int bDisplay);
    int IsDisplayAtStartup();
    void SetCorvatel(int bCorvatel);
    int IsCorvatel();
    HWND GetUpdateWindow();
    void SetHelp(const char* pszPath, long lHelpId, int bHTMLHelp);
    CString* GetCorvatelMinVer();
    CString* GetCorvatelDownloadURL();
    // The work the last parse did, loaded or refused: nodes walked, dependencies read and completed.
    size_t GetLoadSteps() const { return m_nLoadSteps; }

    // Version arrays: four longs, one per dotted part, zeroed by their owner before filling.
    static int VersionStringToVersionArray(CString strVersion, long* plVersion);
    static int CompareVersion(const long* plA, const long* plB, int nCount);
    static bool IsValidVersion(const long* plVersion, int nCount);

    // Whether the catalogue holds a newer release of the asking program.
    int IsUpdateable(int nAppId, long lVersion, long lBuild);
    int IsUpdateable(int nAppId, char* pszVersion, char* pszBuild);
    // 1 when the product is missing or older than the catalogue's release; records what was found.
    int IsProductNew(CProductInfo* pProduct);
    // The folder entries that all searches for products' files may visit from one load to the
    // next. A search runs only for a file that is not where the catalogue says and walks its
    // install folder, some hundreds or thousands of entries, once a listing; a whole drive holds
    // hundreds of thousands, and each product that names one walks them on the window's thread.
    static constexpr size_t kMaxSearchEntries = 200000;
    // Whether a search since the load stopped at that bound: its product, and every product
    // searched for after it, counts as not installed.
    bool IsSearchStopped() const { return m_nSearchEntries > kMaxSearchEntries; }
    static int GetVersionFromRegistry(const CString& strRootName, const CString& strPath, long* plVersion,
                                      CString& strText);
    static int GetBuildFromRegistry(const CString& strRootName, const CString& strPath, long* plVersion);

    int GetRegistryInfo();
    // 1 when both folders were written, else 0.
    int SetRegistryInfo();
    static CString GetPathFromRegistry(const CString& strRootName, const CString& strPath);
    static int SetPathInRegistry(const CString& strRootName, const CString& strPath, const CString& strText);

protected:
    int CreateInstance();
    int GetXMLFile(CString* pServerName, CString* pSecondLocation);
    // The parse half of GetXMLFile: takes the fetched catalogue and second document.
    int LoadCatalogue(const CString& strCatalogue, const CString& strSecond);
    CString GetXMLString(const char* pszDocument, CString strTag);

private:
    static HKEY GetKey(const CString& strRootName);
    static void VersionStringToVersionLong(CString& strVersion, long& lVersion);

    int IsProductNewBasedOnRegistry(CProductInfo* pProduct);
    int IsProductNewBasedOnFile(CProductInfo* pProduct);
    CString FindProduct(CProductInfo* pProduct, const CString& strFolder);

    void GetProductInfo(IXMLDOMNodeList* pNodes);
    void GetIdAndVersion(IXMLDOMNamedNodeMap* pAttributes, int* pnId, CString* pVersion,
                         CString* pMinRequiredVersion, CString* pStartMenuText, CString* pBuild,
                         int* pbShowDependency, int* pbOptionalDependency, int* pbDisplayStartMenu);
    void GetFileInfo(IXMLDOMNodeList* pNodes, CProductInfo* pProduct);
    void GetFileLocalInfo(IXMLDOMNode* pNode, CProductInfo* pProduct);
    // Reads the dependencies for the walk under way; the load completes them after the walk.
    void GetDependencyInfo(IXMLDOMNode* pNode, CProductInfo* pProduct);
    // pNodes is the root's child list; its entries are indexed once per load.
    void GetProductSpecificInfo(IXMLDOMNodeList* pNodes, CProductInfo* pProduct);
    void GetAdditionalExes(IXMLDOMNode* pNode, CProductInfo* pProduct);

public:
    std::vector<CProductInfo> m_vecProducts;
    CString m_strLicense;

protected:
    CComRef<IXMLDOMDocument> m_pDocument;
    CComRef<IXMLDOMElement> m_pRoot;
    int m_nAppId;
    HWND m_hUpdateWnd;
    int m_nReserved1;
    CString m_strDownloadPath;
    CString m_strInstallPath;
    CString m_strLastUser;
    CString m_strLocation;
    CString m_strAltLocation;
    CString m_strAppVersion;
    CString m_strAppBuild;
    CString m_strHelpPath;

public:
    CString m_strCorvatelMinVer;
    CString m_strCorvatelDownloadURL;

protected:
    int m_nReserved2;
    int m_bDisplayAtStartup;
    int m_bInitialized;
    int m_bCorvatel;
    int m_bHTMLHelp;
    long m_lAppVersion;
    long m_lAppBuild;
    long m_lHelpId;

private:
    // The working state of one parse (entry index, completions under way and done); set only
    // while GetProductInfo runs.
    struct CLoad;
    CLoad* m_pLoad;
    size_t m_nLoadSteps;
    // Entries the searches visited since the load; past the bound once a search stopped there.
    size_t m_nSearchEntries;
};

// The accessors the main program reads inline are defined here for the library, so it exports them.
#define TESMARO_INLINE
#include "ProductInfo.h"
#include "ProductInfoInline.h"
#include "Skelvar.h"

#include <memory>
#include <string.h>

CProductInfo::CProductInfo()
    : m_fSize(0.0f), m_pDependencies(nullptr), m_nId(0), m_nDependencyCount(0), m_nInstallType(0),
      m_nPreinstallMessageButtons(0), m_bVersionModuleRegistry(0), m_bVersionPathRegistry(0),
      m_bVersionBuildRegistry(0), m_bReqKX7200R(0), m_bReboot(0), m_bShowProduct(1), m_bShowBeta(0),
      m_bShowSnip(0), m_bShowDependency(1), m_bOptionalDependency(0), m_bDisplayStartMenu(1),
      m_bShowInstallDriverWarning(0), m_bWindowClass(0), m_bUpdate(1), m_bBeta(0), m_bSnip(0),
      m_lstAdditionalExes(10)
{
    SetVersions();
}

CProductInfo::CProductInfo(int nId, const CString& strVersion, const CString& strMinRequiredVersion,
                           const CString& strStartMenuText, const CString& strBuild, int bShowDependency,
                           int bOptionalDependency, int bDisplayStartMenu)
    : CProductInfo()
{
    m_nId = nId;
    m_strVersion = strVersion;
    m_strMinRequiredVersion = strMinRequiredVersion;
    m_strStartMenuText = strStartMenuText;
    m_strBuild = strBuild;
    m_bShowDependency = bShowDependency;
    m_bOptionalDependency = bOptionalDependency;
    m_bDisplayStartMenu = bDisplayStartMenu;
    SetVersions();
}

CProductInfo::CProductInfo(const CProductInfo& other) : CProductInfo()
{
    Copy(other);
}

CProductInfo& CProductInfo::operator=(const CProductInfo& other)
{
    if (this != &other) {
        // The source may live inside this record's own dependency tree: the old tree goes only
        // once the source is copied.
        std::unique_ptr<CProductInfo[]> pOldDependencies(m_pDependencies);
        m_pDependencies = nullptr;
        m_nDependencyCount = 0;
        m_lstAdditionalExes.RemoveAll();
        Copy(other);
    }
    return *this;
}

CProductInfo::~CProductInfo()
{
    delete[] m_pDependencies;
    m_pDependencies = nullptr;
}

void CProductInfo::SetVersions()
{
    memset(m_lVersion, 0, sizeof(m_lVersion));
    memset(m_lMinRequiredVersion, 0, sizeof(m_lMinRequiredVersion));
    memset(m_lCatalogueVersion, 0, sizeof(m_lCatalogueVersion));
    CSkelvar::VersionStringToVersionArray(m_strVersion, m_lVersion);
    CSkelvar::VersionStringToVersionArray(m_strMinRequiredVersion, m_lMinRequiredVersion);
    CSkelvar::VersionStringToVersionArray(m_strVersion, m_lCatalogueVersion);
}

void CProductInfo::Copy(const CProductInfo& other)
{
    m_nId = other.m_nId;
    m_strVersion = other.m_strVersion;
    m_strBuild = other.m_strBuild;
    m_strVersionBuild = other.m_strVersionBuild;
    m_strVersionModule = other.m_strVersionModule;
    m_strVersionPath = other.m_strVersionPath;
    m_strDate = other.m_strDate;
    m_strDownload = other.m_strDownload;
    m_strName = other.m_strName;
    m_strNotes = other.m_strNotes;
    m_strMinRequiredVersion = other.m_strMinRequiredVersion;
    m_strInstalledVersion = other.m_strInstalledVersion;
    m_strInstalledPath = other.m_strInstalledPath;
    m_strExe = other.m_strExe;
    m_strWindow = other.m_strWindow;
    m_strRelNotes = other.m_strRelNotes;
    m_strStartMenuText = other.m_strStartMenuText;
    m_strUninstallPriorToVersion = other.m_strUninstallPriorToVersion;
    m_strUninstallPendingFile = other.m_strUninstallPendingFile;
    m_strUninstallPrompt = other.m_strUninstallPrompt;
    m_strInstallFolder = other.m_strInstallFolder;
    m_strPreinstallMessage = other.m_strPreinstallMessage;
    m_strPreinstallMessagePriorToVersion = other.m_strPreinstallMessagePriorToVersion;
    m_fSize = other.m_fSize;
    m_bVersionModuleRegistry = other.m_bVersionModuleRegistry;
    m_bVersionPathRegistry = other.m_bVersionPathRegistry;
    m_bVersionBuildRegistry = other.m_bVersionBuildRegistry;
    m_bReqKX7200R = other.m_bReqKX7200R;
    m_bReboot = other.m_bReboot;
    m_bShowProduct = other.m_bShowProduct;
    m_bShowBeta = other.m_bShowBeta;
    m_bShowSnip = other.m_bShowSnip;
    m_bShowDependency = other.m_bShowDependency;
    m_bOptionalDependency = other.m_bOptionalDependency;
    m_bDisplayStartMenu = other.m_bDisplayStartMenu;
    m_bShowInstallDriverWarning = other.m_bShowInstallDriverWarning;
    m_bWindowClass = other.m_bWindowClass;
    m_bUpdate = other.m_bUpdate;
    m_bBeta = other.m_bBeta;
    m_bSnip = other.m_bSnip;
    m_nInstallType = other.m_nInstallType;
    m_nPreinstallMessageButtons = other.m_nPreinstallMessageButtons;

    memcpy(m_lVersion, other.m_lVersion, sizeof(m_lVersion));
    memcpy(m_lMinRequiredVersion, other.m_lMinRequiredVersion, sizeof(m_lMinRequiredVersion));

    m_pDependencies = nullptr;
    m_nDependencyCount = 0;
    if (other.m_nDependencyCount > 0) {
        // The count follows the array, so a failed allocation leaves a record that can be destroyed.
        m_pDependencies = new CProductInfo[other.m_nDependencyCount];
        m_nDependencyCount = other.m_nDependencyCount;
        // Assigning onto a fresh default record is a plain Copy: nothing to free and nothing shared
        // with the source, so no record of the tree is copied twice.
        if (other.m_pDependencies)
            for (int i = 0; i < m_nDependencyCount; ++i)
                m_pDependencies[i].Copy(other.m_pDependencies[i]);
    }

    m_lstAdditionalExes.AddTail(other.m_lstAdditionalExes);
}

void CProductInfo::SetDependencyCount(int nCount) { m_nDependencyCount = nCount; }

void CProductInfo::SetSize(float fSize) { m_fSize = fSize; }
void CProductInfo::SetId(int nId) { m_nId = nId; }
void CProductInfo::SetInstallType(int nInstallType) { m_nInstallType = nInstallType; }
void CProductInfo::SetPreinstallMessageButtons(int nButtons) { m_nPreinstallMessageButtons = nButtons; }

CString CProductInfo::GetVersion() const { return m_strVersion; }
void CProductInfo::SetVersion(const CString& str) { m_strVersion = str; }
CString CProductInfo::GetBuild() const { return m_strBuild; }
void CProductInfo::SetBuild(const CString& str) { m_strBuild = str; }
CString CProductInfo::GetVersionBuild() const { return m_strVersionBuild; }
void CProductInfo::SetVersionBuild(const CString& str) { m_strVersionBuild = str; }
CString CProductInfo::GetVersionModule() const { return m_strVersionModule; }
void CProductInfo::SetVersionModule(const CString& str) { m_strVersionModule = str; }
CString CProductInfo::GetVersionPath() const { return m_strVersionPath; }
void CProductInfo::SetVersionPath(const CString& str) { m_strVersionPath = str; }
CString CProductInfo::GetDate() const { return m_strDate; }
void CProductInfo::SetDate(const CString& str) { m_strDate = str; }
CString CProductInfo::GetDownload() const { return m_strDownload; }
void CProductInfo::SetDownload(const CString& str) { m_strDownload = str; }
CString CProductInfo::GetName() const { return m_strName; }
void CProductInfo::SetName(const CString& str) { m_strName = str; }
CString CProductInfo::GetNotes() const { return m_strNotes; }
void CProductInfo::SetNotes(const CString& str) { m_strNotes = str; }
CString CProductInfo::GetMinRequiredVersion() const { return m_strMinRequiredVersion; }
void CProductInfo::SetMinRequiredVersion(const CString& str) { m_strMinRequiredVersion = str; }
CString CProductInfo::GetInstalledVersion() { return m_strInstalledVersion; }
void CProductInfo::SetInstalledVersion(CString str) { m_strInstalledVersion = str; }
CString CProductInfo::GetInstalledPath() { return m_strInstalledPath; }
void CProductInfo::SetInstalledPath(CString str) { m_strInstalledPath = str; }
CString CProductInfo::GetExe() const { return m_strExe; }
void CProductInfo::SetExe(CString str) { m_strExe = str; }
CString CProductInfo::GetWindow() const { return m_strWindow; }
void CProductInfo::SetWindow(CString str) { m_strWindow = str; }
CString CProductInfo::GetRelNotes() const { return m_strRelNotes; }
void CProductInfo::SetRelNotes(CString str) { m_strRelNotes = str; }
CString CProductInfo::GetStartMenuText() const { return m_strStartMenuText; }
void CProductInfo::SetStartMenuText(const CString& str) { m_strStartMenuText = str; }
CString CProductInfo::GetUninstallPriorToVersion() const { return m_strUninstallPriorToVersion; }
void CProductInfo::SetUninstallPriorToVersion(const CString& str) { m_strUninstallPriorToVersion = str; }
CString CProductInfo::GetUninstallPendingFile() const { return m_strUninstallPendingFile; }
void CProductInfo::SetUninstallPendingFile(const CString& str) { m_strUninstallPendingFile = str; }
CString CProductInfo::GetUninstallPrompt() const { return m_strUninstallPrompt; }
void CProductInfo::SetUninstallPrompt(const CString& str) { m_strUninstallPrompt = str; }
CString CProductInfo::GetInstallFolder() { return m_strInstallFolder; }
void CProductInfo::SetInstallFolder(CString str) { m_strInstallFolder = str; }
CString CProductInfo::GetPreinstallMessage() const { return m_strPreinstallMessage; }
void CProductInfo::SetPreinstallMessage(const CString& str) { m_strPreinstallMessage = str; }
CString CProductInfo::GetPreinstallMessagePriorToVersion() const { return m_strPreinstallMessagePriorToVersion; }
void CProductInfo::SetPreinstallMessagePriorToVersion(const CString& str) { m_strPreinstallMessagePriorToVersion = str; }

void CProductInfo::SetVersionModuleRegistry(int b) { m_bVersionModuleRegistry = b; }
void CProductInfo::SetVersionPathRegistry(int b) { m_bVersionPathRegistry = b; }
void CProductInfo::SetVersionBuildRegistry(int b) { m_bVersionBuildRegistry = b; }
void CProductInfo::SetReqKX7200R(int b) { m_bReqKX7200R = b; }
void CProductInfo::SetShowProduct(int b) { m_bShowProduct = b; }
void CProductInfo::SetShowBeta(int b) { m_bShowBeta = b; }
void CProductInfo::SetShowSnip(int b) { m_bShowSnip = b; }
void CProductInfo::SetShowDependency(int b) { m_bShowDependency = b; }
void CProductInfo::SetOptionalDependency(int b) { m_bOptionalDependency = b; }
void CProductInfo::SetDisplayStartMenu(int b) { m_bDisplayStartMenu = b; }
void CProductInfo::SetShowInstallDriverWarning(int b) { m_bShowInstallDriverWarning = b; }
void CProductInfo::SetWindowClass(int b) { m_bWindowClass = b; }
void CProductInfo::SetUpdate(int b) { m_bUpdate = b; }
void CProductInfo::SetBeta(int b) { m_bBeta = b; }
void CProductInfo::SetSnip(int b) { m_bSnip = b; }

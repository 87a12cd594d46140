// The catalogue client object: construction, catalogue load and state accessors.
#include "Skelvar.h"

#include <ModuleState.h>

#include <new>

CSkelvar::CSkelvar(CString strLocation, CString strAltLocation, CString strText)
    : m_strLicense(strText), m_nAppId(0), m_hUpdateWnd(nullptr), m_nReserved1(0), m_strLocation(strLocation),
      m_strAltLocation(strAltLocation), m_nReserved2(0), m_bDisplayAtStartup(1), m_bInitialized(0),
      m_bCorvatel(0), m_bHTMLHelp(0), m_lAppVersion(0), m_lAppBuild(0), m_lHelpId(0), m_pLoad(nullptr),
      m_nLoadSteps(0), m_nSearchEntries(0)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    GetRegistryInfo();
}

// Copies and moves happen between loads, when no parse state is set.
CSkelvar::CSkelvar(const CSkelvar& other) = default;
CSkelvar::CSkelvar(CSkelvar&& other) = default;
CSkelvar& CSkelvar::operator=(const CSkelvar& other) = default;
CSkelvar& CSkelvar::operator=(CSkelvar&& other) = default;
CSkelvar::~CSkelvar() = default;

LONG CSkelvar::OnUpdate(UINT, UINT, LONG)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return 0;
}

int CSkelvar::Init(CString strServerName, CString strSecondLocation)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (m_bInitialized == 1)
        return 1;
    try {
        m_bInitialized = (CreateInstance() && GetXMLFile(&strServerName, &strSecondLocation)) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        // A catalogue too big for the memory left fails as a malformed one does, with nothing kept.
        std::vector<CProductInfo>().swap(m_vecProducts);
        m_bInitialized = 0;
    }
    return m_bInitialized;
}

char* CSkelvar::GetDownloadPath()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return m_strDownloadPath.GetBuffer(0);
}

void CSkelvar::SetDownloadPath(const char* pszPath)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_strDownloadPath = pszPath;
}

char* CSkelvar::GetInstallPath()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return m_strInstallPath.GetBuffer(0);
}

void CSkelvar::SetInstallPath(const char* pszPath)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_strInstallPath = pszPath;
}

char* CSkelvar::GetLastUser()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return m_strLastUser.GetBuffer(0);
}

void CSkelvar::SetLastUser(const char* pszUser)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_strLastUser = pszUser;
}

void CSkelvar::SetAppId(int nAppId)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_nAppId = nAppId;
}

void CSkelvar::SetAppVersion(long lVersion)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_lAppVersion = lVersion;
}

void CSkelvar::SetAppVersion(char* pszVersion)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_strAppVersion = pszVersion;
}

void CSkelvar::SetAppBuild(long lBuild)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_lAppBuild = lBuild;
}

void CSkelvar::SetAppBuild(char* pszBuild)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_strAppBuild = pszBuild;
}

void CSkelvar::SetDisplayAtStartup(int bDisplay)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_bDisplayAtStartup = bDisplay;
}

int CSkelvar::IsDisplayAtStartup()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return m_bDisplayAtStartup;
}

void CSkelvar::SetCorvatel(int bCorvatel)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_bCorvatel = bCorvatel;
}

int CSkelvar::IsCorvatel()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return m_bCorvatel;
}

HWND CSkelvar::GetUpdateWindow()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return m_hUpdateWnd;
}

CString* CSkelvar::GetCorvatelMinVer()
{
    return &m_strCorvatelMinVer;
}

CString* CSkelvar::GetCorvatelDownloadURL()
{
    return &m_strCorvatelDownloadURL;
}

void CSkelvar::SetHelp(const char* pszPath, long lHelpId, int bHTMLHelp)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_strHelpPath = pszPath;
    m_lHelpId = lHelpId;
    m_bHTMLHelp = bHTMLHelp;
}

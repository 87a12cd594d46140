#include "PropSheet_Corvatel.h"

#include "CorvatelApp.h"
#include "DirectoryExists.h"
#include "NewerVersionDlg.h"
#include "PropPage_AppSelection.h"
#include "PropPage_DestinationFolder.h"
#include "PropPage_Install.h"
#include "PropPage_License.h"
#include "Utilities.h"
#include "resource.h"

#include <AfxMessageBox.h>
#include <LocalPath.h>
#include <ServerNames.h>

#include <io.h>
#include <shlobj.h>

#include <new>

// The catalogue client's destructor is exported and not virtual (its one virtual is OnUpdate), so
// deleting it binds the destructor by name; nothing derives from it here.
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"

namespace {

const char kCatalogueLocation[] = "https://" QUENDAR_WEB_SITE "//skelvar//CorvatelSFTP.xml";
const char kLicenseLocation[] = "https://" QUENDAR_WEB_SITE "//skelvar//Software License Agreement.rtf";
const char kCatalogueFileName[] = "CorvatelSFTP.xml";
const unsigned short kDefaultPort = 22;

const CCommandLineInfo_Corvatel& CommandLine()
{
    return GetCorvatelApp()->m_cmdInfo;
}

CString ProgramFilesFolder()
{
    return ReadRegistryString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "C:\\Program Files");
}

// Splits a registry location at its first backslash; without one the rest is the text less its first character.
void SplitLocation(const CString& strLocation, CString& strRoot, CString& strRest)
{
    int nSlash = strLocation.Find('\\');
    strRoot = nSlash >= 0 ? strLocation.Left(nSlash) : strLocation;
    strRest = strLocation.Mid(nSlash >= 0 ? nSlash + 1 : 1);
}

void SetTopmost(HWND hWnd, bool bTopmost)
{
    SetWindowPos(hWnd, bTopmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
}

} // namespace

CPropSheet_Corvatel::CPropSheet_Corvatel(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage, HBITMAP hbmWatermark,
                                         HPALETTE hpalWatermark, HBITMAP hbmHeader)
    : CPropertySheet(nIDCaption, pParentWnd, iSelectPage, hbmWatermark, hpalWatermark, hbmHeader)
{
    Construct();
}

CPropSheet_Corvatel::CPropSheet_Corvatel(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage, HBITMAP hbmWatermark,
                                         HPALETTE hpalWatermark, HBITMAP hbmHeader)
    : CPropertySheet(pszCaption, pParentWnd, iSelectPage, hbmWatermark, hpalWatermark, hbmHeader)
{
    Construct();
}

void CPropSheet_Corvatel::Construct()
{
    LoadCatalogue();
    m_psh.dwFlags |= PSH_WIZARD97 | PSH_USEHBMWATERMARK | PSH_USEHBMHEADER | PSH_HASHELP;
}

CPropSheet_Corvatel::~CPropSheet_Corvatel()
{
    // The client holds COM references, so it goes before COM does.
    delete m_pSkelvar;
    m_pSkelvar = nullptr;
    CoUninitialize();
    DeleteObListItems(&m_lstQueueItems);
    DeleteObListItems(&m_lstProductItems);
    delete m_pPageAppSelection;
    delete m_pPageDestinationFolder;
    delete m_pPageLicense;
    delete m_pPageInstall;
}

void CPropSheet_Corvatel::LoadCatalogue()
{
    m_pSkelvar = nullptr;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);

    m_sysInfo.CollectSystemInfo();
    if (!m_sysInfo.m_bAdmin) {
        CString strAdvice;
        strAdvice.LoadString(IDS_ADMIN_ADVICE);
        AfxMessageBox(strAdvice, MB_OK);
    }

    CString strAltLocation = CommandLine().m_strXmlFile;
    if (!CommandLine().m_strInstallFolder.IsEmpty())
        strAltLocation.Format("%s%s", static_cast<LPCSTR>(AddTrailingBackslash(CommandLine().m_strInstallFolder)),
                              kCatalogueFileName);
    m_pSkelvar = new CSkelvar(kCatalogueLocation, strAltLocation, kLicenseLocation);

    CreateFolders();

    int bLoaded = m_pSkelvar->Init(GetServerHost(), kLicenseLocation);
    CString strNoticeLogLine = CheckProgramVersion();
    if (!bLoaded) {
        // One retry from the built-in location only.
        delete m_pSkelvar;
        m_pSkelvar = new CSkelvar(kCatalogueLocation, "", kLicenseLocation);
        bLoaded = m_pSkelvar->Init("", "");
    }
    CString strCatalogueLogLine;
    if (bLoaded) {
        m_pSkelvar->SetCorvatel(1);
        try {
            m_vecProducts = m_pSkelvar->m_vecProducts;
            m_strLicenseText = m_pSkelvar->m_strLicense;
        } catch (const std::bad_alloc&) {
            // A catalogue that fits in memory once but not twice goes as one that cannot be read.
            std::vector<CProductInfo>().swap(m_vecProducts);
            std::vector<CProductInfo>().swap(m_pSkelvar->m_vecProducts);
            m_strLicenseText.Empty();
            strCatalogueLogLine = "The catalogue does not fit in the memory left: no applications are listed";
        }
    }

    m_pPageAppSelection = new CPropPage_AppSelection(this);
    m_pPageDestinationFolder = new CPropPage_DestinationFolder(this);
    m_pPageLicense = new CPropPage_License(this);
    m_pPageInstall = new CPropPage_Install(this);
    AddPage(m_pPageAppSelection);
    if (!HasPathOverride())
        AddPage(m_pPageDestinationFolder);
    AddPage(m_pPageLicense);
    AddPage(m_pPageInstall);
    for (const CString& strLine : {strNoticeLogLine, strCatalogueLogLine})
        if (!strLine.IsEmpty())
            m_pPageInstall->WriteLogLine(strLine, false);
}

void CPropSheet_Corvatel::CreateFolders()
{
    m_strDownloadFolder = m_pSkelvar->GetDownloadPath();
    m_strInstallRoot = m_pSkelvar->GetInstallPath();
    if (!DirectoryExists(m_strDownloadFolder))
        CreateDirectoryA(m_strDownloadFolder, nullptr);
}

CString CPropSheet_Corvatel::CheckProgramVersion()
{
    CString strOwnVersion = GetOwnVersionText();
    if (strOwnVersion.IsEmpty() || m_pSkelvar->m_strCorvatelMinVer.IsEmpty())
        return CString();
    long lOwn[4] = {};
    long lRequired[4] = {};
    CSkelvar::VersionStringToVersionArray(strOwnVersion, lOwn);
    CSkelvar::VersionStringToVersionArray(m_pSkelvar->m_strCorvatelMinVer, lRequired);
    if (CSkelvar::CompareVersion(lOwn, lRequired, 4) >= 0)
        return CString();
    CString strMessage;
    strMessage.Format("A newer version of Corvatel is needed to install some applications.\n\nPlease download and "
                      "install Corvatel v%s or later.",
                      static_cast<LPCSTR>(m_pSkelvar->m_strCorvatelMinVer));
    CNewerVersionDlg dialog(this, strMessage, m_pSkelvar->m_strCorvatelDownloadURL);
    dialog.DoModal();
    CString strLogLine;
    if (!dialog.IsLinkWorking())
        strLogLine.Format("The download link of the newer-version notice does not work: \"%s\" is not an http:// or "
                          "https:// address",
                          static_cast<LPCSTR>(m_pSkelvar->m_strCorvatelDownloadURL));
    return strLogLine;
}

void CPropSheet_Corvatel::BuildItemList()
{
    for (CProductInfo& product : m_vecProducts)
        m_lstProductItems.Add(new CAppDetailsObj(&product));
}

BOOL CPropSheet_Corvatel::OnInitDialog()
{
    BOOL bResult = CPropertySheet::OnInitDialog();
    SetWindowLongA(m_hWnd, GWL_STYLE, GetWindowLongA(m_hWnd, GWL_STYLE) | WS_MINIMIZEBOX);
    SetTopmost(m_hWnd, true);
    HICON hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_CORVATEL));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
    PostMessage(WM_SETFOCUS);
    BuildItemList();

    if (HasPathOverride()) {
        m_strDownloadFolder = CommandLine().m_strInstallFolder;
        m_pSkelvar->SetDownloadPath(m_strDownloadFolder);
        m_strInstallRoot = GetDefaultInstallRoot();
        if (!DirectoryExists(m_strInstallRoot))
            SHCreateDirectoryExA(nullptr, m_strInstallRoot, nullptr);
    }
    return bResult;
}

LRESULT CPropSheet_Corvatel::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_SETFOCUS: {
        // The wizard comes up in front once, then behaves like any other window.
        static bool s_bFirstFocus = true;
        LRESULT lResult = Default(uMsg, wParam, lParam);
        if (s_bFirstFocus)
            s_bFirstFocus = false;
        else
            SetTopmost(m_hWnd, false);
        return lResult;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDHELP) {
            GetCorvatelApp()->OnHelp();
            return 0;
        }
        break;
    }
    return CPropertySheet::WindowProc(uMsg, wParam, lParam);
}

CString CPropSheet_Corvatel::GetServerHost() const
{
    return CommandLine().m_strFtpHost.IsEmpty() ? CString(QUENDAR_DOWNLOAD_HOST) : CommandLine().m_strFtpHost;
}

unsigned short CPropSheet_Corvatel::GetServerPort() const
{
    return CommandLine().m_nPort ? CommandLine().m_nPort : kDefaultPort;
}

bool CPropSheet_Corvatel::HasPathOverride() const
{
    return !CommandLine().m_strInstallFolder.IsEmpty();
}

bool CPropSheet_Corvatel::IsProductNamedOnCommandLine(CString strName) const
{
    const CStringList& products = CommandLine().m_lstProducts;
    if (products.IsEmpty())
        return true;
    for (POSITION pos = products.GetHeadPosition(); pos;)
        if (products.GetNext(pos).CompareNoCase(strName) == 0)
            return true;
    return false;
}

CAppDetailsObj* CPropSheet_Corvatel::FindProduct(CObList* pList, CString strName, CString strVersion, int nMode)
{
    for (POSITION pos = pList->GetHeadPosition(); pos;) {
        CAppDetailsObj* pItem = static_cast<CAppDetailsObj*>(pList->GetNext(pos));
        CProductInfo* pProduct = pItem->m_pProductInfo;
        if (pProduct->GetName().CompareNoCase(strName) != 0 || pProduct->GetVersion().CompareNoCase(strVersion) != 0)
            continue;
        if ((nMode == 2 && !pProduct->m_bBeta) || (nMode == 3 && !pProduct->m_bSnip))
            continue;
        return pItem;
    }
    return nullptr;
}

CAppDetailsObj* CPropSheet_Corvatel::FindProduct(CAppDetailsList* pList, CString strName, CString strVersion, int nMode)
{
    return pList->Find(strName, strVersion, nMode);
}

CAppDetailsObj* CPropSheet_Corvatel::FindOrAddAppDetails(CProductInfo* pProduct)
{
    CAppDetailsObj* pItem = FindProduct(&m_lstQueueItems, pProduct->GetName(), pProduct->GetVersion(), 0);
    if (!pItem) {
        pItem = new CAppDetailsObj(pProduct);
        m_lstQueueItems.Add(pItem);
    }
    return pItem;
}

int CPropSheet_Corvatel::CompareInstalledVersion(CAppDetailsObj* pItem, CProductInfo* pDependency)
{
    if (!pItem || !pDependency)
        return ClassNone;
    if (CommandLine().m_bUpdateAll || HasPathOverride())
        return ClassNeeded;
    // What an earlier installed-version check stored in the sheet's record.
    CString strInstalled = pItem->m_pProductInfo->GetInstalledVersion();
    if (strInstalled.IsEmpty())
        return ClassNeeded;
    long lInstalled[4] = {};
    CSkelvar::VersionStringToVersionArray(strInstalled, lInstalled);
    if (CSkelvar::CompareVersion(lInstalled, pDependency->m_lMinRequiredVersion, 4) < 0)
        return ClassNeeded;
    return IsProductNew(pDependency) ? ClassNewer : ClassCurrent;
}

int CPropSheet_Corvatel::IsProductNew(CProductInfo* pProduct)
{
    bool bSearching = m_pSkelvar && !m_pSkelvar->IsSearchStopped();
    int nNewer = m_installedVersions.IsProductNew(m_pSkelvar, pProduct);
    // Once stopped, the searches stay stopped until the next load: said once.
    if (bSearching && m_pSkelvar->IsSearchStopped()) {
        CString strLine;
        strLine.Format("The search for installed files stopped at %s after %u folder entries: products whose "
                       "file is not where the catalogue says count as not installed",
                       static_cast<LPCSTR>(pProduct->m_strName), static_cast<unsigned>(CSkelvar::kMaxSearchEntries));
        m_pPageInstall->WriteLogLine(strLine, false);
    }
    return nNewer;
}

CString CPropSheet_Corvatel::GetRegisteredFolder(CProductInfo* pProduct)
{
    CString strRoot, strRest;
    SplitLocation(pProduct->GetVersionPath(), strRoot, strRest);
    CString strFolder = CSkelvar::GetPathFromRegistry(strRoot, strRest);
    // A folder on another machine or a device is neither installed into nor opened from.
    return IsLocalPath(strFolder) ? strFolder : CString();
}

CString CPropSheet_Corvatel::GetReleaseNotesPath(CAppDetailsObj* pItem)
{
    const int kInstalled = 10;
    CString strFolder = GetRegisteredFolder(pItem->m_pProductInfo);
    CString strNotes = pItem->m_pProductInfo->GetRelNotes();
    // A name the shell may not open is not looked for either.
    if (strFolder.IsEmpty() || !IsPlainDocumentName(strNotes))
        return CString();
    CString strPath;
    strPath.Format("%s%s", static_cast<LPCSTR>(AddTrailingBackslash(strFolder)), static_cast<LPCSTR>(strNotes));
    return (_access(strPath, 0) == 0 && pItem->m_nStatus == kInstalled) ? strPath : CString();
}

CString CPropSheet_Corvatel::GetDefaultDownloadFolder()
{
    CString strFolder;
    strFolder.Format("%s%s", static_cast<LPCSTR>(AddTrailingBackslash(ProgramFilesFolder())), "Quendar\\Downloads");
    return strFolder;
}

CString CPropSheet_Corvatel::GetDefaultInstallRoot()
{
    CString strFolder;
    strFolder.Format("%s%s", static_cast<LPCSTR>(AddTrailingBackslash(ProgramFilesFolder())), "Quendar");
    return strFolder;
}

CString CPropSheet_Corvatel::GetOwnVersionText()
{
    CString strFormat, strVersion;
    strFormat.LoadString(IDS_VERSION);
    strVersion.Format(strFormat, "4", "00", "11");
    return strVersion;
}

BOOL RestartWindows()
{
    HANDLE hToken = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken);
    TOKEN_PRIVILEGES privileges = {};
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(hToken, FALSE, &privileges, 0, nullptr, nullptr);
    InitiateSystemShutdownA(nullptr, nullptr, 0, FALSE, TRUE);
    privileges.Privileges[0].Attributes = 0;
    BOOL bResult = AdjustTokenPrivileges(hToken, FALSE, &privileges, 0, nullptr, nullptr);
    if (hToken)
        CloseHandle(hToken);
    return bResult;
}

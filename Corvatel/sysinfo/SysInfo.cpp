#include <winsock2.h>

#include "SysInfo.h"

#include "Utilities.h"

#include <CRegKey.h>

#include <stdio.h>
#include <string.h>

#include <vector>

namespace {

template <class T>
T EntryPoint(HMODULE hModule, const char* pszName)
{
    FARPROC pfn = hModule ? GetProcAddress(hModule, pszName) : nullptr;
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(pfn));
}

// A text value that fits 100 bytes; false (and the text untouched) otherwise or when empty.
bool QueryText(const CRegKey& key, const char* pszName, CString& strText)
{
    CString strRead;
    DWORD dwSize = 0;
    if (key.QueryStringValue(pszName, strRead, 100, &dwSize) != ERROR_SUCCESS || dwSize == 0)
        return false;
    strText = strRead;
    return true;
}

// "a.b.c.d" into the four parts, last part first; parts that do not scan keep their value.
void ScanVersion(const char* pszVersion, int* pnParts)
{
    sscanf(pszVersion, "%d.%d.%d.%d", &pnParts[3], &pnParts[2], &pnParts[1], &pnParts[0]);
}

} // namespace

CSnmpMib::CSnmpMib()
    : m_hModule(nullptr), m_pfnInit(nullptr), m_pfnInitEx(nullptr), m_pfnQuery(nullptr), m_pfnTrap(nullptr),
      m_bWinsockStarted(false)
{
    m_hModule = LoadLibraryA("inetmib1.dll");
    if (m_hModule) {
        m_pfnInit = EntryPoint<PFNSNMPEXTENSIONINIT>(m_hModule, "SnmpExtensionInit");
        m_pfnInitEx = EntryPoint<PFNSNMPEXTENSIONINITEX>(m_hModule, "SnmpExtensionInitEx");
        m_pfnQuery = EntryPoint<PFNSNMPEXTENSIONQUERY>(m_hModule, "SnmpExtensionQuery");
        m_pfnTrap = EntryPoint<PFNSNMPEXTENSIONTRAP>(m_hModule, "SnmpExtensionTrap");
    }
    // Only a start that succeeded may be balanced by a cleanup: Winsock counts its users.
    WSADATA data;
    m_bWinsockStarted = WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

CSnmpMib::~CSnmpMib()
{
    if (m_bWinsockStarted)
        WSACleanup();
    if (m_hModule) {
        FreeLibrary(m_hModule);
        m_hModule = nullptr;
    }
}

BOOL CSnmpMib::InitExtension()
{
    if (!m_hModule || !m_pfnInit)
        return FALSE;
    // The agent writes a whole object identifier here, not just a pointer. Its ids stay the
    // agent's: they are allocated once per process and never handed back.
    HANDLE hTrapEvent = nullptr;
    AsnObjectIdentifier firstView = {};
    return m_pfnInit(GetTickCount(), &hTrapEvent, &firstView);
}

CSysInfo::CSysInfo()
    : m_tCreated(_time64(nullptr)), m_bAdmin(0), m_bUacEnabled(1), m_bSnmpInitialised(0), m_pfnGetIfEntry(nullptr),
      m_pfnGetAdaptersInfo(nullptr), m_bIpHlpApiLoaded(0), m_hIpHlpApi(nullptr), m_bIsNT(0), m_dwCpuMhz(0),
      m_nProcessors(0), m_nServicePack(0), m_dwBuildNumber(0), m_dwMinorVersion(0), m_dwMajorVersion(0),
      m_bPsApiLoaded(0), m_hPsApi(nullptr), m_pfnGetProcessMemoryInfo(nullptr), m_dwMemoryLoad(0),
      m_ullAvailVirtual(0), m_ullTotalVirtual(0), m_ullAvailPageFile(0), m_ullTotalPageFile(0), m_ullAvailPhys(0),
      m_ullTotalPhys(0), m_nIeVersion(), m_nMdacVersion()
{
    // The top bit of GetVersion marks the Windows 9x family.
    m_bIsNT = (GetVersion() & 0x80000000u) == 0;
}

CSysInfo::~CSysInfo()
{
    if (m_bPsApiLoaded)
        FreeLibrary(m_hPsApi);
    if (m_bIpHlpApiLoaded)
        FreeLibrary(m_hIpHlpApi);
}

BYTE CSysInfo::CollectSystemInfo()
{
    LoadHelperLibraries();
    ReadOsVersion();
    ReadProcessorCount();
    ReadCpuInfo();
    ReadMemoryStatus();
    ReadIeVersion();
    ReadDataAccessVersion();
    IsAdmin();
    ReadUserName();
    ReadProgramFolder();
    ReadUacSetting();
    return static_cast<BYTE>(m_bUacEnabled);
}

void CSysInfo::LoadHelperLibraries()
{
    // A second collection must not load the libraries again: the destructor frees them once.
    if (!m_bIpHlpApiLoaded)
        m_hIpHlpApi = LoadLibraryA("iphlpapi.dll");
    if (m_hIpHlpApi) {
        m_bIpHlpApiLoaded = 1;
        m_pfnGetAdaptersInfo = EntryPoint<PFN_GETADAPTERSINFO>(m_hIpHlpApi, "GetAdaptersInfo");
        m_pfnGetIfEntry = EntryPoint<PFN_GETIFENTRY>(m_hIpHlpApi, "GetIfEntry");
    }

    m_bSnmpInitialised = m_snmp.InitExtension();

    if (m_bIsNT) {
        if (!m_bPsApiLoaded)
            m_hPsApi = LoadLibraryA("psapi.dll");
        if (m_hPsApi) {
            m_bPsApiLoaded = 1;
            m_pfnGetProcessMemoryInfo = EntryPoint<PFN_GETPROCESSMEMORYINFO>(m_hPsApi, "GetProcessMemoryInfo");
        }
    }
}

void CSysInfo::ReadOsVersion()
{
    m_strOsName.Empty(); // built by appending
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info))
        return;
    m_dwMajorVersion = info.dwMajorVersion;
    m_dwMinorVersion = info.dwMinorVersion;
    m_dwBuildNumber = info.dwBuildNumber;

    if (!m_bIsNT) {
        if (info.dwMinorVersion == 0)
            m_strOsName = "Windows 95";
        else if (info.dwMinorVersion == 10)
            m_strOsName = "Windows 98";
        else if (info.dwMinorVersion == 90)
            m_strOsName = "Windows ME";
        m_strOsName += info.szCSDVersion;
        return;
    }

    for (int i = 1; i <= 9; ++i) {
        char szNumber[2] = {static_cast<char>('0' + i), '\0'};
        if (strstr(info.szCSDVersion, szNumber)) {
            m_nServicePack = i;
            break;
        }
    }

    if (info.dwMajorVersion == 4)
        m_strOsName = "Windows NT 4.0";
    else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0)
        m_strOsName = "Windows 2000";
    else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1)
        m_strOsName = "Windows XP";

    // The extended record exists from NT 4.0 SP6 on.
    if (info.dwMajorVersion >= 5 || m_nServicePack >= 6) {
        OSVERSIONINFOEXA ex = {};
        ex.dwOSVersionInfoSize = sizeof(ex);
        if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex))) {
            if (ex.wProductType == VER_NT_WORKSTATION) {
                if (ex.dwMajorVersion == 5 && ex.dwMinorVersion == 1)
                    m_strOsName += (ex.wSuiteMask & VER_SUITE_PERSONAL) ? " Home Edition" : " Professional Edition";
                else if (ex.dwMajorVersion == 5 && ex.dwMinorVersion == 0)
                    m_strOsName += " Professional";
                else if (ex.dwMajorVersion == 4)
                    m_strOsName += " Workstation";
            } else if (ex.wProductType == VER_NT_SERVER || ex.wProductType == VER_NT_DOMAIN_CONTROLLER) {
                if (ex.dwMajorVersion == 5) {
                    if (ex.wSuiteMask & VER_SUITE_ENTERPRISE)
                        m_strOsName += " Advanced";
                    if (ex.wSuiteMask & VER_SUITE_DATACENTER)
                        m_strOsName += " DataCenter";
                    if (ex.wSuiteMask & VER_SUITE_TERMINAL)
                        m_strOsName += " Terminal";
                    if (ex.wSuiteMask & VER_SUITE_BACKOFFICE)
                        m_strOsName += " BackOffice";
                    m_strOsName += " Server";
                } else if (ex.dwMajorVersion == 4 && ex.dwMinorVersion == 0) {
                    m_strOsName += " Server";
                }
                if (ex.wProductType == VER_NT_DOMAIN_CONTROLLER)
                    m_strOsName += " Domain Controller";
            }
        }
    }

    if (m_nServicePack > 0) {
        m_strOsName += " ";
        m_strOsName += info.szCSDVersion;
    }
}

void CSysInfo::ReadProcessorCount()
{
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    m_nProcessors = info.dwNumberOfProcessors;
}

void CSysInfo::ReadCpuInfo()
{
    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0") != ERROR_SUCCESS)
        return;
    QueryText(key, "Identifier", m_strCpuIdentifier);
    QueryText(key, "VendorIdentifier", m_strCpuVendor);
    QueryText(key, "ProcessorNameString", m_strCpuName);
    DWORD dwMhz = 0;
    DWORD dwSize = sizeof(dwMhz);
    if (RegQueryValueExA(key, "~MHz", nullptr, nullptr, reinterpret_cast<BYTE*>(&dwMhz), &dwSize) == ERROR_SUCCESS &&
        dwSize != 0)
        m_dwCpuMhz = dwMhz;
}

void CSysInfo::ReadMemoryStatus()
{
    if (m_bIsNT && m_dwMajorVersion >= 5) {
        typedef BOOL(WINAPI * PFN_GLOBALMEMORYSTATUSEX)(MEMORYSTATUSEX*);
        HMODULE hKernel = LoadLibraryA("kernel32.dll");
        auto pfnGlobalMemoryStatusEx = EntryPoint<PFN_GLOBALMEMORYSTATUSEX>(hKernel, "GlobalMemoryStatusEx");
        MEMORYSTATUSEX status = {};
        status.dwLength = sizeof(status);
        if (pfnGlobalMemoryStatusEx && pfnGlobalMemoryStatusEx(&status)) {
            m_dwMemoryLoad = status.dwMemoryLoad;
            m_ullAvailVirtual = status.ullAvailVirtual;
            m_ullTotalVirtual = status.ullTotalVirtual;
            m_ullAvailPageFile = status.ullAvailPageFile;
            m_ullTotalPageFile = status.ullTotalPageFile;
            m_ullAvailPhys = status.ullAvailPhys;
            m_ullTotalPhys = status.ullTotalPhys;
            FreeLibrary(hKernel);
            return;
        }
        if (hKernel)
            FreeLibrary(hKernel);
    }

    MEMORYSTATUS status = {};
    status.dwLength = sizeof(status);
    GlobalMemoryStatus(&status);
    m_dwMemoryLoad = status.dwMemoryLoad;
    m_ullAvailVirtual = status.dwAvailVirtual;
    m_ullTotalVirtual = status.dwTotalVirtual;
    m_ullAvailPageFile = status.dwAvailPageFile;
    m_ullTotalPageFile = status.dwTotalPageFile;
    m_ullAvailPhys = status.dwAvailPhys;
    m_ullTotalPhys = status.dwTotalPhys;
}

void CSysInfo::ReadIeVersion()
{
    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer") != ERROR_SUCCESS)
        return;
    CString strVersion;
    QueryText(key, "Version", strVersion);
    if (!strVersion.IsEmpty())
        ScanVersion(strVersion, m_nIeVersion);
}

void CSysInfo::ReadDataAccessVersion()
{
    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\DataAccess") != ERROR_SUCCESS)
        return;
    CString strVersion;
    if (!QueryText(key, "FullInstallVer", strVersion))
        QueryText(key, "Version", strVersion);
    if (!strVersion.IsEmpty())
        ScanVersion(strVersion, m_nMdacVersion);
}

void CSysInfo::IsAdmin()
{
    if (!m_bIsNT) {
        m_bAdmin = 1;
        return;
    }

    SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
    PSID pAdministrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, &pAdministrators))
        return;

    HANDLE hToken = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken)) {
        std::vector<BYTE> buffer;
        DWORD dwSize = 1024;
        bool bRead = false;
        for (;;) {
            buffer.assign(dwSize, 0);
            DWORD dwAsked = dwSize;
            SetLastError(0);
            if (GetTokenInformation(hToken, TokenGroups, buffer.data(), dwAsked, &dwSize)) {
                bRead = true;
                break;
            }
            // Only a buffer too small is worth another try, and only with more room.
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || dwSize <= dwAsked)
                break;
        }

        // Deny-only membership (a filtered UAC token) counts too: the user can still elevate.
        if (bRead) {
            const TOKEN_GROUPS* pGroups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
            for (DWORD i = 0; i < pGroups->GroupCount; ++i) {
                if (EqualSid(pAdministrators, pGroups->Groups[i].Sid)) {
                    m_bAdmin = 1;
                    break;
                }
            }
        }
        CloseHandle(hToken);
    }
    FreeSid(pAdministrators);
}

void CSysInfo::ReadUserName()
{
    char szName[150] = {};
    DWORD dwSize = 100;
    m_strUserName = GetUserNameA(szName, &dwSize) ? szName : "";
}

void CSysInfo::ReadProgramFolder()
{
    CString strPath = GetModuleFilePath();
    int nBackslash = strPath.ReverseFind('\\');
    if (nBackslash >= 1)
        m_strProgramFolder = strPath.Left(nBackslash + 1);
}

void CSysInfo::ReadUacSetting()
{
    DWORD dwEnableLua = 0;
    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                 KEY_QUERY_VALUE) == ERROR_SUCCESS) {
        DWORD dwSize = sizeof(dwEnableLua);
        if (RegQueryValueExA(key, "EnableLUA", nullptr, nullptr, reinterpret_cast<BYTE*>(&dwEnableLua), &dwSize) !=
            ERROR_SUCCESS)
            dwEnableLua = 0;
    }
    m_bUacEnabled = dwEnableLua != 0;
}

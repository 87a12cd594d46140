#include "WindowsVersion.h"

#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

namespace {

// Zero-initialised before any constructor runs, so the fill may happen from any static object.
int s_bVersionInfoValid;
DWORD s_dwProductType;
OSVERSIONINFOEXA s_osVersionInfo;

// Built on first use, so no static initialiser elsewhere can reach it before it exists.
CString& OsCaption()
{
    static CString s_strOsCaption;
    return s_strOsCaption;
}

const char* const kEditionNames[] = {
    "An unknown product",
    "Ultimate Edition",
    "Home Basic Edition",
    "Home Premium Edition",
    "Enterprise Edition",
    "",
    "Business Edition",
    "Server Standard Edition (full installation)",
    "Server Datacenter Edition (full installation)",
    "Small Business Server",
    "Server Enterprise Edition (full installation)",
    "Starter Edition",
    "Server Datacenter Edition (core installation)",
    "Server Standard Edition (core installation)",
    "Server Enterprise Edition (core installation)",
    "Server Enterprise Edition for Itanium-based Systems",
    "Business Edition",
    "Web Server Edition",
    "Cluster Server Edition",
    "Home Server Edition",
    "Storage Server Express Edition",
    "Storage Server Standard Edition",
    "Storage Server Workgroup Edition",
    "Storage Server Enterprise Edition",
    "Server for Small Business Edition",
    "Small Business Server Premium Edition",
};

struct VersionName
{
    UINT nCode;
    const char* pszName;
};

const VersionName kVersionNames[] = {
    {CWindowsVersion::codeWindows95, "Windows 95"},
    {CWindowsVersion::codeWindows95Sp1, "Windows 95 SP1"},
    {CWindowsVersion::codeWindows95Osr2, "Windows 95 OSR2"},
    {CWindowsVersion::codeWindows98, "Windows 98"},
    {CWindowsVersion::codeWindows98Sp1, "Windows 98 SP1"},
    {CWindowsVersion::codeWindows98Se, "Windows 98 SE"},
    {CWindowsVersion::codeWindowsMe, "Windows ME"},
    {CWindowsVersion::codeWindowsNt351, "Windows NT 3.51"},
    {CWindowsVersion::codeWindowsNt4, "Windows NT 4"},
    {CWindowsVersion::codeWindows2000, "Windows 2000"},
    {CWindowsVersion::codeWindowsXp, "Windows XP"},
    {CWindowsVersion::codeWindowsServer2003, "Windows Server 2003"},
    {CWindowsVersion::codeWindowsVista, "Windows Vista"},
    {CWindowsVersion::codeWindows7, "Windows 7"},
    {CWindowsVersion::codeWindowsCe, "Windows CE"},
};

UINT Windows9xCode(DWORD dwMinor, DWORD dwBuildNumber)
{
    // On this family the high word of the build number repeats the version.
    DWORD dwBuild = LOWORD(dwBuildNumber);
    if (dwMinor < 10) {
        if (dwBuild == 950)
            return CWindowsVersion::codeWindows95;
        if (dwBuild > 950 && dwBuild <= 1080)
            return CWindowsVersion::codeWindows95Sp1;
        if (dwBuild > 1080)
            return CWindowsVersion::codeWindows95Osr2;
    } else if (dwMinor == 10) {
        if (dwBuild == 1998)
            return CWindowsVersion::codeWindows98;
        if (dwBuild > 1998 && dwBuild < 2183)
            return CWindowsVersion::codeWindows98Sp1;
        if (dwBuild >= 2183)
            return CWindowsVersion::codeWindows98Se;
    } else if (dwMinor == 90) {
        return CWindowsVersion::codeWindowsMe;
    }
    return CWindowsVersion::codeUnknown;
}

UINT WindowsNtCode(DWORD dwMajor, DWORD dwMinor)
{
    if (dwMajor == 3 && dwMinor == 51)
        return CWindowsVersion::codeWindowsNt351;
    if (dwMajor == 4 && dwMinor == 0)
        return CWindowsVersion::codeWindowsNt4;
    if (dwMajor == 5 && dwMinor == 0)
        return CWindowsVersion::codeWindows2000;
    if (dwMajor == 5 && dwMinor == 1)
        return CWindowsVersion::codeWindowsXp;
    if (dwMajor == 5 && dwMinor == 2)
        return CWindowsVersion::codeWindowsServer2003;
    if (dwMajor == 6 && dwMinor == 0)
        return CWindowsVersion::codeWindowsVista;
    if (dwMajor == 6 && dwMinor == 1)
        return CWindowsVersion::codeWindows7;
    return CWindowsVersion::codeUnknown;
}

// A BSTR-valued property of a WMI object, or "" when it cannot be read or is no text.
CString ReadTextProperty(IWbemClassObject* pObject, const wchar_t* pszName)
{
    CString strText;
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(pObject->Get(pszName, 0, &value, nullptr, nullptr)) && V_VT(&value) == VT_BSTR && V_BSTR(&value)) {
        const wchar_t* pszWide = V_BSTR(&value);
        int nLength = WideCharToMultiByte(CP_ACP, 0, pszWide, -1, nullptr, 0, nullptr, nullptr);
        if (nLength > 1) {
            WideCharToMultiByte(CP_ACP, 0, pszWide, -1, strText.GetBuffer(nLength), nLength, nullptr, nullptr);
            strText.ReleaseBuffer();
        }
    }
    VariantClear(&value);
    return strText;
}

void QueryOsCaption(CString& strCaption)
{
    IWbemLocator* pLocator = nullptr;
    CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                     reinterpret_cast<void**>(&pLocator));
    if (!pLocator)
        return;

    IWbemServices* pServices = nullptr;
    BSTR bstrNamespace = SysAllocString(L"root\\cimv2");
    pLocator->ConnectServer(bstrNamespace, nullptr, nullptr, nullptr, WBEM_FLAG_CONNECT_USE_MAX_WAIT, nullptr,
                            nullptr, &pServices);
    SysFreeString(bstrNamespace);
    if (pServices) {
        CoSetProxyBlanket(pServices, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                          RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);

        IEnumWbemClassObject* pEnumerator = nullptr;
        BSTR bstrLanguage = SysAllocString(L"WQL");
        BSTR bstrQuery = SysAllocString(L"SELECT * FROM Win32_OperatingSystem");
        pServices->ExecQuery(bstrLanguage, bstrQuery, WBEM_FLAG_FORWARD_ONLY, nullptr, &pEnumerator);
        SysFreeString(bstrQuery);
        SysFreeString(bstrLanguage);
        if (pEnumerator) {
            IWbemClassObject* pObject = nullptr;
            ULONG nReturned = 0;
            pEnumerator->Next(WBEM_INFINITE, 1, &pObject, &nReturned);
            if (pObject && nReturned > 0) {
                CString strName = ReadTextProperty(pObject, L"Caption");
                // A service pack alone names no system; leave the caption empty to ask again.
                if (!strName.IsEmpty()) {
                    strCaption = strName;
                    CString strServicePack = ReadTextProperty(pObject, L"CSDVersion");
                    if (!strServicePack.IsEmpty())
                        strCaption.AppendFormat(" %s", static_cast<const char*>(strServicePack));
                }
            }
            if (pObject)
                pObject->Release();
            pEnumerator->Release();
        }
        pServices->Release();
    }
    pLocator->Release();
}

// Filled during static initialisation, before WinMain and before any thread starts.
const CWindowsVersion s_versionAtStartUp;

} // namespace

CWindowsVersion::CWindowsVersion()
{
    if (!s_bVersionInfoValid)
        InitWindowsVersionInfo();
}

BOOL CWindowsVersion::InitWindowsVersionInfo()
{
    s_dwProductType = 0;
    s_osVersionInfo = OSVERSIONINFOEXA();
    s_osVersionInfo.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    BOOL bResult = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&s_osVersionInfo));
    if (!bResult)
        return bResult;
    s_bVersionInfoValid = 1;

    // Service pack, suite and product type exist from Windows 2000 on.
    if (s_osVersionInfo.dwPlatformId == VER_PLATFORM_WIN32_NT && s_osVersionInfo.dwMajorVersion >= 5) {
        s_osVersionInfo = OSVERSIONINFOEXA();
        s_osVersionInfo.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
        bResult = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&s_osVersionInfo));
    }
    return bResult;
}

UINT CWindowsVersion::WindowsVersionCode() const
{
    const OSVERSIONINFOEXA& info = s_osVersionInfo;
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
        return info.dwMajorVersion == 4 ? Windows9xCode(info.dwMinorVersion, info.dwBuildNumber) : codeUnknown;
    case VER_PLATFORM_WIN32_NT: {
        UINT nCode = WindowsNtCode(info.dwMajorVersion, info.dwMinorVersion);
        if (nCode == codeWindowsVista)
            QueryProductType();
        return nCode;
    }
    case 3: // Windows CE
        return codeWindowsCe;
    default:
        return codeUnknown;
    }
}

CString CWindowsVersion::WindowsVersionName() const
{
    UINT nCode = WindowsVersionCode();
    for (const VersionName& name : kVersionNames)
        if (name.nCode == nCode)
            return name.pszName;
    return "unknown Windows version";
}

DWORD CWindowsVersion::QueryProductType() const
{
    if (s_dwProductType)
        return s_dwProductType;
    typedef BOOL(WINAPI * PFN_GETPRODUCTINFO)(DWORD, DWORD, DWORD, DWORD, PDWORD);
    HMODULE hKernel = GetModuleHandleA("KERNEL32.DLL");
    FARPROC pfn = hKernel ? GetProcAddress(hKernel, "GetProductInfo") : nullptr;
    if (pfn) {
        // Asked as Windows 6.0 without a service pack, whatever the record says.
        auto pfnGetProductInfo = reinterpret_cast<PFN_GETPRODUCTINFO>(reinterpret_cast<void (*)()>(pfn));
        pfnGetProductInfo(6, 0, 0, 0, &s_dwProductType);
    }
    return s_dwProductType;
}

CString CWindowsVersion::WindowsEditionName() const
{
    if (s_dwProductType < sizeof(kEditionNames) / sizeof(kEditionNames[0]))
        return kEditionNames[s_dwProductType];
    return CString();
}

const CString& CWindowsVersion::WmiOsCaption() const
{
    CString& strCaption = OsCaption();
    if (strCaption.IsEmpty())
        QueryOsCaption(strCaption);
    return strCaption;
}

bool CWindowsVersion::IsWindowsVista() const
{
    return WindowsVersionCode() == codeWindowsVista;
}

const OSVERSIONINFOEXA& CWindowsVersion::VersionInfo()
{
    return s_osVersionInfo;
}

bool CWindowsVersion::IsVersionInfoValid()
{
    return s_bVersionInfoValid != 0;
}

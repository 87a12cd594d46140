// The program's registry key with the download and install folders, and registry
// locations named by text: a root-key name plus a path whose last backslash starts the value name.
#include "RegistryValue.h"
#include "Skelvar.h"

namespace {

using tesmaro::ReadStringValue;
using tesmaro::ReadValueText;
using tesmaro::SplitValuePath;

const char kProgramKey[] = "SOFTWARE\\Quendar Electronics Inc.\\Quendar Corvatel";

bool WriteStringValue(HKEY hKey, LPCSTR pszValueName, const CString& strText)
{
    return RegSetValueExA(hKey, pszValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(static_cast<LPCSTR>(strText)),
                          strText.GetLength() + 1) == ERROR_SUCCESS;
}

} // namespace

int CSkelvar::GetRegistryInfo()
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProgramKey, 0, nullptr, 0, KEY_READ, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return 0;
    CString strDownload, strInstall;
    bool bRead = ReadStringValue(hKey, "Download", strDownload) && ReadStringValue(hKey, "Install", strInstall);
    RegCloseKey(hKey);
    if (!bRead)
        return 0;
    m_strDownloadPath = strDownload;
    m_strInstallPath = strInstall;
    return 1;
}

int CSkelvar::SetRegistryInfo()
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProgramKey, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return 0;
    bool bDownload = WriteStringValue(hKey, "Download", m_strDownloadPath);
    bool bInstall = WriteStringValue(hKey, "Install", m_strInstallPath);
    RegCloseKey(hKey);
    return (bDownload && bInstall) ? 1 : 0;
}

HKEY CSkelvar::GetKey(const CString& strRootName)
{
    static const struct {
        const char* pszName;
        HKEY hKey;
    } kRoots[] = {
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},   {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_USERS", HKEY_USERS},                   {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
        {"HKEY_DYN_DATA", HKEY_DYN_DATA},
    };
    for (const auto& root : kRoots)
        if (strRootName.CompareNoCase(root.pszName) == 0)
            return root.hKey;
    return nullptr;
}

CString CSkelvar::GetPathFromRegistry(const CString& strRootName, const CString& strPath)
{
    HKEY hRoot = GetKey(strRootName);
    if (strRootName.IsEmpty() || strPath.IsEmpty() || !hRoot)
        return CString();
    CString strText;
    ReadValueText(hRoot, strPath, strText);
    return strText;
}

int CSkelvar::SetPathInRegistry(const CString& strRootName, const CString& strPath, const CString& strText)
{
    if (strRootName.IsEmpty() || strPath.IsEmpty())
        return 1;
    HKEY hRoot = GetKey(strRootName);
    if (!hRoot)
        return 0;
    CString strKey, strValue;
    SplitValuePath(strPath, strKey, strValue);
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(hRoot, strKey, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return 0;
    bool bWritten = WriteStringValue(hKey, strValue, strText);
    RegCloseKey(hKey);
    return bWritten ? 1 : 0;
}

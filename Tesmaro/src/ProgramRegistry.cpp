// The program's registry key with the download and install folders, and registry
// locations named by text: a root-key name plus a path whose last backslash starts the value name.
#include "ProgramKey.h"
#include "RegistryValue.h"
#include "Skelvar.h"

namespace {

using tesmaro::ReadStringValue;
using tesmaro::ReadValueText;
using tesmaro::SplitValuePath;

const char kProgramKey[] = CORVATEL_PROGRAM_KEY;

} // namespace

int CSkelvar::GetRegistryInfo()
{
    CRegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, kProgramKey, KEY_READ) != ERROR_SUCCESS)
        return 0;
    CString strDownload, strInstall;
    if (!ReadStringValue(key, "Download", strDownload) || !ReadStringValue(key, "Install", strInstall))
        return 0;
    m_strDownloadPath = strDownload;
    m_strInstallPath = strInstall;
    return 1;
}

int CSkelvar::SetRegistryInfo()
{
    CRegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, kProgramKey, KEY_WRITE) != ERROR_SUCCESS)
        return 0;
    bool bDownload = key.SetStringValue("Download", m_strDownloadPath) == ERROR_SUCCESS;
    bool bInstall = key.SetStringValue("Install", m_strInstallPath) == ERROR_SUCCESS;
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
    DWORD dwType = REG_NONE;
    // A folder is a text: a number, bytes or a list name none.
    if (!ReadValueText(hRoot, strPath, strText, &dwType) || (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
        return CString();
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
    CRegKey key;
    if (key.Create(hRoot, strKey, KEY_WRITE) != ERROR_SUCCESS)
        return 0;
    return key.SetStringValue(strValue, strText) == ERROR_SUCCESS ? 1 : 0;
}

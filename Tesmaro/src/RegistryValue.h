// Registry helpers shared by Tesmaro's registry operations (not exported).
#pragma once

#include <CString.h>

#include <string.h>
#include <windows.h>

namespace tesmaro {

// Every string value read takes at most this many bytes.
const DWORD kValueBufferSize = 260;

// Reads a string value of at most 260 bytes; the text ends at the size the read reports.
inline bool ReadStringValue(HKEY hKey, LPCSTR pszValueName, CString& strText)
{
    char buffer[kValueBufferSize + 1] = {};
    DWORD dwSize = kValueBufferSize;
    if (RegQueryValueExA(hKey, pszValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &dwSize) != ERROR_SUCCESS)
        return false;
    strText = CString(buffer, static_cast<int>(strnlen(buffer, dwSize)));
    return true;
}

// Splits "key\path\value" at its last backslash; without one the key path is empty.
inline void SplitValuePath(const CString& strPath, CString& strKey, CString& strValue)
{
    int nSlash = strPath.ReverseFind('\\');
    strKey = nSlash >= 0 ? strPath.Left(nSlash) : CString();
    strValue = strPath.Mid(nSlash + 1);
}

// Reads the value a path names (key path, last backslash, value name) under an open root key;
// the key is created when missing and the process may.
inline bool ReadValueText(HKEY hRoot, const CString& strPath, CString& strText)
{
    CString strKey, strValue;
    SplitValuePath(strPath, strKey, strValue);
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(hRoot, strKey, 0, nullptr, 0, KEY_READ, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return false;
    bool bRead = ReadStringValue(hKey, strValue, strText);
    RegCloseKey(hKey);
    return bRead;
}

} // namespace tesmaro

// Registry helpers shared by Tesmaro's registry operations (not exported).
#pragma once

#include <CRegKey.h>
#include <CString.h>

namespace tesmaro {

// Every string value read takes at most this many bytes.
const DWORD kValueBufferSize = 260;

// Reads a string value of at most 260 bytes; the text ends at the size the read reports. The
// value's type, when asked for, is what the registry holds, whatever it is.
inline bool ReadStringValue(const CRegKey& key, LPCSTR pszValueName, CString& strText, DWORD* pdwType = nullptr)
{
    return key.QueryStringValue(pszValueName, strText, kValueBufferSize, nullptr, pdwType) == ERROR_SUCCESS;
}

// Splits a location "root\key\...\value" at its first backslash into the root name and the path;
// a text without one is taken as a root name, and its path as the text less its first character.
inline void SplitRegistryLocation(const CString& strLocation, CString& strRootName, CString& strPath)
{
    int nSlash = strLocation.Find('\\');
    strRootName = nSlash >= 0 ? strLocation.Left(nSlash) : strLocation;
    strPath = strLocation.Mid(nSlash >= 0 ? nSlash + 1 : 1);
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
inline bool ReadValueText(HKEY hRoot, const CString& strPath, CString& strText, DWORD* pdwType = nullptr)
{
    CString strKey, strValue;
    SplitValuePath(strPath, strKey, strValue);
    CRegKey key;
    return key.Create(hRoot, strKey, KEY_READ) == ERROR_SUCCESS && ReadStringValue(key, strValue, strText, pdwType);
}

} // namespace tesmaro

// CRegKey: an open registry key that closes itself on every path out of its owner's scope, and a
// bounded read of a value as text.
#pragma once

#include "CString.h"

#include <windows.h>

class CRegKey
{
public:
    CRegKey() : m_hKey(nullptr) {}
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Opens a key that exists; the result is the registry's (ERROR_SUCCESS when open).
    LONG Open(HKEY hParent, LPCSTR pszKeyName, REGSAM samDesired = KEY_READ);
    // Opens a key, making it and the keys above it when missing and the caller may.
    LONG Create(HKEY hParent, LPCSTR pszKeyName, REGSAM samDesired = KEY_READ | KEY_WRITE);
    void Close();
    operator HKEY() const { return m_hKey; }

    // Reads a value of at most dwMaxBytes bytes, whatever its type, as text that ends at its first
    // zero or at the size read (stored texts need not end with a zero). A longer value is not read
    // (ERROR_MORE_DATA). strText changes only on success; pdwBytes, when given, gets the size read,
    // and pdwType the value's type.
    LONG QueryStringValue(LPCSTR pszValueName, CString& strText, DWORD dwMaxBytes, DWORD* pdwBytes = nullptr,
                          DWORD* pdwType = nullptr) const;
    // Writes text as a REG_SZ value, its zero included.
    LONG SetStringValue(LPCSTR pszValueName, const CString& strText);

private:
    HKEY m_hKey;
};

#include "CRegKey.h"

#include <string.h>

LONG CRegKey::Open(HKEY hParent, LPCSTR pszKeyName, REGSAM samDesired)
{
    Close();
    return RegOpenKeyExA(hParent, pszKeyName, 0, samDesired, &m_hKey);
}

LONG CRegKey::Create(HKEY hParent, LPCSTR pszKeyName, REGSAM samDesired)
{
    Close();
    return RegCreateKeyExA(hParent, pszKeyName, 0, nullptr, 0, samDesired, nullptr, &m_hKey, nullptr);
}

void CRegKey::Close()
{
    if (m_hKey) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
}

LONG CRegKey::QueryStringValue(LPCSTR pszValueName, CString& strText, DWORD dwMaxBytes, DWORD* pdwBytes,
                               DWORD* pdwType) const
{
    CString strRead;
    char* pBuffer = strRead.GetBuffer(static_cast<int>(dwMaxBytes));
    DWORD dwSize = dwMaxBytes;
    LONG lResult = RegQueryValueExA(m_hKey, pszValueName, nullptr, pdwType, reinterpret_cast<BYTE*>(pBuffer), &dwSize);
    if (lResult != ERROR_SUCCESS) {
        strRead.ReleaseBuffer(0);
        return lResult;
    }
    strRead.ReleaseBuffer(static_cast<int>(strnlen(pBuffer, dwSize)));
    strText = strRead;
    if (pdwBytes)
        *pdwBytes = dwSize;
    return ERROR_SUCCESS;
}

LONG CRegKey::SetStringValue(LPCSTR pszValueName, const CString& strText)
{
    return RegSetValueExA(m_hKey, pszValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(static_cast<LPCSTR>(strText)),
                          strText.GetLength() + 1);
}

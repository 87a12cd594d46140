// While it lives, HKEY_LOCAL_MACHINE is a private key of this test process (under HKEY_CURRENT_USER,
// named after the process), so what the program reads or writes there is the test's own and tests
// in other processes never see it. Child processes still see the real one.
#pragma once

#include <windows.h>

#include <string>

class CPrivateMachineKey
{
public:
    CPrivateMachineKey() : m_strName("Software\\Quendar Test Machine " + std::to_string(GetCurrentProcessId()))
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, m_strName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_hKey);
    }
    ~CPrivateMachineKey()
    {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(m_hKey);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_strName.c_str());
    }
    CPrivateMachineKey(const CPrivateMachineKey&) = delete;
    CPrivateMachineKey& operator=(const CPrivateMachineKey&) = delete;

    // Sets a text value under the private HKEY_LOCAL_MACHINE.
    void SetText(const char* pszKey, const char* pszValue, const char* pszText) const
    {
        RegSetKeyValueA(m_hKey, pszKey, pszValue, REG_SZ, pszText, static_cast<DWORD>(strlen(pszText) + 1));
    }

    HKEY m_hKey = nullptr;

private:
    std::string m_strName;
};

// While it lives, HKEY_LOCAL_MACHINE is a private key of this test process, named after the running
// test. ctest runs every test in a process of its own, side by side in one prefix: a test that
// writes the program key then writes its own copy, and no other test sees or deletes it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <string>

class CPrivateMachineKey
{
public:
    CPrivateMachineKey()
    {
        const ::testing::TestInfo* pTest = ::testing::UnitTest::GetInstance()->current_test_info();
        m_strKey = "Software\\Quendar Test Machine\\";
        m_strKey += pTest ? std::string(pTest->test_suite_name()) + "." + pTest->name() : "process";
        RegCreateKeyExA(HKEY_CURRENT_USER, m_strKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_hKey);
    }
    ~CPrivateMachineKey()
    {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(m_hKey);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_strKey.c_str());
    }
    CPrivateMachineKey(const CPrivateMachineKey&) = delete;
    CPrivateMachineKey& operator=(const CPrivateMachineKey&) = delete;

private:
    std::string m_strKey;
    HKEY m_hKey = nullptr;
};

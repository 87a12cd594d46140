// The catalogue client as the main program binds it: the exported names, the program's
// registry key and registry locations named by text.
#include <ProductInfo.h>
#include <Skelvar.h>

#include <PrivateMachineKey.h>

#include <gtest/gtest.h>
#include <string>
#include <type_traits>

namespace {

// OnUpdate is the client's one virtual operation; the program deletes it through the exported,
// non-virtual destructor.
static_assert(std::is_polymorphic<CSkelvar>::value && !std::has_virtual_destructor<CSkelvar>::value,
              "CSkelvar: OnUpdate virtual, destructor not");

const char kProgramKey[] = "SOFTWARE\\Quendar Electronics Inc.\\Quendar Corvatel";
// Each test's own key: tests run side by side in one prefix.
std::string TestKey()
{
    const ::testing::TestInfo* pTest = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("Software\\Quendar Test\\Skelvar.") + pTest->name();
}

std::string ReadValue(HKEY hRoot, const char* pszKey, const char* pszValue)
{
    char buffer[300] = {};
    DWORD dwSize = sizeof(buffer) - 1;
    if (RegGetValueA(hRoot, pszKey, pszValue, RRF_RT_REG_SZ, nullptr, buffer, &dwSize) != ERROR_SUCCESS)
        return "<missing>";
    return buffer;
}

std::string VersionString(const char* pszFile, const char* pszKey)
{
    DWORD dwHandle = 0;
    DWORD dwSize = GetFileVersionInfoSizeA(pszFile, &dwHandle);
    std::string block(dwSize, '\0');
    if (!dwSize || !GetFileVersionInfoA(pszFile, 0, dwSize, &block[0]))
        return "";
    char* pValue = nullptr;
    UINT nLength = 0;
    std::string query = std::string("\\StringFileInfo\\040904b0\\") + pszKey;
    return VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&pValue), &nLength) ? pValue : "";
}

class SkelvarTest : public ::testing::Test
{
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, TestKey().c_str()); }

    CPrivateMachineKey m_machineKey;
};

} // namespace

TEST_F(SkelvarTest, ProgramKeyHoldsBothFoldersOrNeither)
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProgramKey);
    {
        CSkelvar client("", "", "");
        EXPECT_STREQ(client.GetDownloadPath(), "");
        EXPECT_STREQ(client.GetInstallPath(), "");
    }
    // Building a client creates the empty key where the process may.
    HKEY hKey = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProgramKey, 0, KEY_READ, &hKey), ERROR_SUCCESS);
    RegCloseKey(hKey);

    // "Download" alone is not enough: neither folder is taken.
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProgramKey, "Download", REG_SZ, "C:\\Quendar\\Downloads", 21);
    {
        CSkelvar client("", "", "");
        EXPECT_STREQ(client.GetDownloadPath(), "");
        EXPECT_EQ(client.GetRegistryInfo(), 0);
        client.SetDownloadPath("C:\\Quendar\\Downloads");
        client.SetInstallPath("C:\\Program Files\\Quendar");
        EXPECT_EQ(client.SetRegistryInfo(), 1);
    }
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProgramKey, "Install"), "C:\\Program Files\\Quendar");
    {
        CSkelvar client("", "", "");
        EXPECT_STREQ(client.GetDownloadPath(), "C:\\Quendar\\Downloads");
        EXPECT_STREQ(client.GetInstallPath(), "C:\\Program Files\\Quendar");
    }

    // A folder longer than a value read takes counts as unreadable.
    std::string longPath = "C:\\" + std::string(300, 'd');
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProgramKey, "Download", REG_SZ, longPath.c_str(),
                    static_cast<DWORD>(longPath.size() + 1));
    CSkelvar client("", "", "");
    EXPECT_EQ(client.GetRegistryInfo(), 0);
    EXPECT_STREQ(client.GetInstallPath(), "");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProgramKey);
}

TEST_F(SkelvarTest, RegistryLocationsSelectTheirOwnRootKeys)
{
    const std::string key = TestKey();
    std::string path = key + "\\Install Path";
    EXPECT_EQ(CSkelvar::SetPathInRegistry("HKEY_CURRENT_USER", path.c_str(), "C:\\Quendar\\Tools"), 1);
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, key.c_str(), "Install Path"), "C:\\Quendar\\Tools");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, key.c_str(), "Install Path"), "<missing>");
    EXPECT_STREQ(CSkelvar::GetPathFromRegistry("hkey_current_user", path.c_str()), "C:\\Quendar\\Tools");

    // Unknown root names select nothing: reads give nothing, writes fail.
    EXPECT_STREQ(CSkelvar::GetPathFromRegistry("HKEY_NOWHERE", path.c_str()), "");
    EXPECT_EQ(CSkelvar::SetPathInRegistry("HKEY_NOWHERE", path.c_str(), "x"), 0);

    // Nothing to write is not a failure; nothing to read gives an empty text.
    EXPECT_EQ(CSkelvar::SetPathInRegistry("", path.c_str(), "x"), 1);
    EXPECT_EQ(CSkelvar::SetPathInRegistry("HKEY_CURRENT_USER", "", "x"), 1);
    EXPECT_STREQ(CSkelvar::GetPathFromRegistry("HKEY_CURRENT_USER", ""), "");
    EXPECT_STREQ(CSkelvar::GetPathFromRegistry("HKEY_CURRENT_USER", (key + "\\Nothing").c_str()), "");
}

TEST_F(SkelvarTest, PathWithoutBackslashNamesAValueOfTheRootKey)
{
    EXPECT_EQ(CSkelvar::SetPathInRegistry("HKEY_CURRENT_USER", "Quendar Test Value", "4.0.11"), 1);
    EXPECT_STREQ(CSkelvar::GetPathFromRegistry("HKEY_CURRENT_USER", "Quendar Test Value"), "4.0.11");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, nullptr, "Quendar Test Value");
}

TEST_F(SkelvarTest, AccessorsKeepWhatTheCallerSets)
{
    CSkelvar client("", "", "");
    client.SetLastUser("quendar");
    EXPECT_STREQ(client.GetLastUser(), "quendar");
    client.SetCorvatel(1);
    EXPECT_EQ(client.IsCorvatel(), 1);
    EXPECT_EQ(client.IsDisplayAtStartup(), 1);
    client.SetDisplayAtStartup(0);
    EXPECT_EQ(client.IsDisplayAtStartup(), 0);
    EXPECT_EQ(client.GetUpdateWindow(), nullptr);
    EXPECT_EQ(client.OnUpdate(0, 0, 0), 0);
    EXPECT_TRUE(client.GetCorvatelMinVer()->IsEmpty());

    // Copies share nothing that the copy's owner could break.
    CSkelvar copy(client);
    copy.SetLastUser("other");
    EXPECT_STREQ(client.GetLastUser(), "quendar");
}

TEST(TesmaroModuleTest, ServesNoComClassAndCarriesItsVersionBlock)
{
    HMODULE hTesmaro = GetModuleHandleA("Tesmaro.dll");
    ASSERT_NE(hTesmaro, nullptr);
    void* pObject = reinterpret_cast<void*>(1);
    // Both bound through Tesmaro's import library.
    EXPECT_EQ(DllGetClassObject(IID_IUnknown, IID_IClassFactory, &pObject), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pObject, nullptr);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    char szPath[MAX_PATH] = {};
    GetModuleFileNameA(hTesmaro, szPath, MAX_PATH);
    EXPECT_EQ(VersionString(szPath, "FileDescription"), "Tesmaro Module");
    EXPECT_EQ(VersionString(szPath, "FileVersion"), "4.0.11.0");
    EXPECT_EQ(VersionString(szPath, "ProductVersion"), "4.0.11.0");
    EXPECT_EQ(VersionString(szPath, "InternalName"), "Tesmaro");
    EXPECT_EQ(VersionString(szPath, "OriginalFilename"), "Tesmaro.DLL");
    EXPECT_EQ(VersionString(szPath, "ProductName"), "Tesmaro Module");
}

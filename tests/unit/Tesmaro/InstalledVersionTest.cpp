// Installed-version detection and the update checks: a catalogue client that has loaded a small
// local catalogue, the prefix's registry, and real folders holding DLLs with version resources.
#include "TestFolders.h"

#include <LocalPath.h>
#include <Skelvar.h>

#include <gtest/gtest.h>

#include <objbase.h>

#include <vector>

namespace {

const char kCatalogue[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Products>
  <Product Id="7" Version="4.0.11" Build="7"><Name>Quendar Corvatel</Name></Product>
  <Product Id="8" Version="4.0.1" Build="5"><Name>Quendar Mixer</Name></Product>
</Products>
)";

// A registry key of the running test's own, removed with it.
class CTestKey
{
public:
    CTestKey(HKEY hRoot, const char* pszRootName) : m_hRoot(hRoot), m_strRootName(pszRootName)
    {
        const ::testing::TestInfo* pTest = ::testing::UnitTest::GetInstance()->current_test_info();
        m_strKey.Format("Software\\Quendar Test\\%s.%s", pTest->test_suite_name(), pTest->name());
    }
    ~CTestKey() { RegDeleteTreeA(m_hRoot, m_strKey); }

    // As a catalogue names a value: root name, key path, value name.
    CString Location(const char* pszValue) const { return m_strRootName + "\\" + m_strKey + "\\" + pszValue; }

    void Set(const char* pszValue, const CString& strText) const
    {
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueA(m_hRoot, m_strKey, pszValue, REG_SZ, static_cast<LPCSTR>(strText),
                                                 strText.GetLength() + 1));
    }

    CString Get(const char* pszValue) const
    {
        HKEY hKey = nullptr;
        char szText[MAX_PATH + 1] = {};
        DWORD dwSize = MAX_PATH;
        if (RegOpenKeyExA(m_hRoot, m_strKey, 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
            RegQueryValueExA(hKey, pszValue, nullptr, nullptr, reinterpret_cast<BYTE*>(szText), &dwSize);
            RegCloseKey(hKey);
        }
        return szText;
    }

private:
    HKEY m_hRoot;
    CString m_strRootName;
    CString m_strKey;
};

std::vector<long> Parts(const long* plVersion)
{
    return std::vector<long>(plVersion, plVersion + 4);
}

// The drive the test prefix maps as a network share (scripts/test), as "R:\".
CString RemoteDrive()
{
    char szDrive[8] = {};
    GetEnvironmentVariableA("CORVATEL_REMOTE_DRIVE", szDrive, sizeof(szDrive));
    CString strRoot = CString(szDrive) + "\\";
    EXPECT_EQ(static_cast<UINT>(DRIVE_REMOTE), GetDriveTypeA(strRoot)) << "no network share in the prefix: " << szDrive;
    return strRoot;
}

// A client whose catalogue can be loaded again, as a new Init would.
class CReloadableClient : public CSkelvar
{
public:
    using CSkelvar::CSkelvar;
    using CSkelvar::LoadCatalogue;
};

class InstalledVersionTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    static void TearDownTestSuite() { CoUninitialize(); }

    InstalledVersionTest()
        : m_key(HKEY_CURRENT_USER, "HKEY_CURRENT_USER"), m_client(m_tree.WriteText("catalogue.xml", kCatalogue), "", "")
    {
    }

    // Version and install folder named by registry values.
    CProductInfo RegistryRecord(const char* pszVersion, const char* pszBuild = "") const
    {
        CProductInfo product(50, pszVersion, "", "", pszBuild, 1, 0, 1);
        product.m_strVersionModule = m_key.Location("Version");
        product.m_bVersionModuleRegistry = 1;
        product.m_strVersionPath = m_key.Location("InstallDir");
        product.m_bVersionPathRegistry = 1;
        return product;
    }

    // Version read from a file's resource; the folder as the catalogue names it.
    static CProductInfo FileRecord(const char* pszVersion, const CString& strFolder, const char* pszModule)
    {
        CProductInfo product(50, pszVersion, "", "", "", 1, 0, 1);
        product.m_strVersionModule = pszModule;
        product.m_strVersionPath = strFolder;
        return product;
    }

    CTempTree m_tree;
    CTestKey m_key;
    CReloadableClient m_client;
};

TEST_F(InstalledVersionTest, RegistryProductIsComparedOverTheCatalogueVersionsParts)
{
    CProductInfo product = RegistryRecord("4.0.11");
    EXPECT_EQ(1, m_client.IsProductNew(&product));
    EXPECT_STREQ("", product.GetInstalledVersion());
    EXPECT_EQ((std::vector<long>{0, 0, 0, 0}), Parts(product.m_lVersion));

    m_key.Set("Version", "4.0");
    m_key.Set("InstallDir", "C:\\Program Files\\Quendar\\Mixer");
    EXPECT_EQ(1, m_client.IsProductNew(&product));
    EXPECT_STREQ("4.0", product.GetInstalledVersion());
    EXPECT_STREQ("C:\\Program Files\\Quendar\\Mixer", product.GetInstalledPath());
    EXPECT_EQ((std::vector<long>{4, 0, 0, 0}), Parts(product.m_lVersion));

    // The fourth part is beyond the catalogue's three; no build location, so they are equal.
    m_key.Set("Version", "4.0.11.7");
    EXPECT_EQ(0, m_client.IsProductNew(&product));
    EXPECT_EQ((std::vector<long>{4, 0, 11, 7}), Parts(product.m_lVersion));

    // A folder on another machine is no installed path.
    m_key.Set("InstallDir", "\\\\host\\share\\Mixer");
    m_client.IsProductNew(&product);
    EXPECT_STREQ("", product.GetInstalledPath());
}

TEST_F(InstalledVersionTest, BuildsDecideBetweenEqualVersions)
{
    CProductInfo product = RegistryRecord("4.0.11", "12");
    product.m_strVersionBuild = m_key.Location("Build");
    m_key.Set("Version", "4.0.11");
    m_key.Set("Build", "9");
    EXPECT_EQ(1, m_client.IsProductNew(&product));
    m_key.Set("Build", "12");
    EXPECT_EQ(0, m_client.IsProductNew(&product));

    // A build that cannot be read counts as zero.
    product.m_strVersionBuild = m_key.Location("NoSuchBuild");
    EXPECT_EQ(1, m_client.IsProductNew(&product));
}

TEST_F(InstalledVersionTest, FileProductIsReadFromTheModuleInItsFolder)
{
    CString strFolder = m_tree.MakeFolder("Quendar\\Mixer");
    m_tree.CopyModule("VerInfoEnglish.dll", "Quendar\\Mixer\\QMixer.dll");
    CProductInfo same = FileRecord("4.0.11", strFolder, "QMixer.dll");
    EXPECT_EQ(0, m_client.IsProductNew(&same));
    EXPECT_STREQ("4.0.11.0", same.GetInstalledVersion());
    EXPECT_STREQ(strFolder, same.GetInstalledPath());

    // The folder from a registry value; the build, as always, from the registry.
    CProductInfo rebuilt = FileRecord("4.0.11", m_key.Location("InstallDir"), "QMixer.dll");
    rebuilt.m_bVersionPathRegistry = 1;
    rebuilt.SetBuild("12");
    rebuilt.m_strVersionBuild = m_key.Location("Build");
    m_key.Set("InstallDir", strFolder + "\\");
    m_key.Set("Build", "9");
    EXPECT_EQ(1, m_client.IsProductNew(&rebuilt));
    EXPECT_STREQ("4.0.11.0", rebuilt.GetInstalledVersion());

    CProductInfo newer = FileRecord("4.0.12", strFolder, "QMixer.dll");
    EXPECT_EQ(1, m_client.IsProductNew(&newer));

    // A device or network path is not read, not even one that leads back to this PC's folder, nor
    // a folder on a drive mapped to a share.
    CTempTree share(RemoteDrive());
    share.CopyModule("VerInfoEnglish.dll", "QMixer.dll");
    for (const CString& strRemote : {"\\\\?\\" + strFolder, "\\\\.\\" + strFolder, "//?/" + strFolder, share.Root()}) {
        CProductInfo remote = FileRecord("4.0.11", strRemote, "QMixer.dll");
        EXPECT_EQ(1, m_client.IsProductNew(&remote)) << strRemote;
        EXPECT_STREQ("", remote.GetInstalledVersion()) << strRemote;
        EXPECT_STREQ("", remote.GetInstalledPath()) << strRemote;
    }
}

TEST(LocalPathTest, NetworkPathsSharedDrivesAndDevicesAreNotLocal)
{
    CString strShare = RemoteDrive();
    const struct
    {
        CString strPath;
        bool bLocal;
    } kCases[] = {
        {"C:\\Program Files\\Quendar\\Mixer", true},
        {"c:/", true},
        {"", true},
        {"\\\\host\\share\\Mixer", false},
        {"/\\host/share", false},
        {"\\??\\C:\\Mixer", false},
        {strShare, false},
        {strShare + "Quendar\\Mixer", false},
        // A device anywhere in the path, with any extension, in any case.
        {"C:\\COM1", false},
        {"C:\\x\\NUL.txt\\y", false},
        {"C:\\Quendar\\com1.dll", false},
        {"C:\\Quendar\\Lpt0", false},
        {"C:/Quendar/COM0.tar.gz", false},
        {"C:\\Quendar\\CONOUT$", false},
        {"C:\\Quendar\\aux .log\\", false},
        {"C:\\Quendar\\CON:stream", false},
        {"C:\\Quendar\\LPT\xB2", false},
        {"C:\\Quendar\\COM10.dll", true},
        {"C:\\Console\\NULL.txt", true},
        {"C:\\Quendar\\LPT", true},
    };
    for (const auto& test : kCases)
        EXPECT_EQ(IsLocalPath(test.strPath), test.bLocal) << test.strPath;

    // A path without a drive letter lies on the current folder's drive.
    char szCurrent[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, szCurrent);
    ASSERT_TRUE(SetCurrentDirectoryA(strShare));
    bool bRelative = IsLocalPath("Quendar\\Mixer"), bRooted = IsLocalPath("\\Quendar");
    SetCurrentDirectoryA(szCurrent);
    EXPECT_FALSE(bRelative);
    EXPECT_FALSE(bRooted);
    EXPECT_TRUE(IsLocalPath("Quendar\\Mixer"));
}

TEST_F(InstalledVersionTest, FileProductWithoutAFolderOrAVersionIsNew)
{
    CProductInfo unnamed = FileRecord("4.0.11", "", "QMixer.dll");
    EXPECT_EQ(1, m_client.IsProductNew(&unnamed));
    EXPECT_STREQ("", unnamed.GetInstalledPath());

    m_tree.MakeFolder("Quendar\\Mixer\\Bin");
    m_tree.CopyModule("VerInfoNone.dll", "Quendar\\Mixer\\QMixer.dll");
    CProductInfo unversioned = FileRecord("4.0.11", m_tree.Path("Quendar\\Mixer"), "QMixer.dll");
    EXPECT_EQ(1, m_client.IsProductNew(&unversioned));
    EXPECT_STREQ("", unversioned.GetInstalledVersion());
}

TEST_F(InstalledVersionTest, SearchFindsTheModuleDeeperInAnyLetterCaseAndRecordsWhere)
{
    m_tree.MakeFolder("Quendar\\Mixer\\Docs");
    m_tree.WriteText("Quendar\\Mixer\\Docs\\readme.txt", "Quendar Mixer");
    CString strFound = m_tree.MakeFolder("Quendar\\Mixer\\Bin\\Release");
    m_tree.CopyModule("VerInfoEnglish.dll", "Quendar\\Mixer\\Bin\\Release\\qmixer.DLL");

    CProductInfo newer = FileRecord("4.0.12", m_tree.Path("Quendar\\Mixer"), "QMixer.dll");
    EXPECT_EQ(1, m_client.IsProductNew(&newer));
    EXPECT_STREQ("4.0.11.0", newer.GetInstalledVersion());
    EXPECT_STREQ(strFound, newer.GetInstalledPath());

    CProductInfo same = FileRecord("4.0.11", m_tree.Path("Quendar\\Mixer"), "QMIXER.DLL");
    EXPECT_EQ(0, m_client.IsProductNew(&same));
}

// The tree's sub-folder links back to it twice: following links walks an exponential number of
// paths, and the test runs into ctest's time-out.
TEST_F(InstalledVersionTest, SearchDoesNotFollowLinkedFolders)
{
    CString strLoop = CORVATEL_LOOPING_TREE;
    strLoop.Replace('/', '\\');
    ASSERT_TRUE(GetFileAttributesA(strLoop + "\\Inner\\Back") & FILE_ATTRIBUTE_REPARSE_POINT) << strLoop;
    CProductInfo product = FileRecord("4.0.11", strLoop, "QLoop.dll");
    EXPECT_EQ(1, m_client.IsProductNew(&product));
}

// All the searches of one load walk at most the bound's folder entries; past it a product found
// only by searching counts as not installed, until the catalogue is loaded again.
TEST_F(InstalledVersionTest, SearchesOfOneLoadStopAtTheirBound)
{
    const int kEntries = 1000;
    CProductInfo missing = FileRecord("4.0.11", m_tree.MakeFullFolder("Full", kEntries), "QMissing.dll");
    m_tree.MakeFolder("Quendar\\Mixer\\Bin");
    m_tree.CopyModule("VerInfoEnglish.dll", "Quendar\\Mixer\\Bin\\QMixer.dll");
    CProductInfo deeper = FileRecord("4.0.11", m_tree.Path("Quendar\\Mixer"), "QMixer.dll");

    // Searches of the full folder come to a thousand entries short of the bound, and the deeper file
    // is still found; the next search of the full folder goes past the bound.
    for (size_t n = 0; n + 1 < CSkelvar::kMaxSearchEntries / kEntries; ++n)
        m_client.IsProductNew(&missing);
    EXPECT_EQ(0, m_client.IsProductNew(&deeper));
    EXPECT_FALSE(m_client.IsSearchStopped());
    m_client.IsProductNew(&missing);
    EXPECT_TRUE(m_client.IsSearchStopped());
    EXPECT_EQ(1, m_client.IsProductNew(&deeper));
    EXPECT_STREQ("", deeper.GetInstalledVersion());

    ASSERT_EQ(1, m_client.LoadCatalogue(kCatalogue, ""));
    EXPECT_FALSE(m_client.IsSearchStopped());
    EXPECT_EQ(0, m_client.IsProductNew(&deeper));
    EXPECT_STREQ("4.0.11.0", deeper.GetInstalledVersion());
}

TEST_F(InstalledVersionTest, MovedFolderInTheRegistryIsReadFromItsNewPlaceAndRewritten)
{
    CTestKey machine(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE");
    CString strOld = m_tree.MakeFolder("Quendar\\Harl-q");
    CString strNew = m_tree.MakeFolder("Quendar\\Harlo-q");
    m_tree.CopyModule("VerInfoEnglish.dll", "Quendar\\Harlo-q\\QHarl.dll");
    machine.Set("InstallDir", strOld);

    CProductInfo product = FileRecord("4.0.12", machine.Location("InstallDir"), "QHarl.dll");
    product.m_bVersionPathRegistry = 1;
    EXPECT_EQ(1, m_client.IsProductNew(&product));
    EXPECT_STREQ("4.0.11.0", product.GetInstalledVersion());
    EXPECT_STREQ(strOld, product.GetInstalledPath());
    EXPECT_STREQ(strNew, machine.Get("InstallDir"));
    EXPECT_STREQ(strNew, machine.Get("Install Path"));
}

TEST_F(InstalledVersionTest, MovedFolderNamedInTheCatalogueIsReadFromItsNewPlaceAndNothingIsWritten)
{
    CString strOld = m_tree.MakeFolder("Quendar\\Harl-q");
    m_tree.MakeFolder("Quendar\\Harlo-q");
    m_tree.CopyModule("VerInfoEnglish.dll", "Quendar\\Harl-q\\QHarl.dll");
    m_tree.CopyModule("VerInfoBeta.dll", "Quendar\\Harlo-q\\QHarl.dll");

    CProductInfo product = FileRecord("4.0.11", strOld, "QHarl.dll");
    EXPECT_EQ(1, m_client.IsProductNew(&product));
    EXPECT_STREQ("2.1 beta", product.GetInstalledVersion());
    EXPECT_STREQ(strOld, product.GetInstalledPath());
    // Read as a registry location the folder names its drive as root and this key path.
    CString strKey = m_tree.Root().Mid(3) + "\\Quendar";
    for (HKEY hRoot : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY hKey = nullptr;
        EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(hRoot, strKey, 0, KEY_READ, &hKey)) << strKey;
    }
}

TEST_F(InstalledVersionTest, NullRecordIsNotNew)
{
    EXPECT_EQ(0, m_client.IsProductNew(nullptr));
}

class UpdateCheckTest : public InstalledVersionTest
{
};

TEST_F(UpdateCheckTest, NumericFormComparesAllDigitsRunTogetherThenBuilds)
{
    // Entry 7: 4.0.11, build 7.
    EXPECT_EQ(1, m_client.IsUpdateable(7, 4011L, 5L));
    EXPECT_EQ(0, m_client.IsUpdateable(7, 4011L, 7L));
    EXPECT_EQ(0, m_client.IsUpdateable(7, 4012L, 1L));
    EXPECT_EQ(0, m_client.IsUpdateable(99, 1L, 1L));
}

TEST_F(UpdateCheckTest, TextFormComparesOverTheCatalogueVersionsPartsThenBuilds)
{
    // Entry 8: 4.0.1, build 5.
    char szOlder[] = "4.0", szLonger[] = "4.0.1.5", szBuild4[] = "4", szBuild5[] = "5";
    EXPECT_EQ(1, m_client.IsUpdateable(8, szOlder, szBuild5));
    EXPECT_EQ(0, m_client.IsUpdateable(8, szLonger, szBuild5));
    EXPECT_EQ(1, m_client.IsUpdateable(8, szLonger, szBuild4));
    EXPECT_EQ(0, m_client.IsUpdateable(99, szOlder, szBuild4));
}

} // namespace

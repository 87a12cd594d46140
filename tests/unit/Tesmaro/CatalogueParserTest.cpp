// The catalogue parse, run on real catalogues with MSXML's DOM.
#include "TestFolders.h"

#include <Skelvar.h>

#include <gtest/gtest.h>

#include <objbase.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Opens the protected parse steps to the tests.
class CCatalogueUnderTest : public CSkelvar
{
public:
    CCatalogueUnderTest() : CSkelvar("", "", "") {}
    using CSkelvar::CreateInstance;
    using CSkelvar::GetXMLString;
    using CSkelvar::LoadCatalogue;
    using CSkelvar::m_pDocument;
};

CString FixturePath(const char* pszName)
{
    return CString(CORVATEL_FIXTURES_DIR "/") + pszName;
}

CString ReadFixture(const char* pszName)
{
    std::ifstream file(static_cast<LPCSTR>(FixturePath(pszName)), std::ios::binary);
    EXPECT_TRUE(file.is_open()) << "fixture " << pszName;
    std::string body((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return CString(body.data(), static_cast<int>(body.size()));
}

std::vector<int> Ids(const std::vector<CProductInfo>& products)
{
    std::vector<int> ids;
    for (const CProductInfo& product : products)
        ids.push_back(product.GetId());
    return ids;
}

std::vector<std::string> AdditionalExes(CProductInfo& product)
{
    std::vector<std::string> names;
    CStringList* pList = product.GetAdditionalExeList();
    for (POSITION pos = pList->GetHeadPosition(); pos;)
        names.push_back(static_cast<LPCSTR>(pList->GetNext(pos)));
    return names;
}

std::vector<long> Parts(const long* plVersion)
{
    return std::vector<long>(plVersion, plVersion + 4);
}

// Product 1 depending nReferences times on product 2, whose entry holds strBody.
std::string TwoProducts(int nReferences, const std::string& strBody)
{
    std::string strCatalogue = "<Products><Product Id='1'><Name>Wide</Name><Dependency>";
    for (int i = 0; i < nReferences; ++i)
        strCatalogue += "<Product Id='2' Version='1.0' Build='1'/>";
    return strCatalogue + "</Dependency></Product><Product Id='2' Version='1.0' Build='1'><Name>Target</Name>" +
           strBody + "</Product></Products>";
}

// Product 2 with n empty elements and a dependency on itself, so that its completion is never
// kept, and product 1 depending on it n times.
std::string WideCycle(int n)
{
    std::string strBody;
    for (int i = 0; i < n; ++i)
        strBody += "<E/>";
    return TwoProducts(n, strBody + "<Dependency><Product Id='2' Version='1.0' Build='1'/></Dependency>");
}

std::string BigNote(int nReferences)
{
    return TwoProducts(nReferences, "<Notes>" + std::string(1 << 20, 'n') + "</Notes>");
}

// Product 2 needing product 3 through a dependency element whose attribute is 1 MB long.
std::string BigDependencyAttribute(int nReferences, const char* pszAttribute)
{
    return TwoProducts(nReferences, std::string("<Dependency><Product Id='3' ") + pszAttribute + "='" +
                                        std::string(1 << 20, '1') + "'/></Dependency>");
}

// Product 2 with nChildren additional-executables children of 50 names each.
std::string ManyExes(int nReferences, int nChildren, const std::string& strName)
{
    std::string strChild = "<Exes";
    for (int i = 1; i <= 50; ++i)
        strChild += " exe" + std::to_string(i) + "='" + strName + "'";
    strChild += "/>";
    std::string strBody = "<AdditionalExes>";
    for (int i = 0; i < nChildren; ++i)
        strBody += strChild;
    return TwoProducts(nReferences, strBody + "</AdditionalExes>");
}

class CatalogueParserTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    static void TearDownTestSuite() { CoUninitialize(); }

    int Load(const char* pszFixture, const char* pszLicence = "")
    {
        if (!m_catalogue.CreateInstance())
            return -1;
        return m_catalogue.LoadCatalogue(ReadFixture(pszFixture), pszLicence);
    }

    // The first record of an id; a failure (and a default record) when there is none.
    CProductInfo& Product(int nId)
    {
        for (CProductInfo& product : m_catalogue.m_vecProducts)
            if (product.GetId() == nId)
                return product;
        ADD_FAILURE() << "no product with id " << nId;
        static CProductInfo none;
        return none;
    }

    // Destroyed with the test, before COM goes in TearDownTestSuite.
    CCatalogueUnderTest m_catalogue;
};

TEST_F(CatalogueParserTest, ReadsEveryRootChildInDocumentOrderAndTheFirstEntryOfAnIdWins)
{
    const char* pszLicence = "{\\rtf1\\ansi Quendar software licence\\par}";
    ASSERT_EQ(1, Load("catalogue-full.xml", pszLicence));

    // The catalogue-information child becomes id 0; the notice after it is a second id 0, and the
    // older USB driver a second id 200: both skipped.
    EXPECT_EQ((std::vector<int>{0, 100, 200, 300, 400, 210, 220, 240, 500, 600, 700, 800, 900}),
              Ids(m_catalogue.m_vecProducts));
    const CProductInfo& info = m_catalogue.m_vecProducts.front();
    EXPECT_STREQ("", info.GetVersion());
    EXPECT_STREQ("", info.GetBuild());
    EXPECT_STREQ("", info.GetName());
    EXPECT_EQ(0, info.GetDependencyCount());

    const CProductInfo& driver = Product(200);
    EXPECT_STREQ("3.1.4", driver.GetVersion());
    EXPECT_STREQ("3140", driver.GetBuild());
    EXPECT_STREQ("Quendar USB Audio Driver", driver.GetName());

    EXPECT_STREQ(pszLicence, m_catalogue.m_strLicense);
    EXPECT_STREQ("4.0.11", m_catalogue.m_strCorvatelMinVer);
    // Decoded as the parser decodes every other text.
    EXPECT_STREQ("https://download.quendar.example/corvatel/CorvatelSetup.exe?channel=stable&lang=en",
                 m_catalogue.m_strCorvatelDownloadURL);
}

TEST_F(CatalogueParserTest, TheDownloadAddressIsDecodedEvenWhenTheRestCannotBeParsed)
{
    ASSERT_TRUE(m_catalogue.CreateInstance());
    const struct
    {
        const char* pszWritten;
        const char* pszDecoded;
    } kRows[] = {
        {"https://a.example/?x=1&amp;y=&lt;2&gt;&quot;&apos;", "https://a.example/?x=1&y=<2>\"'"},
        {"&#104;ttps://a.example/&#x41;&#X41;", "https://a.example/A&#X41;"},
        {"&#x43;:\\Windows\\cmd.exe", "C:\\Windows\\cmd.exe"},
        // Unknown, empty, unended and out-of-range references stay as written.
        {"a&nbsp;b&;c&#;d&#xD800;e&#1114112;f&amp", "a&nbsp;b&;c&#;d&#xD800;e&#1114112;f&amp"},
        {"&#233;", "\xE9"}, // in the ANSI code page
    };
    for (const auto& row : kRows) {
        // A newer format the parse refuses still tells where the newer program is.
        std::string strCatalogue = std::string("<Products><Catalogue><CorvatelDownloadURL>") + row.pszWritten +
                                   "</CorvatelDownloadURL></Catalogue><Unclosed></Products>";
        EXPECT_EQ(0, m_catalogue.LoadCatalogue(strCatalogue.c_str(), ""));
        EXPECT_STREQ(row.pszDecoded, m_catalogue.m_strCorvatelDownloadURL) << row.pszWritten;
    }
}

TEST_F(CatalogueParserTest, FillsAnEntryFromItsAttributesAndElements)
{
    ASSERT_EQ(1, Load("catalogue-full.xml"));
    CProductInfo& manager = Product(100);

    EXPECT_EQ((std::vector<long>{5, 2, 0, 0}), Parts(manager.m_lVersion));
    EXPECT_STREQ("Quendar Device Manager", manager.GetName());
    EXPECT_STREQ("2024-03-11", manager.GetDate());
    EXPECT_STREQ("QuendarDeviceManager_5.2.0.5120.exe", manager.GetDownload());
    EXPECT_FLOAT_EQ(48.7f, manager.GetSize());
    EXPECT_STREQ("Configure, monitor and update every Quendar device connected to this PC.", manager.GetNotes());
    EXPECT_EQ(0, manager.GetBeta());
    EXPECT_EQ(0, manager.GetSnip());
    EXPECT_EQ(1, manager.GetInstallType());
    EXPECT_STREQ("Quendar\\Device Manager", manager.GetInstallFolder());
    EXPECT_STREQ("QDevMgr.exe", manager.GetExe());
    EXPECT_STREQ("DeviceManager_5.2_ReleaseNotes.rtf", manager.GetRelNotes());
    EXPECT_STREQ("Please disconnect all Quendar devices before installing the Device Manager.",
                 manager.GetPreinstallMessage());
    EXPECT_STREQ("5.0.0", manager.GetPreinstallMessagePriorToVersion());
    EXPECT_EQ(1, manager.GetPreinstallMessageButtons());
    EXPECT_STREQ("4.5.0", manager.GetUninstallPriorToVersion());
    EXPECT_STREQ("C:\\Program Files\\Quendar\\Device Manager\\QDevMgr.exe", manager.GetUninstallPendingFile());
    EXPECT_STREQ("Device Manager versions before 4.5 must be removed first. Uninstall it now?",
                 manager.GetUninstallPrompt());
    EXPECT_EQ(1, manager.GetShowProduct());
    EXPECT_EQ(0, manager.GetReboot());

    // exe4 is out of position, so only the first two names count.
    EXPECT_EQ((std::vector<std::string>{"QDevTray.exe", "QDevSvc.exe"}), AdditionalExes(manager));
    // Every child of the element adds its names.
    EXPECT_EQ((std::vector<std::string>{"QMExport.exe", "QMBatch.exe", "QMCalib.exe"}), AdditionalExes(Product(900)));

    EXPECT_EQ(0, Product(200).GetInstallType());
    EXPECT_EQ(2, Product(500).GetInstallType());
    EXPECT_EQ(1, Product(200).GetReboot());
    EXPECT_EQ(1, Product(200).GetReqKX7200R());
    EXPECT_EQ(1, Product(200).ShowInstallDriverWarning());
    EXPECT_EQ(0, Product(800).GetShowProduct());
    EXPECT_EQ(0, Product(800).GetDisplayStartMenu());
}

TEST_F(CatalogueParserTest, MatchesElementNamesWithoutCaseAndTakesTheLastOfAName)
{
    ASSERT_EQ(1, Load("catalogue-full.xml"));

    const CProductInfo& runtime = Product(300); // upper-case element names
    EXPECT_STREQ("Quendar Device Runtime", runtime.GetName());
    EXPECT_STREQ("2023-11-02", runtime.GetDate());
    EXPECT_STREQ("QuendarRuntime_2.4.0.240.exe", runtime.GetDownload());
    EXPECT_FLOAT_EQ(3.5f, runtime.GetSize());
    EXPECT_EQ(1, runtime.GetInstallType());
    EXPECT_EQ(1, runtime.GetDependencyCount());

    const CProductInfo& common = Product(400); // lower-case element names
    EXPECT_STREQ("Quendar Common Components", common.GetName());
    EXPECT_STREQ("QuendarCommon_1.0.7.107.exe", common.GetDownload());
    EXPECT_EQ(0, common.GetShowProduct());

    CProductInfo& panel = Product(210); // Name, then name; Download twice
    EXPECT_STREQ("Quendar Audio Control Panel", panel.GetName());
    EXPECT_STREQ("QuendarControlPanel_2.0.0.2000_r2.exe", panel.GetDownload());
    EXPECT_EQ(1, panel.GetBeta());
    EXPECT_EQ(1, panel.GetSnip());
    EXPECT_EQ(1, panel.GetShowBeta());
    EXPECT_EQ(1, panel.GetShowSnip());
}

TEST_F(CatalogueParserTest, ReadsVersionLocationsAndTheirRegistryFlags)
{
    ASSERT_EQ(1, Load("catalogue-full.xml"));

    const CProductInfo& manager = Product(100); // registry="YES", "yes", "Yes"
    EXPECT_STREQ("HKEY_LOCAL_MACHINE\\SOFTWARE\\Quendar\\Device Manager\\Version", manager.GetVersionModule());
    EXPECT_EQ(1, manager.IsVersionModuleRegistry());
    EXPECT_STREQ("HKEY_LOCAL_MACHINE\\SOFTWARE\\Quendar\\Device Manager\\InstallDir", manager.GetVersionPath());
    EXPECT_EQ(1, manager.IsVersionPathRegistry());
    EXPECT_EQ(1, manager.IsVersionBuildRegistry());

    EXPECT_EQ(1, Product(300).IsVersionModuleRegistry()); // REGISTRY="YES" on VERSIONMODULE
    EXPECT_EQ(1, Product(400).IsVersionPathRegistry());

    // No attribute at all still names the file; registry="no" names a folder.
    const CProductInfo& driver = Product(200);
    EXPECT_STREQ("C:\\Windows\\System32\\drivers\\qndusb.sys", driver.GetVersionModule());
    EXPECT_EQ(0, driver.IsVersionModuleRegistry());
    EXPECT_STREQ("C:\\Windows\\System32\\drivers", driver.GetVersionPath());
    EXPECT_EQ(0, driver.IsVersionPathRegistry());

    // A later registry="no" clears the flag an earlier element set.
    const CProductInfo& tools = Product(700);
    EXPECT_STREQ("C:\\Program Files\\Quendar\\Firmware Tools\\QFwTools.exe", tools.GetVersionModule());
    EXPECT_EQ(0, tools.IsVersionModuleRegistry());
}

TEST_F(CatalogueParserTest, StartMenuTextElementReplacesTheAttributeOnlyWhenNotEmpty)
{
    ASSERT_EQ(1, Load("catalogue-full.xml"));
    EXPECT_STREQ("Quendar Device Manager", Product(100).GetStartMenuText());
    EXPECT_STREQ("Quendar USB Driver", Product(200).GetStartMenuText());
}

TEST_F(CatalogueParserTest, CompletesDependenciesFromTheEntryWithTheirIdVersionAndBuild)
{
    ASSERT_EQ(1, Load("catalogue-full.xml"));
    const CProductInfo& manager = Product(100);
    ASSERT_EQ(3, manager.GetDependencyCount());

    // Identity and flags from the dependency element, the rest from the catalogue entry.
    const CProductInfo& driver = manager.GetDependency(0);
    EXPECT_EQ(200, driver.GetId());
    EXPECT_STREQ("3.1.4", driver.GetVersion());
    EXPECT_STREQ("3140", driver.GetBuild());
    EXPECT_STREQ("3.1.0", driver.GetMinRequiredVersion());
    EXPECT_EQ((std::vector<long>{3, 1, 0, 0}), Parts(driver.m_lMinRequiredVersion));
    EXPECT_EQ(0, driver.GetShowDependency());
    EXPECT_EQ(0, driver.GetOptionalDependency());
    EXPECT_EQ(0, driver.GetDisplayStartMenu());
    EXPECT_STREQ("Quendar USB Audio Driver", driver.GetName());
    EXPECT_STREQ("QuendarUSBDriver_3.1.4.3140.exe", driver.GetDownload());
    EXPECT_FLOAT_EQ(6.2f, driver.GetSize());
    EXPECT_EQ(0, driver.GetInstallType());
    EXPECT_EQ(1, driver.GetReboot());
    EXPECT_EQ(1, driver.ShowInstallDriverWarning());

    const CProductInfo& panel = manager.GetDependency(1);
    EXPECT_EQ(210, panel.GetId());
    EXPECT_EQ(1, panel.GetOptionalDependency());
    EXPECT_EQ(1, panel.GetShowDependency());
    EXPECT_STREQ("Quendar Audio Control Panel", panel.GetName());
    EXPECT_STREQ("QCtlPanel.exe", panel.GetExe());
    EXPECT_EQ(1, panel.GetInstallType());

    // Build 1499 matches no entry: still counted, but only its own attributes.
    const CProductInfo& midi = manager.GetDependency(2);
    EXPECT_EQ(220, midi.GetId());
    EXPECT_STREQ("1.5.0", midi.GetVersion());
    EXPECT_STREQ("1499", midi.GetBuild());
    EXPECT_STREQ("1.5.0", midi.GetMinRequiredVersion());
    EXPECT_STREQ("", midi.GetName());
    EXPECT_STREQ("", midi.GetDownload());
    EXPECT_EQ(0, midi.GetInstallType());
    EXPECT_FLOAT_EQ(0.0f, midi.GetSize());
    EXPECT_EQ(0, midi.ShowInstallDriverWarning());
}

TEST_F(CatalogueParserTest, NestsDependenciesThroughTheirOwnEntries)
{
    ASSERT_EQ(1, Load("catalogue-full.xml"));

    // Device Manager -> USB driver -> runtime -> common components, from the application and from the driver.
    ASSERT_EQ(3, Product(100).GetDependencyCount());
    for (const CProductInfo* pDriver : {&Product(100).GetDependency(0), &Product(200)}) {
        SCOPED_TRACE(pDriver == &Product(200) ? "driver entry" : "driver as dependency");
        ASSERT_EQ(1, pDriver->GetDependencyCount());
        const CProductInfo& runtime = pDriver->GetDependency(0);
        EXPECT_EQ(300, runtime.GetId());
        EXPECT_STREQ("2.4.0", runtime.GetMinRequiredVersion());
        EXPECT_EQ(0, runtime.GetShowDependency());
        EXPECT_STREQ("Quendar Device Runtime", runtime.GetName());
        EXPECT_EQ(1, runtime.IsVersionModuleRegistry());

        ASSERT_EQ(1, runtime.GetDependencyCount());
        const CProductInfo& common = runtime.GetDependency(0);
        EXPECT_EQ(400, common.GetId());
        EXPECT_STREQ("1.0.5", common.GetMinRequiredVersion());
        EXPECT_EQ(1, common.GetDisplayStartMenu()); // the entry's DisplayStartMenu="0" is not carried over
        EXPECT_STREQ("Quendar Common Components", common.GetName());
        EXPECT_STREQ("QuendarCommon_1.0.7.107.exe", common.GetDownload());
        EXPECT_EQ(0, common.GetDependencyCount());
    }

    // The second entry of id 200 is no product of its own, but it completes the dependency naming it.
    const CProductInfo& legacy = Product(600);
    ASSERT_EQ(1, legacy.GetDependencyCount());
    const CProductInfo& oldDriver = legacy.GetDependency(0);
    EXPECT_STREQ("3.0.9", oldDriver.GetVersion());
    EXPECT_STREQ("3.0.0", oldDriver.GetMinRequiredVersion());
    EXPECT_STREQ("Quendar USB Audio Driver (legacy)", oldDriver.GetName());
    EXPECT_STREQ("QuendarUSBDriver_3.0.9.3090.exe", oldDriver.GetDownload());
}

TEST_F(CatalogueParserTest, StopsADependencyCycleAtTheRepeatedEntry)
{
    ASSERT_EQ(1, Load("catalogue-cycle.xml"));
    EXPECT_EQ((std::vector<int>{100, 300, 310, 340, 330, 900}), Ids(m_catalogue.m_vecProducts));

    // 100 -> 300 -> 310 -> 300: the second 300 keeps its attributes only.
    const CProductInfo& manager = Product(100);
    ASSERT_EQ(1, manager.GetDependencyCount());
    const CProductInfo& runtime = manager.GetDependency(0);
    EXPECT_STREQ("Quendar Device Runtime", runtime.GetName());
    ASSERT_EQ(1, runtime.GetDependencyCount());
    const CProductInfo& host = runtime.GetDependency(0);
    EXPECT_STREQ("Quendar Plug-in Host", host.GetName());
    ASSERT_EQ(1, host.GetDependencyCount());
    const CProductInfo& repeated = host.GetDependency(0);
    EXPECT_EQ(300, repeated.GetId());
    EXPECT_STREQ("2.4.0", repeated.GetMinRequiredVersion());
    EXPECT_STREQ("", repeated.GetName());
    EXPECT_EQ(0, repeated.GetDependencyCount());

    // Each entry of the cycle, read as a product, stops where it meets itself.
    ASSERT_EQ(1, Product(310).GetDependencyCount());
    const CProductInfo& runtimeOfHost = Product(310).GetDependency(0);
    EXPECT_STREQ("Quendar Device Runtime", runtimeOfHost.GetName());
    ASSERT_EQ(1, runtimeOfHost.GetDependencyCount());
    EXPECT_STREQ("", runtimeOfHost.GetDependency(0).GetName());

    // An entry naming itself.
    ASSERT_EQ(1, Product(340).GetDependencyCount());
    EXPECT_STREQ("", Product(340).GetDependency(0).GetName());
    EXPECT_EQ(0, Product(340).GetDependency(0).GetDependencyCount());

    // The same id in another version is no cycle.
    ASSERT_EQ(1, Product(330).GetDependencyCount());
    EXPECT_STREQ("Quendar Scripting Runtime 1", Product(330).GetDependency(0).GetName());

    EXPECT_STREQ("Quendar Measurement Viewer", Product(900).GetName());
}

TEST_F(CatalogueParserTest, ACompletionCopiedForAnotherDependencyKeepsThatDependencysOwnAttributes)
{
    const char* pszCatalogue =
        "<Products>"
        "<Product Id='1'><Dependency>"
        "  <Product Id='30' Version='2.0' Build='20' MinRequiredVersion='1.5' StartMenuText='Runtime of 1' ShowDependency='0'/>"
        "  <Product Id='40' Version='1.0' Build='1' StartMenuText='Codec of 1'/>"
        "</Dependency></Product>"
        "<Product Id='2'><Dependency>"
        "  <Product Id='30' Version='2.0' Build='20' MinRequiredVersion='2.0.1' StartMenuText='Runtime of 2' OptionalDependency='1' DisplayStartMenu='0'/>"
        "  <Product Id='40' Version='1.0' Build='1' StartMenuText='Codec of 2'/>"
        "</Dependency></Product>"
        "<Product Id='30' Version='2.0' Build='20'><Name>Runtime</Name>"
        "  <Dependency><Product Id='50' Version='1' Build='1'/></Dependency></Product>"
        "<Product Id='40' Version='1.0' Build='1'><Name>Codec</Name><StartMenuText>Codec</StartMenuText></Product>"
        "<Product Id='50' Version='1' Build='1'><Name>Base</Name></Product>"
        "</Products>";
    ASSERT_TRUE(m_catalogue.CreateInstance());
    ASSERT_EQ(1, m_catalogue.LoadCatalogue(pszCatalogue, ""));

    const CProductInfo& first = Product(1).GetDependency(0);
    const CProductInfo& second = Product(2).GetDependency(0);
    for (const CProductInfo* pRuntime : {&first, &second}) {
        EXPECT_STREQ("Runtime", pRuntime->GetName());
        ASSERT_EQ(1, pRuntime->GetDependencyCount());
        EXPECT_STREQ("Base", pRuntime->GetDependency(0).GetName());
    }
    EXPECT_STREQ("1.5", first.GetMinRequiredVersion());
    EXPECT_STREQ("2.0.1", second.GetMinRequiredVersion());
    EXPECT_EQ((std::vector<long>{2, 0, 1, 0}), Parts(second.m_lMinRequiredVersion));
    EXPECT_STREQ("Runtime of 1", first.GetStartMenuText());
    EXPECT_STREQ("Runtime of 2", second.GetStartMenuText());
    EXPECT_EQ((std::vector<int>{0, 0, 1}), (std::vector<int>{first.GetShowDependency(), first.GetOptionalDependency(),
                                                               first.GetDisplayStartMenu()}));
    EXPECT_EQ((std::vector<int>{1, 1, 0}), (std::vector<int>{second.GetShowDependency(), second.GetOptionalDependency(),
                                                                second.GetDisplayStartMenu()}));
    // The entry's own start-menu text wins over both dependencies' attributes.
    EXPECT_STREQ("Codec", Product(1).GetDependency(1).GetStartMenuText());
    EXPECT_STREQ("Codec", Product(2).GetDependency(1).GetStartMenuText());
}

TEST_F(CatalogueParserTest, CompletesNoDeeperThanEightDependencyLevels)
{
    // Each of 40 products depends on the two before it: completed in full, the trees would grow
    // as Fibonacci numbers.
    std::string strCatalogue = "<Products>";
    for (int i = 1; i <= 40; ++i) {
        strCatalogue += "<Product Id='" + std::to_string(i) + "' Version='1' Build='1'><Name>P" + std::to_string(i) +
                        "</Name><Dependency>";
        for (int j = i - 1; j >= i - 2 && j >= 1; --j)
            strCatalogue += "<Product Id='" + std::to_string(j) + "' Version='1' Build='1'/>";
        strCatalogue += "</Dependency></Product>";
    }
    strCatalogue += "</Products>";
    ASSERT_TRUE(m_catalogue.CreateInstance());
    ASSERT_EQ(1, m_catalogue.LoadCatalogue(strCatalogue.c_str(), ""));
    ASSERT_EQ(40u, m_catalogue.m_vecProducts.size());

    // Down the first dependencies of product 40: levels 1 to 8 are completed, level 9 is not.
    const CProductInfo* pRecord = &Product(40);
    for (int nLevel = 1; nLevel <= 9; ++nLevel) {
        ASSERT_EQ(2, pRecord->GetDependencyCount()) << "level " << nLevel;
        pRecord = &pRecord->GetDependency(0);
        EXPECT_EQ(40 - nLevel, pRecord->GetId());
        EXPECT_STREQ(nLevel <= 8 ? ("P" + std::to_string(40 - nLevel)).c_str() : "", pRecord->GetName());
    }
    EXPECT_EQ(0, pRecord->GetDependencyCount());

    // A shallow tree is whole: 4 -> 3 -> 2 -> 1.
    const CProductInfo& three = Product(4).GetDependency(0);
    ASSERT_EQ(2, three.GetDependencyCount());
    ASSERT_EQ(1, three.GetDependency(0).GetDependencyCount());
    EXPECT_STREQ("P1", three.GetDependency(0).GetDependency(0).GetName());
}

TEST_F(CatalogueParserTest, ACycleBelowTheDepthLimitStopsWhateverTheDocumentOrder)
{
    // 100 -> 11 -> ... -> 16 -> 50 (level 7) -> 60 (level 8); 200 -> 60 -> 21 -> ... -> 25 -> 50
    // (level 7) -> 60, which is above it: a cycle.
    const std::vector<std::pair<int, int>> entries = {{100, 11}, {11, 12}, {12, 13}, {13, 14}, {14, 15},
                                                      {15, 16},  {16, 50}, {50, 60}, {60, 21}, {21, 22},
                                                      {22, 23},  {23, 24}, {24, 25}, {25, 50}, {200, 60}};
    for (bool bReversed : {false, true}) {
        SCOPED_TRACE(bReversed ? "200 first" : "100 first");
        std::string strCatalogue = "<Products>";
        for (size_t i = 0; i < entries.size(); ++i) {
            const auto& entry = entries[bReversed ? entries.size() - 1 - i : i];
            const std::string strId = std::to_string(entry.first);
            strCatalogue += "<Product Id='" + strId + "'><Name>P" + strId + "</Name><Dependency><Product Id='" +
                            std::to_string(entry.second) + "'/></Dependency></Product>";
        }
        CCatalogueUnderTest catalogue;
        ASSERT_TRUE(catalogue.CreateInstance());
        ASSERT_EQ(1, catalogue.LoadCatalogue((strCatalogue + "</Products>").c_str(), ""));
        for (const CProductInfo& product : catalogue.m_vecProducts) {
            if (product.GetId() != 100 && product.GetId() != 200)
                continue;
            const CProductInfo* pRecord = &product;
            for (int nLevel = 1; nLevel <= 8; ++nLevel)
                pRecord = &pRecord->GetDependency(0);
            EXPECT_EQ(60, pRecord->GetId());
            EXPECT_STREQ(product.GetId() == 100 ? "P60" : "", pRecord->GetName());
        }
    }
}

TEST_F(CatalogueParserTest, AProductsElementsAreWalkedOncePerLoadNotOncePerReference)
{
    auto steps = [](int n) {
        CCatalogueUnderTest catalogue;
        EXPECT_TRUE(catalogue.CreateInstance());
        EXPECT_EQ(1, catalogue.LoadCatalogue(WideCycle(n).c_str(), "")) << n;
        EXPECT_EQ(n, catalogue.m_vecProducts.at(0).GetDependencyCount());
        EXPECT_STREQ("Target", catalogue.m_vecProducts.at(0).GetDependency(n - 1).GetName());
        return catalogue.GetLoadSteps();
    };
    const size_t nSmall = steps(1000), nLarge = steps(4000);
    // Four times the catalogue, about four times the work; walked per reference it would be sixteen.
    EXPECT_GT(nLarge, 3 * nSmall);
    EXPECT_LT(nLarge, 5 * nSmall);
}

TEST_F(CatalogueParserTest, SkipsCommentsAndProcessingInstructions)
{
    ASSERT_EQ(1, Load("catalogue-comments.xml"));
    EXPECT_EQ((std::vector<int>{200, 100, 300}), Ids(m_catalogue.m_vecProducts));

    // A comment inside an entry changes none of its fields.
    EXPECT_STREQ("QuendarUSBDriver_3.1.4.3140.exe", Product(200).GetDownload());

    const CProductInfo& manager = Product(100);
    ASSERT_EQ(2, manager.GetDependencyCount());
    EXPECT_EQ(200, manager.GetDependency(0).GetId());
    EXPECT_STREQ("Quendar USB Audio Driver", manager.GetDependency(0).GetName());
    EXPECT_EQ(300, manager.GetDependency(1).GetId());
    EXPECT_STREQ("Quendar Device Runtime", manager.GetDependency(1).GetName());
}

TEST_F(CatalogueParserTest, FindsTheProgramValuesAnywhereInTheDocument)
{
    ASSERT_EQ(1, Load("catalogue-newer-required.xml"));
    EXPECT_STREQ("4.0.12", m_catalogue.m_strCorvatelMinVer);
    EXPECT_STREQ("https://download.quendar.example/corvatel/CorvatelSetup_4.0.12.exe",
                 m_catalogue.m_strCorvatelDownloadURL);
    // The settings element after the products is still an entry of id 0.
    EXPECT_EQ((std::vector<int>{100, 500, 0}), Ids(m_catalogue.m_vecProducts));
    EXPECT_EQ(2, Product(500).GetInstallType());
}

TEST_F(CatalogueParserTest, GetXMLStringTakesTheTextBetweenTheNextAngleBrackets)
{
    auto get = [this](const char* pszDocument, const char* pszTag) {
        return std::string(m_catalogue.GetXMLString(pszDocument, pszTag));
    };
    EXPECT_EQ(" 4.0.11 &amp; ", get("<C><MinCorvatelVer> 4.0.11 &amp; </MinCorvatelVer></C>", "MinCorvatelVer"));
    EXPECT_EQ("4.0.11", get("<C><MinCorvatelVer>4.0.11", "MinCorvatelVer")); // no '<' after: to the end
    EXPECT_EQ("", get("<C><MinCorvatelVer", "MinCorvatelVer"));              // no '>' after
    EXPECT_EQ("", get("MinCorvatelVer>4.0.11</MinCorvatelVer>", "MinCorvatelVer")); // at position 0
    EXPECT_EQ("", get("<C><mincorvatelver>4.0.11</mincorvatelver></C>", "MinCorvatelVer"));
    EXPECT_EQ("", get("<C/>", "MinCorvatelVer"));
    // The first occurrence decides, even inside an attribute.
    EXPECT_EQ("old", get("<C note=\"MinCorvatelVer\">old</C><MinCorvatelVer>4.0.11</MinCorvatelVer>",
                         "MinCorvatelVer"));
}

TEST_F(CatalogueParserTest, RefusesAMalformedCatalogueAfterTakingTheTextValues)
{
    ASSERT_EQ(0, Load("catalogue-malformed.xml", "{\\rtf1 licence}"));
    EXPECT_TRUE(m_catalogue.m_vecProducts.empty());
    EXPECT_STREQ("{\\rtf1 licence}", m_catalogue.m_strLicense);
    EXPECT_STREQ("4.0.11", m_catalogue.m_strCorvatelMinVer);

    // A document type declaration is refused before the parse, wherever the parser would take it:
    // the parser could read the files and shares it names, and grow texts past every budget.
    const struct
    {
        const char* pszProlog;
        const char* pszName;
        int bLoaded;
    } kDocumentTypes[] = {
        {"<?xml version='1.0'?><!DOCTYPE Products SYSTEM '\\\\host\\share\\a.dtd'>", "Quendar", 0},
        {"<!DOCTYPE Products [<!ENTITY n SYSTEM 'file:///C:/windows/win.ini'>]>", "&n;", 0},
        {"<!DOCTYPE Products [<!ENTITY a 'Quendar'><!ENTITY n '&a;&a;&a;&a;'>]>", "&n;", 0},
        {"<?xml version='1.0'?>\r\n<!-- <Products> -->\r\n<?catalogue version='2'?>\r\n<!DOCTYPE Products>",
         "Quendar", 0},
        {"\xEF\xBB\xBF \r\n\t<!doctype Products [<!ENTITY n 'Quendar'>]>", "&n;", 0},
        // Only a declaration is one.
        {"<?xml version='1.0'?><!-- <!DOCTYPE Products> -->", "Quendar", 1},
    };
    for (const auto& row : kDocumentTypes) {
        std::string strCatalogue = std::string(row.pszProlog) +
                                   "<Products><Catalogue><MinCorvatelVer>4.0.12</MinCorvatelVer></Catalogue>"
                                   "<Product Id='1'><Name>" +
                                   row.pszName + "</Name></Product></Products>";
        CCatalogueUnderTest catalogue;
        ASSERT_EQ(1, catalogue.CreateInstance());
        EXPECT_EQ(row.bLoaded, catalogue.LoadCatalogue(strCatalogue.c_str(), "")) << row.pszProlog;
        EXPECT_EQ(row.bLoaded ? 2u : 0u, catalogue.m_vecProducts.size()) << row.pszProlog;
        EXPECT_STREQ("4.0.12", catalogue.m_strCorvatelMinVer) << row.pszProlog;
    }
    // Nor is the parser to read what a document names where the check is not reached.
    VARIANT_BOOL bResolveExternals = VARIANT_TRUE, bValidateOnParse = VARIANT_TRUE;
    ASSERT_TRUE(SUCCEEDED(m_catalogue.m_pDocument->get_resolveExternals(&bResolveExternals)));
    ASSERT_TRUE(SUCCEEDED(m_catalogue.m_pDocument->get_validateOnParse(&bValidateOnParse)));
    EXPECT_EQ(VARIANT_FALSE, bResolveExternals);
    EXPECT_EQ(VARIANT_FALSE, bValidateOnParse);

    // 8 layers of 10 products, each needing every product of the next layer: 10^8 records in full.
    std::string strHostile = "<Products>";
    for (int nId = 0; nId < 80; ++nId) {
        strHostile += "<Product Id='" + std::to_string(nId) + "'><Name>Layer</Name><Dependency>";
        for (int nNext = (nId / 10 + 1) * 10; nId < 70 && nNext < (nId / 10 + 2) * 10; ++nNext)
            strHostile += "<Product Id='" + std::to_string(nNext) + "'/>";
        strHostile += "</Dependency></Product>";
    }
    strHostile += "</Products>";
    // Catalogues that outgrow a budget of the load: each is refused before it makes what it asks for.
    const struct
    {
        const char* pszWhat;
        std::string strCatalogue;
    } kOverBudget[] = {
        {"10^8 records", strHostile},
        // Refused by the record budget once the walk no longer repeats.
        {"few records, much work", WideCycle(100000)},
        {"a 1 MB note copied into 5,000 dependencies", BigNote(5000)},
        // What a dependency element gives its record goes with every copy of the record.
        {"a dependency element's 1 MB start-menu text copied 300 times", BigDependencyAttribute(300, "StartMenuText")},
        {"a dependency element's 1 MB minimum version copied 300 times",
         BigDependencyAttribute(300, "MinRequiredVersion")},
        // A list entry costs memory by its number, not only by its text.
        {"10,000 empty additional programs copied 500 times", ManyExes(500, 200, "")},
        {"10,000 additional programs of 4 bytes copied 500 times", ManyExes(500, 200, "a.ex")},
    };
    for (const auto& row : kOverBudget) {
        EXPECT_EQ(0, m_catalogue.LoadCatalogue(row.strCatalogue.c_str(), "")) << row.pszWhat;
        EXPECT_TRUE(m_catalogue.m_vecProducts.empty()) << row.pszWhat;
        EXPECT_LT(m_catalogue.GetLoadSteps(), 1000000u) << row.pszWhat;
    }

    // 50 copies of the 1 MB note load, and 20 of the 10,000 names.
    ASSERT_EQ(1, m_catalogue.LoadCatalogue(BigNote(50).c_str(), ""));
    EXPECT_EQ(1 << 20, Product(1).GetDependency(49).GetNotes().GetLength());
    CCatalogueUnderTest names;
    ASSERT_EQ(1, names.CreateInstance());
    ASSERT_EQ(1, names.LoadCatalogue(ManyExes(20, 200, "a.ex").c_str(), ""));
    EXPECT_EQ(10000u, AdditionalExes(names.m_vecProducts.at(0).GetDependency(19)).size());

    CCatalogueUnderTest empty;
    ASSERT_EQ(1, empty.CreateInstance());
    EXPECT_EQ(1, empty.LoadCatalogue("<?xml version=\"1.0\"?>\r\n<Products>\r\n</Products>\r\n", ""));
    EXPECT_TRUE(empty.m_vecProducts.empty());
}

TEST_F(CatalogueParserTest, InitParsesACatalogueFromALocalFile)
{
    CSkelvar client(FixturePath("catalogue-full.xml"), "", "");
    ASSERT_EQ(1, client.Init("", ""));
    EXPECT_EQ(13u, client.m_vecProducts.size());
    EXPECT_STREQ("4.0.11", *client.GetCorvatelMinVer());
    ASSERT_EQ(3, client.m_vecProducts.at(1).GetDependencyCount());
    EXPECT_STREQ("Quendar USB Audio Driver", client.m_vecProducts.at(1).GetDependency(0).GetName());
    EXPECT_EQ(1, client.Init("", "")); // once loaded, later calls do nothing
    EXPECT_EQ(13u, client.m_vecProducts.size());
}

TEST_F(CatalogueParserTest, InitFailsWhenTheCatalogueFileIsMissing)
{
    CSkelvar client(FixturePath("no-such-catalogue.xml"), "", "");
    EXPECT_EQ(0, client.Init("", ""));
    EXPECT_TRUE(client.m_vecProducts.empty());
}

// This and the next run only by their own ctest entry, which limits the process's address space to 2 GB.
TEST_F(CatalogueParserTest, DISABLED_InitFailsWhenTheCatalogueDoesNotFitInMemory)
{
    // A component with 1 MB of notes that 4,000 applications need asks for 4 GB of records, well
    // within the record budget: refused before they are made, not by running out of memory.
    CTempTree folder;
    const CString strPath = folder.Path("large.xml");
    {
        std::ofstream file(static_cast<LPCSTR>(strPath), std::ios::binary);
        file << "<Products><Product Id='1'><Notes>" << std::string(1 << 20, 'n') << "</Notes></Product>";
        for (int nId = 2; nId <= 4000; ++nId)
            file << "<Product Id='" << nId << "'><Dependency><Product Id='1'/></Dependency></Product>";
        file << "</Products>";
    }
    CSkelvar client(strPath, "", "");
    EXPECT_EQ(0, client.Init("", ""));
    EXPECT_TRUE(client.m_vecProducts.empty());
}

// A dependency element's 1 MB start-menu text is its own record's only: the 2,999 other
// dependencies on the same component, copied from that record, take none of its room.
TEST_F(CatalogueParserTest, DISABLED_InitLoadsACatalogueWhoseRecordsFitInMemory)
{
    CTempTree folder;
    const CString strPath = folder.Path("own-text.xml");
    {
        std::ofstream file(static_cast<LPCSTR>(strPath), std::ios::binary);
        file << "<Products><Product Id='1'><Dependency><Product Id='2' StartMenuText='" << std::string(1 << 20, 's')
             << "'/>";
        for (int i = 1; i < 3000; ++i)
            file << "<Product Id='2' StartMenuText='Two'/>";
        file << "</Dependency></Product><Product Id='2'><Name>Two</Name></Product></Products>";
    }
    CSkelvar client(strPath, "", "");
    ASSERT_EQ(1, client.Init("", ""));
    const CProductInfo& product = client.m_vecProducts.at(0);
    ASSERT_EQ(3000, product.GetDependencyCount());
    EXPECT_EQ(1 << 20, product.GetDependency(0).GetStartMenuText().GetLength());
    EXPECT_STREQ("Two", product.GetDependency(2999).GetStartMenuText());
    EXPECT_STREQ("Two", product.GetDependency(2999).GetName());
}

} // namespace

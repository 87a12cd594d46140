// The wizard sheet as the program builds it, with the program's own resources linked into the test.
#include "AllocationLimit.h"
#include "CorvatelApp.h"
#include "PropSheet_Corvatel.h"
#include "TestWizard.h"
#include "resource.h"

#include <UiDriver.h>

#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

// A folder holding a downloaded catalogue, as "INSTALL:" expects; removed with the object.
class CInstallFolder
{
public:
    CInstallFolder()
    {
        char szTemp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, szTemp);
        m_strPath = std::string(szTemp) + "corvatel sheet test";
        CreateDirectoryA(m_strPath.c_str(), nullptr);
        CopyFileA(CORVATEL_FIXTURES_DIR "/catalogue-full.xml", (m_strPath + "\\CorvatelSFTP.xml").c_str(), FALSE);
    }
    ~CInstallFolder()
    {
        DeleteFileA((m_strPath + "\\CorvatelSFTP.xml").c_str());
        RemoveDirectoryA(m_strPath.c_str());
    }
    std::string m_strPath;
};

CProductInfo MakeProduct(const char* pszName, const char* pszVersion, int bBeta)
{
    CProductInfo product(1, pszVersion, "", "", "", 1, 0, 1);
    product.SetName(pszName);
    product.SetBeta(bBeta);
    return product;
}

} // namespace

TEST(WizardSheetTest, InstallFolderModeReadsTheFoldersCatalogueAndLeavesOutTheFoldersPage)
{
    CInstallFolder folder;
    CCorvatelApp app;
    std::string strArgument = "install:" + folder.m_strPath;
    app.m_cmdInfo.ParseParam(strArgument.c_str(), TRUE, TRUE);
    app.m_cmdInfo.ParseParam("Quendar Device SDK", FALSE, TRUE);
    UiDriver::CMessageBoxAnswerer unexpectedBoxes;

    CPropSheet_Corvatel sheet(IDS_SHEET_CAPTION);
    EXPECT_TRUE(sheet.HasPathOverride());
    EXPECT_EQ(sheet.m_vecProducts.size(), 13u);
    EXPECT_EQ(sheet.GetPageCount(), 3);
    EXPECT_EQ(sheet.GetServerHost(), CString("sftp.quendar.com"));
    EXPECT_EQ(sheet.GetServerPort(), 22);
    EXPECT_TRUE(sheet.IsProductNamedOnCommandLine("quendar device sdk"));
    EXPECT_FALSE(sheet.IsProductNamedOnCommandLine("Quendar Studio Link 6"));

    // The folders are settled when the window opens; then the user leaves.
    CString strDownloadFolder, strInstallRoot;
    int nItems = 0;
    std::thread user([&] {
        HWND hSheet = UiDriver::WaitForWindowByCaption("Quendar Corvatel");
        ASSERT_NE(hSheet, nullptr);
        strDownloadFolder = sheet.m_strDownloadFolder;
        strInstallRoot = sheet.m_strInstallRoot;
        nItems = sheet.m_lstProductItems.GetCount();
        UiDriver::PressButton(hSheet, IDCANCEL);
    });
    sheet.DoModal();
    user.join();

    CString strExpected(folder.m_strPath.c_str());
    strExpected.MakeUpper();
    EXPECT_STREQ(strDownloadFolder, strExpected);
    EXPECT_STREQ(sheet.m_pSkelvar->GetDownloadPath(), strExpected);
    EXPECT_STREQ(strInstallRoot, CPropSheet_Corvatel::GetDefaultInstallRoot());
    EXPECT_EQ(nItems, 13);
    EXPECT_TRUE(unexpectedBoxes.WaitForAnswer("Are you sure you want to exit Quendar Corvatel?", 5000));
}

TEST(WizardSheetTest, ACatalogueThatLoadsButCannotBeCopiedOpensTheWizardEmptyAndIsLogged)
{
    // The sheet's copy of 4,000 products is one block of megabytes, more than the limit allows.
    std::string strCatalogue = "<Products>";
    for (int nId = 1; nId <= 4000; ++nId)
        strCatalogue += "<Product Id='" + std::to_string(nId) + "' Version='1.0'><Name>Quendar P" +
                        std::to_string(nId) + "</Name></Product>";
    CTestWizard wizard((strCatalogue + "</Products>").c_str());
    {
        CAllocationLimit limit(1 << 20);
        wizard.Sheet();
    }
    CPropSheet_Corvatel& sheet = wizard.Sheet();
    EXPECT_TRUE(sheet.m_vecProducts.empty());
    EXPECT_TRUE(sheet.m_pSkelvar->m_vecProducts.empty());
    EXPECT_EQ(sheet.GetPageCount(), 3);

    int nItems = -1;
    wizard.Run([&](HWND) { nItems = sheet.m_lstProductItems.GetCount(); });
    EXPECT_EQ(nItems, 0);
    EXPECT_EQ(wizard.m_answers, std::vector<std::string>{"Are you sure you want to exit Quendar Corvatel?"});
    sheet.m_pPageInstall->WriteLogLine("(test)", true);
    std::ifstream file(static_cast<LPCSTR>(sheet.m_pPageInstall->GetLogFilePath()), std::ios::binary);
    std::stringstream log;
    log << file.rdbuf();
    EXPECT_NE(log.str().find("The catalogue does not fit in the memory left: no applications are listed"),
              std::string::npos)
        << log.str();
}

TEST(WizardSheetTest, FindsQueueRecordsByNameVersionAndMark)
{
    CProductInfo plain = MakeProduct("Quendar MIDI Driver", "1.5.0", 0);
    CProductInfo beta = MakeProduct("Quendar MIDI Driver", "1.5.0", 1);
    CAppDetailsObj plainItem(&plain), betaItem(&beta);
    CObList list;
    list.AddTail(&plainItem);
    list.AddTail(&betaItem);

    EXPECT_EQ(CPropSheet_Corvatel::FindProduct(&list, "QUENDAR midi driver", "1.5.0", 0), &plainItem);
    EXPECT_EQ(CPropSheet_Corvatel::FindProduct(&list, "Quendar MIDI Driver", "1.5.0", 2), &betaItem);
    EXPECT_EQ(CPropSheet_Corvatel::FindProduct(&list, "Quendar MIDI Driver", "1.5.0", 3), nullptr);
    EXPECT_EQ(CPropSheet_Corvatel::FindProduct(&list, "Quendar MIDI Driver", "1.5.1", 0), nullptr);
}

// Queue records on the install page of a running wizard: the list it fills, and the statuses,
// progress texts, look-ups and log lines that a download thread (the test's second thread) makes.
#include "AppDetailsObj.h"
#include "PropPage_Install.h"
#include "TestWizard.h"
#include "TreeListCtrl_Install.h"

#include <fstream>
#include <sstream>
#include <string>

namespace {

const char kCatalogue[] = R"(<?xml version="1.0"?>
<Products>
  <Product Id="1" Version="2.0"><Name>Quendar Studio</Name><Download>Studio_2.0.exe</Download><Size>20</Size>
    <Dependency>
      <Product Id="2" Version="1.0" ShowDependency="0"/>
      <Product Id="3" Version="1.5" ShowDependency="0"/>
      <Product Id="5" Version="3.0" ShowDependency="0"/>
    </Dependency>
  </Product>
  <Product Id="2" Version="1.0"><Name>Quendar Engine</Name><Download>Engine_1.0.exe</Download><Size>10</Size></Product>
  <Product Id="3" Version="1.5"><Name>Quendar Runtime</Name><Download>Runtime_1.5.exe</Download><Size>5</Size></Product>
  <Product Id="4" Version="0.9"><Name>Quendar Tuner</Name><Download>Tuner.exe</Download><Size>0.9</Size></Product>
  <Product Id="5" Version="3.0"><Name>Quendar Faulty</Name><Download>Faulty.exe</Download><Size>100</Size></Product>
</Products>
)";

class InstallQueueTest : public ::testing::Test
{
protected:
    InstallQueueTest() : m_wizard(kCatalogue) {}

    CPropSheet_Corvatel& Sheet() { return m_wizard.Sheet(); }
    CPropPage_Install& Page() { return *Sheet().m_pPageInstall; }
    CTreeListCtrl_Install& List() { return *Page().m_pInstallList; }

    // The queue the selection page would make: Studio with its hidden parts, and Tuner.
    void MakeQueue()
    {
        CProductInfo& studio = Sheet().m_vecProducts[0];
        m_pStudio = Sheet().FindOrAddAppDetails(&studio);
        m_pEngine = Sheet().FindOrAddAppDetails(&studio.GetDependency(0));
        m_pRuntime = Sheet().FindOrAddAppDetails(&studio.GetDependency(1));
        m_pFaulty = Sheet().FindOrAddAppDetails(&studio.GetDependency(2));
        m_pTuner = Sheet().FindOrAddAppDetails(&Sheet().m_vecProducts[3]);
        m_pFaulty->m_bQueueable = false;
        for (CAppDetailsObj* pItem : {m_pStudio, m_pEngine, m_pRuntime, m_pFaulty, m_pTuner})
            pItem->m_bChecked = true;
        for (CAppDetailsObj* pPart : {m_pEngine, m_pRuntime, m_pFaulty})
            m_pStudio->m_lstDependencies.AddTail(pPart);
    }

    // Shows the install page and waits until its list holds nRows rows.
    void OpenInstallPage(HWND hSheet, int nRows)
    {
        CTestWizard::ShowPage(hSheet, 2);
        for (int i = 0; i < 250 && !(Page().m_pInstallList && List().GetCount() == nRows); ++i)
            Sleep(20);
        ASSERT_TRUE(Page().m_pInstallList && List().GetCount() == nRows);
    }

    std::string Cell(int nRow, int nColumn) { return static_cast<LPCSTR>(List().GetItemText(nRow, nColumn)); }
    int Image(int nRow)
    {
        int n[4] = {-1, -1, -1, -1};
        List().GetItemImage(List().GetTreeListItem(nRow), n[0], n[1], n[2], n[3]);
        EXPECT_TRUE(n[0] == n[1] && n[1] == n[2] && n[2] == n[3]);
        return n[0];
    }

    std::string LogFile()
    {
        std::ifstream file(static_cast<LPCSTR>(Page().GetLogFilePath()), std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }

    CTestWizard m_wizard;
    CAppDetailsObj* m_pStudio = nullptr;
    CAppDetailsObj* m_pEngine = nullptr;
    CAppDetailsObj* m_pRuntime = nullptr;
    CAppDetailsObj* m_pFaulty = nullptr;
    CAppDetailsObj* m_pTuner = nullptr;
};

TEST_F(InstallQueueTest, ListRowsProgressTextsAndStatusesFromAnotherThread)
{
    // A log left by an earlier run goes when the page opens.
    m_wizard.m_tree.WriteText("set\\Corvatel.log", "an earlier run\r\n");
    // Made before the wizard's thread starts listing records of its own.
    MakeQueue();
    m_wizard.Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 2);
        m_wizard.StopInstallPageTimers(hSheet);
        EXPECT_EQ(GetFileAttributesA(Page().GetLogFilePath()), INVALID_FILE_ATTRIBUTES);

        // Hidden parts have no row; their sizes count in their row's (35 MB as 35.84M).
        EXPECT_EQ(Cell(0, 0), "Quendar Studio");
        EXPECT_EQ(Cell(0, 1), "2.0");
        EXPECT_EQ(Cell(0, 2), "35.84M");
        EXPECT_EQ(Cell(1, 0), "Quendar Tuner");
        EXPECT_EQ(Cell(1, 2), "0.92M");
        EXPECT_EQ(Cell(1, 4), "");
        EXPECT_EQ(Image(0), InstallImageListed);
        // The columns take 125 % of the width in all, so the list scrolls sideways.
        RECT rc = {};
        GetClientRect(List().m_hWnd, &rc);
        unsigned nWidth = static_cast<unsigned>(rc.right);
        int nPercents[] = {30, 10, 10, 35, 40};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(List().GetColumnWidth(i), static_cast<int>(nPercents[i] * nWidth / 100)) << i;

        // 7,680,000 bytes of 35 MB (35.84 truncated to 35), shown in the row while it downloads.
        Page().UpdateItemStatus(m_pStudio, nullptr, ItemDownloading, "");
        m_pEngine->m_ullBytesDone = 5000000;
        m_pRuntime->m_ullBytesDone = 2680000;
        Page().UpdateItemStatus(m_pEngine, m_pStudio, ItemDownloading, "");
        EXPECT_EQ(Cell(0, 3), "Downloading... 21%   (7.68M of 35.00M)");
        EXPECT_TRUE(Page().IsAnyDownloading());
        EXPECT_FALSE(Page().AreAllDownloaded(nullptr));
        EXPECT_TRUE(Page().AreAllDownloaded(m_pTuner));
        // The setup file of the row itself was there at the start: 15 MB to fetch.
        m_pStudio->m_bLocalFileExists = true;
        Page().UpdateItemStatus(m_pRuntime, m_pStudio, ItemDownloading, "");
        EXPECT_EQ(Cell(0, 3), "Downloading... 51%   (7.68M of 15.00M)");
        // A part still arriving once the row's own file has failed, or is in, leaves the row's text.
        Page().UpdateItemStatus(m_pStudio, nullptr, ItemDownloadAborted, "");
        Page().ShowDownloadProgress(m_pRuntime);
        EXPECT_EQ(Cell(0, 3), "Download Aborted");
        Page().UpdateItemStatus(m_pStudio, nullptr, ItemDownloaded, "");
        Page().UpdateItemStatus(m_pEngine, m_pStudio, ItemDownloading, "");
        EXPECT_EQ(Cell(0, 3), "Downloaded.");

        // A row of 0.9 MB has a total of 0; before the first byte its image shows waiting.
        Page().UpdateItemStatus(m_pTuner, nullptr, ItemDownloading, "");
        EXPECT_EQ(Cell(1, 3), "Downloading...");
        m_pTuner->m_ullBytesDone = 1000;
        Page().UpdateItemStatus(m_pTuner, nullptr, ItemDownloading, "");
        EXPECT_EQ(Cell(1, 3), "Downloading... 0%   (0.00M of 0.00M)");
        // A showing asked for while it ran, coming after its end, leaves the end's text.
        Page().UpdateItemStatus(m_pTuner, nullptr, ItemDownloaded, "");
        Page().ShowDownloadProgress(m_pTuner);
        EXPECT_EQ(Cell(1, 3), "Downloaded.");

        // A failed part fails its row record too; a part that succeeds leaves the row's status.
        Page().UpdateItemStatus(m_pEngine, m_pStudio, ItemDownloadAborted, "");
        EXPECT_EQ(m_pStudio->m_nStatus, ItemDownloadAborted);
        EXPECT_STREQ(m_pEngine->GetStatusText(), "Download Aborted");
        EXPECT_EQ(Image(0), InstallImageFailed);
        Page().UpdateItemStatus(m_pRuntime, m_pStudio, ItemDownloaded, "");
        EXPECT_EQ(m_pStudio->m_nStatus, ItemDownloadAborted);
        EXPECT_EQ(Image(0), InstallImageDone);
        EXPECT_FALSE(Page().AnyDownloadFailed());
        Page().UpdateItemStatus(m_pRuntime, m_pStudio, ItemTimedOut, "");
        EXPECT_TRUE(Page().AnyDownloadFailed());
        EXPECT_STREQ(m_pRuntime->GetStatusText(), "Downloaded.");

        Page().UpdateItemStatus(m_pStudio, nullptr, ItemInstallingPart, "");
        EXPECT_EQ(Cell(0, 3), "Installing part 1 of 4...");
        EXPECT_TRUE(Page().IsAnyInstalling());
        Page().UpdateItemStatus(m_pStudio, nullptr, ItemError, "ERROR - the setup left no log");
        EXPECT_EQ(Cell(0, 3), "ERROR - the setup left no log");
        EXPECT_FALSE(Page().IsAnyInstalling());
        Page().UpdateItemStatus(m_pStudio, nullptr, 19, "ignored");
        EXPECT_EQ(m_pStudio->m_nStatus, 19);
        EXPECT_EQ(Cell(0, 3), "ERROR - the setup left no log");
        EXPECT_EQ(Image(0), InstallImageFailed);

        // A non-queueable part is no part of a run.
        Page().UpdateItemStatus(m_pFaulty, m_pStudio, ItemDownloading, "");
        Page().UpdateItemStatus(m_pStudio, nullptr, ItemDownloaded, "");
        Page().UpdateItemStatus(m_pEngine, m_pStudio, ItemDownloaded, "");
        Page().UpdateItemStatus(m_pTuner, nullptr, ItemDownloaded, "");
        EXPECT_TRUE(Page().AreAllDownloaded(nullptr));
        EXPECT_FALSE(Page().IsAnyDownloading());

        // Files map to records by title, so a response file finds its setup's record.
        CAppDetailsObj *pItem = nullptr, *pOwner = nullptr;
        EXPECT_EQ(Page().FindItemByFile("C:\\elsewhere\\ENGINE_1.0.ex_", &pItem, &pOwner), nullptr);
        EXPECT_EQ(pItem, m_pEngine);
        EXPECT_EQ(pOwner, m_pStudio);
        EXPECT_EQ(Page().FindItemByFile("Studio_2.0.iss", &pItem, &pOwner), List().GetTreeListItem(0));
        EXPECT_EQ(pItem, m_pStudio);
        EXPECT_EQ(pOwner, nullptr);
        // A name Windows keeps apart from Tuner's is no file of Tuner's; a short name of a file there
        // is that file's.
        EXPECT_EQ(Page().FindItemByFile("Tu\xADner.exe", &pItem, &pOwner), nullptr);
        EXPECT_EQ(pItem, nullptr);
        m_wizard.m_tree.WriteText("set\\Studio_2.0.exe", "setup");
        char szShort[MAX_PATH] = {};
        ASSERT_NE(GetShortPathNameA(Page().GetLocalFilePath(m_pStudio), szShort, MAX_PATH), 0u);
        EXPECT_EQ(Page().FindItemByFile(szShort, &pItem, &pOwner), List().GetTreeListItem(0)) << szShort;
        EXPECT_EQ(Page().FindItemByFile("Unknown.exe", &pItem, &pOwner), nullptr);
        EXPECT_EQ(pItem, nullptr);
        EXPECT_STREQ(Page().GetLocalFilePath(m_pTuner), Sheet().m_strDownloadFolder + "\\Tuner.exe");

        Page().WriteLogLine("Finished", true);
    });

    // Status changes are logged in memory; a part's progress and a row's byte counts are not.
    std::string strLog = LogFile();
    EXPECT_EQ(strLog.find("an earlier run"), std::string::npos);
    EXPECT_NE(strLog.find("  :  Downloading...:  Quendar Tuner\r\n"), std::string::npos) << strLog;
    EXPECT_EQ(strLog.find("Quendar Engine\r\n"), strLog.find("  :  Download Aborted:  Quendar Engine\r\n") + 24);
    EXPECT_NE(strLog.find("  :  Downloaded.:  Quendar Runtime\r\n"), std::string::npos);
    EXPECT_NE(strLog.find("  :  ERROR - the setup left no log:  Quendar Studio\r\n"), std::string::npos);
    EXPECT_EQ(strLog.find("%"), std::string::npos);
    EXPECT_NE(strLog.find("  :  Finished\r\n"), std::string::npos);
}

TEST_F(InstallQueueTest, WithoutItsWindowThePageFindsNothing)
{
    MakeQueue();
    CAppDetailsObj *pItem = m_pTuner, *pOwner = m_pStudio;
    EXPECT_EQ(Page().FindItemByFile("Tuner.exe", &pItem, &pOwner), nullptr);
    EXPECT_EQ(pItem, m_pTuner);
    EXPECT_EQ(pOwner, m_pStudio);
    EXPECT_EQ(Page().FindRow(m_pTuner), nullptr);
    Page().UpdateItemStatus(nullptr, nullptr, ItemDownloaded, "");
    Page().UpdateItemStatus(m_pTuner, nullptr, ItemPreparingDownload, "");
    EXPECT_STREQ(m_pTuner->GetStatusText(), "Preparing to download..");
    EXPECT_TRUE(Page().AreAllDownloaded(nullptr));
}

} // namespace

// The install phase on a running wizard built for "INSTALL:<folder>", with stand-in setups (copies
// of SilentSetup.exe told what to do by SilentSetup.ini): the completion check called by other
// threads too, and setups that cannot run.
#include "AppDetailsObj.h"
#include "PropPage_Install.h"
#include "TestWizard.h"
#include "TreeListCtrl_Install.h"

#include <atomic>
#include <fstream>
#include <future>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kCatalogue[] = R"(<?xml version="1.0"?>
<Products>
  <Product Id="1" Version="2.0"><Name>Quendar Studio</Name><Download>Studio.exe</Download><InstallType>1</InstallType>
    <InstallFolder>Studio</InstallFolder>
    <Dependency>
      <Product Id="2" Version="1.0" ShowDependency="0"/>
      <Product Id="3" Version="1.5" ShowDependency="0"/>
    </Dependency>
  </Product>
  <Product Id="2" Version="1.0"><Name>Quendar Engine</Name><Download>Engine.exe</Download><InstallType>1</InstallType>
    <InstallFolder>Engine</InstallFolder><ShowProduct>0</ShowProduct></Product>
  <Product Id="3" Version="1.5"><Name>Quendar Shield</Name><Download>Shield.exe</Download><InstallType>0</InstallType>
    <ShowProduct>0</ShowProduct></Product>
  <Product Id="4" Version="0.9"><Name>Quendar Tuner</Name><Download>Tuner.exe</Download><InstallType>1</InstallType>
    <InstallFolder>Tuner</InstallFolder><RelNotes>Tuner.exe</RelNotes>
    <VersionPath registry="yes">%KEY%\Tuner\InstallDir</VersionPath></Product>
  <Product Id="5" Version="3.0"><Name>Quendar Legacy</Name><Download>Legacy.exe</Download><InstallType>2</InstallType>
    <Dependency><Product Id="10" Version="1.0" ShowDependency="0"/></Dependency></Product>
  <Product Id="6" Version="1.0"><Name>Quendar Broken</Name><Download>Broken.exe</Download><InstallType>1</InstallType></Product>
  <Product Id="7" Version="1.0"><Name>Quendar Silent</Name><Download>Silent.exe</Download><InstallType>0</InstallType></Product>
  <Product Id="8" Version="1.0"><Name>Quendar Rack</Name><Download>Rack.exe</Download><InstallType>1</InstallType>
    <StartMenuText>Quendar Rack&quot; /DIR=&quot;C:\Injected Menu</StartMenuText></Product>
  <Product Id="9" Version="1.0"><Name>Quendar Snip</Name><Download>Snip Setup.exe</Download><InstallType>1</InstallType>
    <Snip>1</Snip></Product>
  <Product Id="10" Version="1.0"><Name>Quendar Helper</Name><Download>Helper.exe</Download><InstallType>1</InstallType>
    <InstallFolder>Helper</InstallFolder><ShowProduct>0</ShowProduct></Product>
  <Product Id="11" Version="1.0"><Name>Quendar Snap</Name><Download>Snap.exe</Download><InstallType>0</InstallType>
    <Snip>1</Snip></Product>
  <Product Id="12" Version="1.0"><Name>Quendar Stream</Name><Download>Stream.exe:x</Download><InstallType>1</InstallType></Product>
  <Product Id="13" Version="1.0"><Name>Quendar Port</Name><Download>COM1.exe</Download><InstallType>1</InstallType></Product>
  <Product Id="14" Version="1.0"><Name>Quendar Climb</Name><Download>Up/../Snip.exe</Download><InstallType>1</InstallType></Product>
</Products>
)";

// Setups run as processes of their own: on a loaded machine each takes a while to start.
const DWORD kWaitMs = 30000;

bool WaitUntil(const std::function<bool()>& condition, DWORD dwTimeout = kWaitMs)
{
    return UiDriver::WaitFor([&] { return condition() ? GetDesktopWindow() : nullptr; }, dwTimeout) != nullptr;
}

std::string ReadFile(const CString& strPath)
{
    std::ifstream file(static_cast<LPCSTR>(strPath), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// Each text found in strLog after the one before it.
::testing::AssertionResult InOrder(const std::string& strLog, const std::vector<std::string>& texts)
{
    size_t nPos = 0;
    for (const std::string& strText : texts) {
        size_t nFound = strLog.find(strText, nPos);
        if (nFound == std::string::npos)
            return ::testing::AssertionFailure() << "\"" << strText << "\" is missing after offset " << nPos << " in\n"
                                                 << strLog;
        nPos = nFound + strText.size();
    }
    return ::testing::AssertionSuccess();
}

class InstallPhaseTest : public ::testing::Test
{
protected:
    InstallPhaseTest() : m_wizard(kCatalogue) {}

    CPropSheet_Corvatel& Sheet() { return m_wizard.Sheet(); }
    CPropPage_Install& Page() { return *Sheet().m_pPageInstall; }
    CAppDetailsObj* Item(int nProduct) { return Sheet().FindOrAddAppDetails(&Sheet().m_vecProducts[nProduct]); }

    // Copies of the stand-in setup under these names, and what they do.
    void MakeSetups(std::initializer_list<const char*> names, const char* pszBehaviour)
    {
        for (const char* pszName : names)
            m_wizard.m_tree.CopyModule("SilentSetup.exe", (CString("set\\") + pszName));
        m_wizard.m_tree.WriteText("set\\SilentSetup.ini", pszBehaviour);
    }

    // The queue the selection page would make: the given rows ticked, Studio with its two parts.
    void MakeQueue(std::initializer_list<int> rows)
    {
        for (int nRow : rows) {
            CAppDetailsObj* pItem = Item(nRow);
            pItem->m_bChecked = true;
            if (nRow != 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                CAppDetailsObj* pPart = Sheet().FindOrAddAppDetails(&Sheet().m_vecProducts[0].GetDependency(i));
                pPart->m_bChecked = true;
                pItem->m_lstDependencies.AddTail(pPart);
            }
        }
    }

    // Shows the install page once its list holds nRows rows; the setups install under the test's tree.
    void OpenInstallPage(HWND hSheet, int nRows)
    {
        CTestWizard::ShowPage(hSheet, 2);
        ASSERT_TRUE(
            WaitUntil([&] { return Page().m_pInstallList && Page().m_pInstallList->GetCount() == nRows; }));
        // The page's start message checks the run's end: it must not find records the test marks.
        CTestWizard::HandlePosted(hSheet);
        Sheet().m_strInstallRoot = m_wizard.m_tree.MakeFolder("root");
    }

    // Every listed record at "Downloaded.", as the download threads leave them.
    void MarkDownloaded()
    {
        for (POSITION pos = Sheet().m_lstQueueItems.GetHeadPosition(); pos;) {
            auto* pItem = static_cast<CAppDetailsObj*>(Sheet().m_lstQueueItems.GetNext(pos));
            if (pItem->m_bChecked)
                Page().UpdateItemStatus(pItem, nullptr, ItemDownloaded, "");
        }
    }

    // How often each setup ran, from the setups' own record.
    std::map<std::string, int> Runs()
    {
        std::map<std::string, int> runs;
        std::istringstream lines(ReadFile(m_wizard.m_tree.Path("set\\SilentSetup.runs")));
        for (std::string strLine; std::getline(lines, strLine);)
            ++runs[strLine.substr(0, strLine.find('\t'))];
        return runs;
    }

    std::string Log() { return ReadFile(Page().GetLogFilePath()); }

    CTestWizard m_wizard;
};

TEST_F(InstallPhaseTest, TwoThreadsEndingTheRunTogetherInstallEachSetupOnce)
{
    MakeSetups({"Studio.exe", "Engine.exe", "Shield.exe", "Tuner.exe"}, R"([Default]
DelayMs=150
[Shield.exe]
Style=InstallShield
ResultFile=0
[Tuner.exe]
DelayMs=150
InfoMessage=Tuner is ready.
Reboot=1
)");
    m_wizard.m_tree.WriteText("set\\Shield.iss", "[SdAskDestPath-0]\r\nszDir=C:\\Old\\Shield\r\n");
    MakeQueue({0, 3});
    m_wizard.Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 2);
        MarkDownloaded();
        Page().m_bInstallAfterDownload = true;
        std::atomic<int> nWaiting{2};
        auto lastDownloadThread = [&] {
            --nWaiting;
            while (nWaiting > 0)
                Sleep(0);
            return Page().CheckDownloadsComplete();
        };
        std::future<BOOL> first = std::async(std::launch::async, lastDownloadThread);
        std::future<BOOL> second = std::async(std::launch::async, lastDownloadThread);

        // The info message comes after the installs, captioned with its product's name.
        HWND hBox = UiDriver::WaitFor([] { return UiDriver::FindMessageBox("Tuner is ready."); }, kWaitMs);
        ASSERT_TRUE(hBox);
        EXPECT_EQ(UiDriver::GetText(hBox), "Quendar Tuner");
        UiDriver::PressButton(hBox, IDOK);
        EXPECT_EQ(first.get() + second.get(), TRUE);
        EXPECT_TRUE(WaitUntil([&] { return CTestWizard::IsFinishEnabled(hSheet); }));

        // Release notes that name a program in the product's folder are not opened, nor looked for.
        m_wizard.SetInstalled("Tuner", "InstallDir", Sheet().m_strDownloadFolder);
        EXPECT_STREQ(Sheet().GetReleaseNotesPath(Item(3)), "");
        CTreeListCtrl_Install* pList = Page().m_pInstallList;
        NMTREELIST notify = {{pList->m_hWnd, 502, TLN_DBLCLICK}, pList->GetTreeListItem(1),
                             CTreeListCtrl_Install::kReleaseNotesColumn};
        SendMessageA(Page().m_hWnd, WM_NOTIFY, 502, reinterpret_cast<LPARAM>(&notify));
    }, IDYES);

    EXPECT_EQ(Runs(), (std::map<std::string, int>{{"Engine.exe", 1}, {"Shield.exe", 1}, {"Studio.exe", 1}, {"Tuner.exe", 1}}));
    for (int nProduct : {0, 3})
        EXPECT_STREQ(Item(nProduct)->GetStatusText(), "Installed.");
    EXPECT_TRUE(Page().m_bRebootNeeded);
    // The response file sent the setup under the install root.
    const std::string strSet(Sheet().m_strDownloadFolder);
    EXPECT_NE(ReadFile(m_wizard.m_tree.Path("root\\Shield\\Shield.exe.installed")).find(" /s /f1"), std::string::npos);
    EXPECT_TRUE(InOrder(Log(), {"  :  Preparing to install...:  Quendar Engine\r\n",
                                "  :  Installing using Inno Setup: Quendar Engine\r\n",
                                "  :  Install Command Line = \"" + strSet + "\\Engine.exe\" ",
                                "  :  Installing part 1 of 3...:  Quendar Studio\r\n",
                                "  :  Installed.:  Quendar Engine\r\n",
                                "  :  Installing using InstallShield: Quendar Shield\r\n",
                                "  :  Install Command Line = \"" + strSet + "\\Shield.exe\"  /a /s /f1\"",
                                "  :  Installing part 2 of 3...:  Quendar Studio\r\n",
                                "  :  Corvatel_Install.log not written for Quendar Shield\r\n",
                                "  :  Installed.:  Quendar Shield\r\n",
                                "  :  Installing part 3 of 3...:  Quendar Studio\r\n",
                                "  :  Installed.:  Quendar Studio\r\n",
                                "  :  Installing...:  Quendar Tuner\r\n",
                                "  :  Corvatel_Install.log > Reboot Required for Quendar Tuner\r\n",
                                "  :  Corvatel_Install.log > InfoMessage for Quendar Tuner: Tuner is ready.\r\n",
                                "  :  Release notes of Quendar Tuner not opened: \"Tuner.exe\" is not the name of a "
                                "document in its folder\r\n"}));
}

TEST_F(InstallPhaseTest, SetupsThatCannotRunAreReportedAndTheRestStillInstall)
{
    // Legacy needs a newer Corvatel, once its part is in; Broken is no program; Silent leaves no
    // setup.log; Tuner and Studio's setups are missing; Rack's start-menu text would end its quotes;
    // Snip runs by its own name, not "Snip.exe", and is asked for no log: it installs; Snap, asked
    // for none either, reports its error in its result file; Engine installs and, with the box
    // ticked, its file goes. Stream, Port and Climb name a stream, a device and a ".." step: each is
    // refused before its file is looked for, as the download road refuses it.
    MakeSetups({"Engine.exe", "Silent.exe", "Rack.exe", "Snip Setup.exe", "Snip.exe", "Helper.exe", "Snap.exe"},
               "[Default]\nStyle=Program\n[Engine.exe]\nStyle=Inno\n[Rack.exe]\nStyle=Inno\n[Helper.exe]\nStyle=Inno\n"
               "[Snap.exe]\nStyle=Program\nResultFile=1\nErrorMessage=Snap found no licence\n");
    m_wizard.m_tree.WriteText("set\\Broken.exe", "not a program");
    m_wizard.m_tree.WriteText("set\\Silent.iss", "[SdAskDestPath-0]\r\nszDir=C:\\Silent\r\n");
    MakeQueue({0, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13});
    CAppDetailsObj* pHelper = Sheet().FindOrAddAppDetails(&Sheet().m_vecProducts[4].GetDependency(0));
    pHelper->m_bChecked = true;
    Item(4)->m_lstDependencies.AddTail(pHelper);
    m_wizard.Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 11);
        HWND hPage = reinterpret_cast<HWND>(SendMessageA(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        SendDlgItemMessageA(hPage, IDC_REMOVE_FILES, BM_SETCHECK, BST_CHECKED, 0);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(hPage, IDC_DOWNLOAD_AND_INSTALL)); }));
        UiDriver::PressButton(hPage, IDC_DOWNLOAD_AND_INSTALL);
        EXPECT_FALSE(UiDriver::AnswerMessageBox("A later version of Corvatel is needed to install Quendar Legacy.  "
                                                "Please download and install the latest version of Corvatel and try again.",
                                                IDOK, kWaitMs)
                         .empty());
        std::string strSummary = UiDriver::AnswerMessageBox("There was a problem installing", IDOK, kWaitMs);
        EXPECT_EQ(strSummary, "There was a problem installing one or more files.  Please try running Corvatel again.\n\n"
                              "The following application(s) did not install successfully:\n\n"
                              "     Quendar Shield\n     Quendar Studio\n     Quendar Tuner\n     Quendar Legacy\n"
                              "     Quendar Broken\n     Quendar Silent\n     Quendar Rack\n     Quendar Snap\n"
                              "     Quendar Stream\n     Quendar Port\n     Quendar Climb\n\n\n");
        // Only Finish is left.
        EXPECT_TRUE(WaitUntil([&] { return CTestWizard::IsFinishEnabled(hSheet); }));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hSheet, IDCANCEL)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hPage, IDC_DOWNLOAD_AND_INSTALL)));
        PostMessageA(hSheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    }, IDYES);

    const std::string strSet(Sheet().m_strDownloadFolder);
    auto* pEngine = static_cast<CAppDetailsObj*>(Item(0)->m_lstDependencies.GetHead());
    auto* pShield = static_cast<CAppDetailsObj*>(Item(0)->m_lstDependencies.GetTail());
    EXPECT_STREQ(pEngine->GetStatusText(), "Installed.");
    EXPECT_EQ(std::string(pShield->GetStatusText()), "File Not Found:  '" + strSet + "\\Shield.exe'");
    // A part's failure is its row's, which then does not install; failed rows say so in general.
    EXPECT_STREQ(Item(0)->GetStatusText(), "One or more components failed to download or install");
    EXPECT_STREQ(Item(3)->GetStatusText(), "Application failed to download or install");
    // Nothing installs Legacy: it does not stay "installing" once its part is in.
    EXPECT_STREQ(pHelper->GetStatusText(), "Installed.");
    EXPECT_STREQ(Item(4)->GetStatusText(), "Install Aborted.");
    EXPECT_STREQ(Item(6)->GetStatusText(), "Application failed to download or install");
    EXPECT_STREQ(Item(8)->GetStatusText(), "Installed.");
    // The ticked box took the setups that ran, and the response file with them.
    EXPECT_EQ(GetFileAttributesA(m_wizard.m_tree.Path("set\\Engine.exe")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(m_wizard.m_tree.Path("set\\Silent.iss")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Runs(), (std::map<std::string, int>{{"Engine.exe", 1}, {"Helper.exe", 1}, {"Silent.exe", 1}, {"Snap.exe", 1},
                                                  {"Snip Setup.exe", 1}}));

    std::string strLog = Log();
    // Of the missing files only the first is logged.
    EXPECT_TRUE(InOrder(strLog, {"  :  Begin Download and Install Files\r\n",
                                 "  :  Installed.:  Quendar Engine\r\n",
                                 "  :  File Not Found:  '" + strSet + "\\Shield.exe'\r\n",
                                 "  :  File Not Found:  '" + strSet + "\\Tuner.exe':  Quendar Tuner\r\n",
                                 "  :  unsupported install type: Quendar Legacy\r\n",
                                 "  :  Install Error (0x000000C1): ", ".:  Quendar Broken\r\n",
                                 "  :  Install Aborted.:  Quendar Silent\r\n",
                                 "  :  Install Failed (unsafe start-menu text refused):  Quendar Rack\r\n",
                                 "  :  Not installed: the start-menu text of Quendar Rack would not stay inside its "
                                 "quotes, its line or the install root\r\n",
                                 "  :  Install Command Line = \"" + strSet + "\\Snip Setup.exe\"\r\n",
                                 "  :  Installed.:  Quendar Snip\r\n",
                                 "  :  Install Failed (Snap found no licence):  Quendar Snap\r\n",
                                 "  :  ERROR - Unsafe file name refused: Stream.exe:x:  Quendar Stream\r\n",
                                 "  :  Not installed for Quendar Stream: \"Stream.exe:x\" does not name a plain file "
                                 "inside the download folder\r\n",
                                 "  :  ERROR - Unsafe file name refused: COM1.exe:  Quendar Port\r\n",
                                 "  :  ERROR - Unsafe file name refused: Up/../Snip.exe:  Quendar Climb\r\n",
                                 "  :  There was a problem installing", "  :  Finished\r\n"}));
    EXPECT_EQ(strLog.find("  :  File Not Found:  '" + strSet + "\\Tuner.exe'\r\n"), std::string::npos);
}

TEST_F(InstallPhaseTest, ARecordingSetupCountsAsInstalledUnreadAndLeavesNothingToTheNext)
{
    // Shield has no response file, so it records one, and leaves an error in its result file that
    // nothing reads; Tuner then installs cleanly and writes no result file; Helper's log says it failed.
    MakeSetups({"Shield.exe", "Tuner.exe", "Helper.exe"},
               "[Shield.exe]\nStyle=InstallShield\nErrorMessage=Shield could not register its help files\n"
               "[Tuner.exe]\nResultFile=0\n[Helper.exe]\nExitCode=4\n");
    CAppDetailsObj* pShield = Sheet().FindOrAddAppDetails(&Sheet().m_vecProducts[2]);
    pShield->m_bChecked = true;
    MakeQueue({3, 9});
    m_wizard.Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 3);
        HWND hPage = reinterpret_cast<HWND>(SendMessageA(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(hPage, IDC_DOWNLOAD_AND_INSTALL)); }));
        UiDriver::PressButton(hPage, IDC_DOWNLOAD_AND_INSTALL);
        EXPECT_TRUE(WaitUntil([&] { return CTestWizard::IsFinishEnabled(hSheet); }));
        // Cancel is off once the setups have run: only Finish ends the wizard.
        PostMessageA(hSheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    });
    EXPECT_EQ(Runs(), (std::map<std::string, int>{{"Helper.exe", 1}, {"Shield.exe", 1}, {"Tuner.exe", 1}}));
    EXPECT_STREQ(pShield->GetStatusText(), "Installed.");
    EXPECT_STREQ(Item(3)->GetStatusText(), "Installed.");
    EXPECT_TRUE(InOrder(Log(), {"  :  Install Failed (A fatal error occurred during the actual installation process):  "
                                "Quendar Helper\r\n"}));
}

TEST_F(InstallPhaseTest, RowCommandsAskFirstAndActOnTheSelectedRow)
{
    // Tuner's setup writes no log of its own: the one an earlier setup left is not taken for it.
    // Engine's waits for its release.
    std::string strRelease(static_cast<LPCSTR>(m_wizard.m_tree.Path("release")));
    MakeSetups({"Tuner.exe", "Engine.exe"}, ("[Tuner.exe]\nStyle=Program\n[Engine.exe]\nReleaseFile=" + strRelease).c_str());
    m_wizard.m_tree.WriteText("set\\InnoSetup.log", "Process exit code: 0\r\n");
    MakeQueue({0, 3});
    CAppDetailsObj* pStudio = Item(0);
    CAppDetailsObj* pEngine = static_cast<CAppDetailsObj*>(pStudio->m_lstDependencies.GetHead());
    CAppDetailsObj* pShield = static_cast<CAppDetailsObj*>(pStudio->m_lstDependencies.GetTail());
    CAppDetailsObj* pTuner = Item(3);
    auto statuses = [&] {
        return std::vector<int>{pEngine->GetStatus(), pShield->GetStatus(), pStudio->GetStatus(), pTuner->GetStatus()};
    };
    m_wizard.Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 2);
        m_wizard.StopInstallPageTimers(hSheet);
        CTreeListCtrl_Install* pList = Page().m_pInstallList;
        HWND hPage = Page().m_hWnd;
        auto select = [&](int nRow) {
            CTestWizard::ClickRow(pList, nRow);
            // Posted after the page's start message: that has run too once the row is selected.
            ASSERT_TRUE(WaitUntil([&] { return pList->GetSelectedItem() == pList->GetTreeListItem(nRow); }));
        };
        auto setStudio = [&](int nStatus) {
            for (CAppDetailsObj* pPart : {pEngine, pShield})
                Page().UpdateItemStatus(pPart, pStudio, nStatus, "");
            Page().UpdateItemStatus(pStudio, nullptr, nStatus, "");
        };

        select(0);
        setStudio(ItemPreparingDownload);
        SendMessageA(hPage, WM_COMMAND, ID_ABORT_DOWNLOAD, 0);
        EXPECT_EQ(statuses(), (std::vector<int>{ItemDownloadAborted, ItemDownloadAborted, ItemDownloadAborted, 0}));
        // The abort of records with no thread asks the window for a look at the run's end: taken
        // before the next statuses are set.
        CTestWizard::HandlePosted(hSheet);

        // Each tick stops the parts of a failed row that still wait, and marks the row.
        Page().UpdateItemStatus(pEngine, pStudio, ItemPreparingDownload, "");
        Page().UpdateItemStatus(pStudio, nullptr, ItemError, "Boom");
        SendMessageA(hPage, WM_TIMER, 1000, 0);
        EXPECT_EQ(statuses(), (std::vector<int>{ItemDownloadAborted, ItemDownloadAborted, ItemError, 0}));
        CTestWizard::HandlePosted(hSheet);
        int nImage[4] = {};
        pList->GetItemImage(pList->GetTreeListItem(0), nImage[0], nImage[1], nImage[2], nImage[3]);
        EXPECT_EQ(nImage[0], InstallImageFailed);

        // Pending installs are withdrawn, the row's with its parts; a downloaded row stays.
        setStudio(ItemPreparingInstall);
        Page().UpdateItemStatus(pTuner, nullptr, ItemDownloaded, "");
        SendMessageA(hPage, WM_COMMAND, ID_ABORT_PENDING_INSTALLS, 0);
        EXPECT_EQ(statuses(), (std::vector<int>{ItemInstallAborted, ItemInstallAborted, ItemInstallAborted, ItemDownloaded}));
        // So is a row left "installing" its next part while no setup runs.
        for (CAppDetailsObj* pPart : {pEngine, pShield})
            Page().UpdateItemStatus(pPart, pStudio, ItemInstalled, "");
        Page().UpdateItemStatus(pStudio, nullptr, ItemInstallingPart, "");
        SendMessageA(hPage, WM_COMMAND, ID_ABORT_PENDING_INSTALLS, 0);
        EXPECT_EQ(statuses(), (std::vector<int>{ItemInstalled, ItemInstalled, ItemInstallAborted, ItemDownloaded}));

        // While the menu's "Install" waits for Engine's setup, the controls are off and a second
        // "Install" starts nothing.
        PostMessageA(hPage, WM_COMMAND, ID_INSTALL, 0);
        ASSERT_TRUE(WaitUntil([&] { return pStudio->GetStatus() == ItemInstallingPart; }));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hPage, IDC_DOWNLOAD_AND_INSTALL)));
        select(1);
        SendMessageA(hPage, WM_COMMAND, ID_INSTALL, 0);
        EXPECT_EQ(pTuner->GetStatus(), ItemDownloaded);
        m_wizard.m_tree.WriteText("release", "");
        ASSERT_TRUE(WaitUntil([&] { return !Page().IsAnyInstalling() && pStudio->GetStatus() == ItemError; }));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(hPage, IDC_DOWNLOAD_AND_INSTALL)); }));

        // "Install" runs the selected row's setup there and then.
        SendMessageA(hPage, WM_COMMAND, ID_INSTALL, 0);
        EXPECT_STREQ(pTuner->GetStatusText(), "Install Aborted.");
    }, IDYES);
    ASSERT_GE(m_wizard.m_answers.size(), 2u);
    EXPECT_EQ(m_wizard.m_answers[0], "Are you sure you want to abort downloading Quendar Studio?");
    EXPECT_EQ(m_wizard.m_answers[1], "Are you sure you want to abort all pending installs?");
    EXPECT_EQ(Runs(), (std::map<std::string, int>{{"Engine.exe", 1}, {"Tuner.exe", 1}}));
}

} // namespace

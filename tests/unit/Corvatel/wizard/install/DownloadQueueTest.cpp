// The download queue of a running wizard against the loopback sshd and its fault proxy: the two
// passes, download threads, the watchdog's retry, the retry question and the page's close. The
// test's second thread plays the user and, where a test says so, the timers.
#include "AppDetailsObj.h"
#include "FtpDownloadThread.h"
#include "FtpMgr.h"
#include "HandshakeTurn.h"
#include "HoldWindowThread.h"
#include "PropPage_Install.h"
#include "SftpPeer.h"
#include "TestWizard.h"
#include "TransferLink.h"
#include "TreeListCtrl_Install.h"
#include "Utilities.h"

#include <SystemErrorText.h>
#include <TreeListMessages.h>

#include <atomic>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace SftpPeer;

namespace {

const unsigned long long kLarge = 3 << 20;

bool WaitUntil(const std::function<bool()>& done, DWORD dwTimeout = 20000)
{
    for (DWORD dwStart = GetTickCount(); !done(); Sleep(20))
        if (GetTickCount() - dwStart > dwTimeout)
            return false;
    return true;
}

// Every place to log in, held by the test until the turns go.
std::vector<std::unique_ptr<CHandshakeTurn>> HoldAllPlaces()
{
    std::atomic<bool> bNever{false};
    std::atomic<bool> bWaits{false};
    std::vector<std::unique_ptr<CHandshakeTurn>> held;
    for (int i = 0; i < CHandshakeTurn::kPlaces; ++i)
        held.push_back(std::make_unique<CHandshakeTurn>(bNever, bWaits));
    return held;
}

// One catalogue product: name, download entry, install type, and more of its elements.
struct CEntry
{
    const char* pszName;
    std::string strDownload;
    int nInstallType;
    const char* pszMore = "";
};

class DownloadQueueTest : public ::testing::Test
{
protected:
    // The served files of a test lie in a folder of their own: tests run side by side.
    DownloadQueueTest() : m_strServed(std::string("queue-") + CurrentTest())
    {
        CreateDirectoryA(ServedPath(m_strServed).c_str(), nullptr);
        CreateDirectoryA(ServedPath(m_strServed + "\\_iss").c_str(), nullptr);
    }

    static const char* CurrentTest() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

    // A wizard on these products, the first with the second as its hidden part when bPart, the
    // rest rows of their own, all ticked; downloads go through the listener named.
    void MakeWizard(const std::vector<CEntry>& entries, const char* pszListener, bool bPart = false)
    {
        std::string strCatalogue = "<?xml version=\"1.0\"?>\n<Products>\n";
        for (size_t i = 0; i < entries.size(); ++i) {
            strCatalogue += "<Product Id=\"" + std::to_string(i + 1) + "\" Version=\"1.0\"><Name>" + entries[i].pszName +
                            "</Name><Download>" + entries[i].strDownload + "</Download><Size>1</Size><InstallType>" +
                            std::to_string(entries[i].nInstallType) + "</InstallType><VersionPath>C:\\Q</VersionPath>" +
                            entries[i].pszMore;
            if (i == 0 && bPart)
                strCatalogue += "<Dependency><Product Id=\"2\" Version=\"1.0\" ShowDependency=\"0\"/></Dependency>";
            strCatalogue += "</Product>\n";
        }
        strCatalogue += "</Products>\n";
        std::string strPort = "PORT:" + std::to_string(Port(pszListener));
        m_pWizard = std::make_unique<CTestWizard>(strCatalogue.c_str(), std::initializer_list<const char*>{"FTP:127.0.0.1", strPort.c_str()});
        CPropSheet_Corvatel& sheet = m_pWizard->Sheet();
        for (size_t i = 0; i < entries.size(); ++i) {
            CProductInfo& product = sheet.m_vecProducts[i];
            m_items.push_back(sheet.FindOrAddAppDetails(i == 1 && bPart ? &sheet.m_vecProducts[0].GetDependency(0) : &product));
            m_items.back()->m_bChecked = true;
        }
        if (bPart)
            m_items[0]->m_lstDependencies.AddTail(m_items[1]);
    }

    CPropPage_Install& Page() { return *m_pWizard->Sheet().m_pPageInstall; }

    // Shows the install page with its rows and gives it the credentials.
    void OpenInstallPage(HWND hSheet, int nRows)
    {
        CTestWizard::ShowPage(hSheet, 2);
        for (int i = 0; i < 250 && !(Page().m_pInstallList && Page().m_pInstallList->GetCount() == nRows); ++i)
            Sleep(20);
        ASSERT_TRUE(Page().m_pInstallList && Page().m_pInstallList->GetCount() == nRows);
        Page().m_strUser = Setting("USER").c_str();
        Page().m_strPassword = Setting("PASSWORD").c_str();
    }

    void SetPort(const char* pszListener) { m_pWizard->m_app.m_cmdInfo.m_nPort = Port(pszListener); }

    // A download thread of the page for the record's setup file, made suspended as the page makes
    // one; hThread is a handle of the test's own to wait on.
    CFtpDownloadThread* MakeThread(CAppDetailsObj* pItem, const char* pszFile, const char* pszListener, HANDLE& hThread)
    {
        auto* pThread = AfxBeginThread<CFtpDownloadThread>(THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        if (!pThread || !Page().BeginTransfer(pItem, pThread->m_hThread, false, pThread->m_nTransfer))
            return nullptr;
        DuplicateHandle(GetCurrentProcess(), pThread->m_hThread, GetCurrentProcess(), &hThread, SYNCHRONIZE, FALSE, 0);
        pThread->m_pLink = Page().GetTransferLink();
        pThread->m_pItem = pThread->m_pTransferItem = pItem;
        pThread->m_strLocalFile = Local(pszFile).c_str();
        pThread->m_strRemoteFile = Entry(pszFile).c_str();
        pThread->m_strHost = "127.0.0.1";
        pThread->m_nPort = Port(pszListener);
        pThread->m_nStartStatus = ItemDownloading;
        pThread->m_strUser = Setting("USER").c_str();
        pThread->m_strPassword = Setting("PASSWORD").c_str();
        return pThread;
    }

    bool WaitForStatus(CAppDetailsObj* pItem, int nStatus)
    {
        return WaitUntil([&] { return pItem->GetStatus() == nStatus; });
    }

    std::string Local(const char* pszName) { return static_cast<LPCSTR>(m_pWizard->m_strSet + "\\" + pszName); }
    std::string Served(const char* pszName) { return ServedPath(m_strServed + "\\" + pszName); }
    std::string Entry(const char* pszName) { return m_strServed + "/" + pszName; }

    // The program log, brought to disk first.
    std::string Log()
    {
        Page().WriteLogLine("(test)", true);
        std::ifstream file(static_cast<LPCSTR>(Page().GetLogFilePath()), std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }
    static size_t Count(const std::string& strLog, const std::string& strLine)
    {
        size_t nCount = 0;
        for (size_t n = strLog.find(strLine); n != std::string::npos; n = strLog.find(strLine, n + 1))
            ++nCount;
        return nCount;
    }

    std::string m_strServed;
    std::unique_ptr<CTestWizard> m_pWizard;
    std::vector<CAppDetailsObj*> m_items;
};

TEST(DownloadThreadTest, EveryFileNameTakesATemporaryNameOfItsOwn)
{
    EXPECT_STREQ(CFtpDownloadThread::GetTemporaryName("C:\\dl\\Studio.exe", false), "C:\\dl\\Studio.ex_");
    EXPECT_STREQ(CFtpDownloadThread::GetTemporaryName("C:\\setups.exe\\Studio.exe", false), "C:\\setups.exe\\Studio.ex_");
    EXPECT_STREQ(CFtpDownloadThread::GetTemporaryName("C:\\dl\\Studio.EXE", false), "C:\\dl\\Studio.EXE.part");
    EXPECT_STREQ(CFtpDownloadThread::GetTemporaryName("C:\\dl\\Studio.msi", false), "C:\\dl\\Studio.msi.part");
    EXPECT_STREQ(CFtpDownloadThread::GetTemporaryName("C:\\dl\\Studio.iss", true), "C:\\dl\\Studio.is_");
    // The transfer's kind decides, not the name.
    EXPECT_STREQ(CFtpDownloadThread::GetTemporaryName("C:\\dl\\Notes.iss.msi", false), "C:\\dl\\Notes.iss.msi.part");
}

// All places held, waiters lined up one after another: each place freed goes to the first in the
// line, not to whichever thread reaches it first, a newcomer that asks at that moment included.
TEST(DownloadThreadTest, TurnsToLogInAreGivenInTheOrderAsked)
{
    const int kWaiters = CHandshakeTurn::kPlaces;
    std::vector<std::unique_ptr<CHandshakeTurn>> held = HoldAllPlaces();
    std::atomic<bool> bNever{false};
    std::atomic<bool> waiting[kWaiters] = {};
    std::mutex lock;
    std::vector<int> given;
    std::atomic<bool> bEnd{false};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&, i] {
            CHandshakeTurn turn(bNever, waiting[i]);
            {
                std::lock_guard<std::mutex> guard(lock);
                given.push_back(i);
            }
            WaitUntil([&] { return bEnd.load(); }, 60000);
        });
        EXPECT_TRUE(WaitUntil([&] { return waiting[i].load(); })) << i;
    }
    auto givenCount = [&] {
        std::lock_guard<std::mutex> guard(lock);
        return given.size();
    };
    for (size_t i = 0; i < held.size(); ++i) {
        // The newcomer gives up once it stands in the line.
        std::atomic<bool> bLateGivesUp{false};
        std::atomic<bool> bLateWaits{false};
        std::thread giveUp([&] {
            WaitUntil([&] { return bLateWaits || bLateGivesUp; });
            bLateGivesUp = true;
        });
        held[i].reset();
        EXPECT_FALSE(CHandshakeTurn(bLateGivesUp, bLateWaits).IsHeld()) << i;
        bLateGivesUp = true;
        giveUp.join();
        EXPECT_TRUE(WaitUntil([&] { return givenCount() == i + 1; })) << i;
    }
    bEnd = true;
    for (std::thread& waiter : waiters)
        waiter.join();
    EXPECT_EQ(given, std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(RunningApplicationsTest, OnlyAProgramTheProductNamesCountsAsRunning)
{
    CProductInfo product;
    product.SetId(7);
    product.SetName("Quendar Scope");
    CAppDetailsObj item(&product);
    CString strList;
    std::vector<CString> names;
    // A process that is still being created has no name yet.
    CPropPage_Install::BuildRunningAppList("", "", &item, strList, names);
    EXPECT_STREQ(strList, "");
    CPropPage_Install::BuildRunningAppList("Scope.exe", "Scope.exe", &item, strList, names);
    EXPECT_STREQ(strList, "\t- Quendar Scope");
}

TEST_F(DownloadQueueTest, ResponseFilesFirstThenWholeSetupsAndPresentOnesSkipped)
{
    WriteServedFile(m_strServed + "\\Studio.exe", 300000, 1);
    WriteServedFile(m_strServed + "\\Engine.exe", kLarge, 2);
    // An empty response file says nothing by its size: it is whole when its transfer ends.
    WriteServedFile(m_strServed + "\\_iss\\Engine.iss", 0);
    WriteServedFile(m_strServed + "\\Cased.EXE", 300000, 4);
    MakeWizard({{"Quendar Studio", Entry("Studio.exe"), 1}, {"Quendar Engine", Entry("Engine.exe"), 0},
                {"Quendar Tuner", Entry("Tuner.exe"), 1}, {"Quendar Cased", Entry("Cased.EXE"), 1},
                {"Quendar Notes", Entry("Notes.iss.exe"), 1}, {"Quendar Answers", Entry("Engine.iss"), 1}},
               "PASSWORD", true);
    m_pWizard->m_tree.WriteText("set\\Tuner.exe", "already here");
    m_pWizard->m_tree.WriteText("set\\Notes.iss.exe", "already here");
    // What a killed run left is no whole file: it is fetched again.
    m_pWizard->m_tree.WriteText("set\\Cased.EXE.part", "cut off");
    // A response file is fetched again even when one is there.
    m_pWizard->m_tree.WriteText("set\\Engine.iss", "stale answers");
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 5);
        Page().StartAllDownloads();
        for (int i : {0, 2, 3, 4})
            ASSERT_TRUE(WaitForStatus(m_items[i], ItemDone)) << i << ": " << m_items[i]->GetStatus();
        // Engine's response file is no other record's to write.
        EXPECT_STREQ(m_items[5]->GetStatusText(), "ERROR - File name already used by Quendar Engine: Engine.iss");
        EXPECT_EQ(m_items[1]->GetStatus(), ItemDownloaded);
        for (CAppDetailsObj* pItem : m_items)
            EXPECT_FALSE(pItem->m_pFtpMgr[0] || pItem->m_pFtpMgr[1]);
        // The check again, as the next transfer's end or watchdog tick makes it: nothing is marked twice.
        Page().CheckDownloadsComplete();
    });
    for (const char* pszName : {"Studio.exe", "Engine.exe", "Cased.EXE"})
        EXPECT_EQ(Md5OfFile(Local(pszName)), Md5OfFile(Served(pszName))) << pszName;
    EXPECT_EQ(Md5OfFile(Local("Engine.iss")), Md5OfFile(Served("_iss\\Engine.iss")));
    EXPECT_EQ(FileSize(Local("Studio.ex_")) + FileSize(Local("Engine.ex_")) + FileSize(Local("Cased.EXE.part")), -3);
    EXPECT_EQ(FileSize(Local("Tuner.exe")) + FileSize(Local("Notes.iss.exe")), 24);

    std::string strLog = Log();
    EXPECT_LT(strLog.find("Response File Downloaded.:  Quendar Engine"), strLog.rfind("Downloading...:  Quendar Engine"))
        << strLog;
    EXPECT_EQ(Count(strLog, "  :  Downloaded.:  Quendar Engine\r\n"), 1u);
    EXPECT_EQ(Count(strLog, "Downloading...:  Quendar Tuner") + Count(strLog, "Downloading...:  Quendar Notes"), 0u);
    EXPECT_EQ(Count(strLog, "Done.:  Quendar Tuner"), 1u);
}

TEST_F(DownloadQueueTest, ASnipSetupComesOnBesideItsResponseFile)
{
    WriteServedFile(m_strServed + "\\Snip.exe", 1000);
    WriteServedFile(m_strServed + "\\_iss\\Snip.iss", kLarge, 3);
    // The next row needs no response file: its turn moves the snip row on to its setup file at once.
    MakeWizard({{"Snip", Entry("Snip.exe"), 0, "<Snip>1</Snip>"}, {"Tuner", Entry("Tuner.exe"), 1}}, "PASSWORD");
    m_pWizard->m_tree.WriteText("set\\Tuner.exe", "already here");
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 2);
        Page().StartAllDownloads();
        ASSERT_TRUE(WaitForStatus(m_items[0], ItemDone));
        ASSERT_TRUE(WaitUntil([&] { return FileSize(Local("Snip.iss")) == static_cast<long long>(kLarge); })) << Log();
    });
    EXPECT_EQ(Md5OfFile(Local("Snip.iss")), Md5OfFile(Served("_iss\\Snip.iss")));
    EXPECT_EQ(Md5OfFile(Local("Snip.exe")), Md5OfFile(Served("Snip.exe")));
    EXPECT_EQ(FileSize(Local("Snip.is_")), -1);
}

TEST_F(DownloadQueueTest, OneAtATimeStartsTheNextWhenOneEnds)
{
    std::vector<CEntry> entries;
    for (const char* pszName : {"A", "B", "C"}) {
        WriteServedFile(m_strServed + "\\" + pszName + ".exe", 400000);
        entries.push_back({pszName, Entry(pszName) + ".exe", 1});
    }
    MakeWizard(entries, "PASSWORD");
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 3);
        CheckDlgButton(Page().m_hWnd, IDC_ONE_AT_A_TIME, BST_CHECKED);
        Page().StartAllDownloads();
        ASSERT_TRUE(WaitForStatus(m_items[2], ItemDone));
    });
    std::string strLog = Log();
    EXPECT_LT(strLog.find("  :  Downloaded.:  A\r\n"), strLog.find("Downloading...:  B\r\n")) << strLog;
    EXPECT_LT(strLog.find("  :  Downloaded.:  B\r\n"), strLog.find("Downloading...:  C\r\n")) << strLog;
}

std::atomic<int> g_nButtonChanges{0};
WNDPROC g_pSheetProc = nullptr;

LRESULT CALLBACK CountButtonChanges(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage == PSM_SETWIZBUTTONS)
        ++g_nButtonChanges;
    return CallWindowProcA(g_pSheetProc, hWnd, nMessage, wParam, lParam);
}

// Every change of the sheet's buttons walks its controls: a run of hundreds of records waited
// seconds for one per record.
TEST_F(DownloadQueueTest, ARunsStartChangesTheSheetsButtonsOnceForTheAsksThatWait)
{
    const int kRecords = 40;
    std::vector<std::string> names;
    for (int i = 0; i < kRecords; ++i)
        names.push_back("Had" + std::to_string(i));
    std::vector<CEntry> entries;
    for (const std::string& strName : names)
        entries.push_back({strName.c_str(), Entry((strName + ".exe").c_str()), 1});
    MakeWizard(entries, "PASSWORD");
    // Already in the download folder: nothing is fetched.
    for (const std::string& strName : names)
        std::ofstream(Local((strName + ".exe").c_str()), std::ios::binary) << "setup";
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, kRecords);
        g_pSheetProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hSheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountButtonChanges)));
        g_nButtonChanges = 0;
        SendMessageA(Page().m_hWnd, WM_COMMAND, IDC_DOWNLOAD_ONLY, 0);
        for (CAppDetailsObj* pItem : m_items)
            ASSERT_TRUE(WaitForStatus(pItem, ItemDone));
        ASSERT_TRUE(WaitUntil([&] { return CTestWizard::IsFinishEnabled(hSheet); }));
        SetWindowLongPtrA(hSheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pSheetProc));
    });
    EXPECT_LT(g_nButtonChanges, kRecords / 4);
}

// A stock sshd drops most connections past ten not yet logged in: forty downloads started
// together all come through, none left to the watchdog.
TEST_F(DownloadQueueTest, FortyDownloadsStartedTogetherAllLogInToAStockServer)
{
    const int kRecords = 40;
    std::vector<std::string> names;
    std::vector<CEntry> entries;
    for (int i = 0; i < kRecords; ++i)
        names.push_back("Crowd" + std::to_string(i) + ".exe");
    for (const std::string& strName : names) {
        WriteServedFile(m_strServed + "\\" + strName, 20000);
        entries.push_back({strName.c_str(), Entry(strName.c_str()), 1});
    }
    MakeWizard(entries, "STOCK");
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, kRecords);
        m_pWizard->StopInstallPageTimers(hSheet);
        std::vector<CFtpDownloadThread*> threads;
        std::vector<HANDLE> handles(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            Page().UpdateItemStatus(m_items[i], nullptr, ItemPreparingSetupDownload, "");
            threads.push_back(MakeThread(m_items[i], names[i].c_str(), "STOCK", handles[i]));
            ASSERT_TRUE(threads.back());
        }
        for (CFtpDownloadThread* pThread : threads)
            pThread->ResumeThread();
        for (HANDLE hThread : handles) {
            EXPECT_EQ(WaitForSingleObject(hThread, 60000), WAIT_OBJECT_0);
            CloseHandle(hThread);
        }
    });
    for (const std::string& strName : names)
        EXPECT_EQ(Md5OfFile(Local(strName.c_str())), Md5OfFile(Served(strName.c_str()))) << strName;
    std::string strLog = Log();
    EXPECT_EQ(Count(strLog, "ERROR ("), 0u) << strLog;
}

TEST_F(DownloadQueueTest, CutTransfersLeaveNoFileAndUnsafeNamesAreRefused)
{
    WriteServedFile(m_strServed + "\\Cut.exe", kLarge);
    // The short name of the components' result file (wine's depends on the long name alone).
    WriteServedFile(m_strServed + "\\Corvatel_Install.log", 0);
    char szShort[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(Served("Corvatel_Install.log").c_str(), szShort, MAX_PATH), 0u);
    std::string strShort = static_cast<LPCSTR>(GetFileNameFromPath(szShort));
    // The program's own files in the download folder, and a name another record has, are no one
    // else's to write; Cut, first in the queue, keeps its name.
    MakeWizard({{"Cut", Entry("Cut.exe"), 1}, {"Up", "../Evil.exe", 1}, {"Drive", "C:Evil.exe", 1},
                {"Dots", Entry(".."), 0}, {"Device", Entry("NUL.exe"), 1}, {"Port", "setups/com3", 0},
                {"Log", "setups/Corvatel.log", 1}, {"Result", Entry("corvatel_install.LOG."), 1},
                {"Shadow", Entry("Cut.ex_"), 1}, {"Twin", "other/CUT.exe", 1}, {"Kin", Entry("cut.msi"), 1},
                {"Short", Entry(strShort.c_str()), 1}},
               "DROP");
    m_pWizard->m_tree.WriteText("set\\Corvatel_Install.log", "");
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 12);
        Page().StartAllDownloads();
        ASSERT_TRUE(WaitForStatus(m_items[0], ItemDownloadAborted));
        for (size_t i = 1; i < m_items.size(); ++i)
            EXPECT_EQ(m_items[i]->GetStatus(), ItemError) << i;
    });
    EXPECT_STREQ(m_items[1]->GetStatusText(), "ERROR - Unsafe file name refused: ../Evil.exe");
    EXPECT_STREQ(m_items[6]->GetStatusText(), "ERROR - Unsafe file name refused: setups/Corvatel.log");
    EXPECT_STREQ(m_items[9]->GetStatusText(), "ERROR - File name already used by Cut: CUT.exe");
    EXPECT_EQ(FileSize(Local("Cut.exe")) + FileSize(Local("Cut.ex_")), -2);
    EXPECT_EQ(FileSize(Local("..\\Evil.exe")), -1);
    std::string strLog = Log();
    EXPECT_EQ(Count(strLog, "ERROR ("), 1u) << strLog;
    EXPECT_EQ(Count(strLog, "Nothing downloaded for "), 11u);
    EXPECT_NE(strLog.find("Nothing downloaded for Result: corvatel_install.LOG. in the download folder is the program's "
                          "own file"),
              std::string::npos);
    // A short name is the name of the file it stands for.
    EXPECT_NE(strLog.find("Nothing downloaded for Short: " + strShort +
                          " in the download folder is the program's own file"),
              std::string::npos)
        << strShort;
    // The name a file is received under is its record's too.
    EXPECT_NE(strLog.find("Nothing downloaded for Shadow: Cut.ex_ in the download folder is the file of Cut"),
              std::string::npos);
    EXPECT_NE(strLog.find("Nothing downloaded for Twin: CUT.exe in the download folder is the file of Cut"),
              std::string::npos);
    // A transfer's reports find their record by the file's title.
    EXPECT_STREQ(m_items[10]->GetStatusText(), "ERROR - File name already used by Cut: cut.msi");
    EXPECT_NE(strLog.find("Nothing downloaded for Drive: \"C:Evil.exe\" does not name a plain file inside the download "
                          "folder"),
              std::string::npos);
}

TEST_F(DownloadQueueTest, StalledTransfersAreRetriedAndTheSupersededOneStaysQuiet)
{
    WriteServedFile(m_strServed + "\\Slow.exe", kLarge);
    MakeWizard({{"Slow", Entry("Slow.exe"), 1}}, "REFUSE");
    CAppDetailsObj* pSlow = nullptr;
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        pSlow = m_items[0];
        // The test times the transfers out itself: the page's own watchdog stays off.
        CheckDlgButton(Page().m_hWnd, IDC_ONE_AT_A_TIME, BST_CHECKED);
        Page().StartAllDownloads();
        // Refused: the record waits at "Preparing to download..." for the watchdog.
        ASSERT_TRUE(WaitUntil([&] { return Count(Log(), "ERROR (") == 1; }));
        EXPECT_EQ(pSlow->GetStatus(), ItemPreparingSetupDownload);

        SetPort("STALL");
        Page().AbortDownload(pSlow, true);
        ASSERT_TRUE(WaitUntil([&] { return pSlow->GetStatus() == ItemDownloading && pSlow->m_ullBytesDone > 0; }));

        // The stalled transfer is aborted and superseded; only its successor reports.
        SetPort("PASSWORD");
        Page().AbortDownload(pSlow, true);
        ASSERT_TRUE(WaitForStatus(pSlow, ItemDone));
    });
    EXPECT_EQ(Md5OfFile(Local("Slow.exe")), Md5OfFile(Served("Slow.exe")));
    EXPECT_EQ(FileSize(Local("Slow.ex_")), -1);
    EXPECT_EQ(pSlow->m_nDownloadAttempts, 2);
    std::string strLog = Log();
    EXPECT_LT(strLog.find("RETRY Download (attempt #1):  Slow"), strLog.find("RETRY Download (attempt #2):  Slow"));
    // The waiting record's abort logs its status, then the time-out's under the same text; the
    // superseded thread adds none of its own.
    EXPECT_EQ(Count(strLog, "Download Aborted:  Slow\r\n"), 2u) << strLog;
    EXPECT_GE(Count(strLog, "Aborting Download...:  Slow\r\n"), 1u);
    EXPECT_EQ(Count(strLog, "  :  Downloaded.:  Slow\r\n"), 1u);
}

TEST_F(DownloadQueueTest, AFailedTransferDeletesNoFileThatAnotherHasTaken)
{
    // Shield's setup lies in the download folder, and the server has no response file for it.
    MakeWizard({{"Shield", Entry("Shield.exe"), 0}}, "PASSWORD");
    m_pWizard->m_tree.WriteText("set\\Shield.exe", "already here");
    bool bHeld = false;
    bool bTaken = false;
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        m_pWizard->StopInstallPageTimers(hSheet);
        CAppDetailsObj* pShield = m_items[0];
        // The response file's failure is held where its thread sends the row its new image: the
        // window's thread meanwhile moves the record on, and the setup pass takes the file there.
        static std::function<void(const TLCellArgs&)>* s_pSent;
        std::function<void(const TLCellArgs&)> sent = [&](const TLCellArgs& args) {
            if (args.nImages[0] != InstallImageResponseFile || bHeld)
                return;
            bHeld = true;
            Page().ContinueDownloads();
            bTaken = WaitForStatus(pShield, ItemDownloaded);
        };
        s_pSent = &sent;
        HHOOK hHook = SetWindowsHookExA(
            WH_CALLWNDPROC,
            [](int nCode, WPARAM wParam, LPARAM lParam) -> LRESULT {
                auto* pMessage = reinterpret_cast<CWPSTRUCT*>(lParam);
                if (nCode == HC_ACTION && InSendMessage() && pMessage->message == TLM_SETITEMIMAGE)
                    (*s_pSent)(*reinterpret_cast<const TLCellArgs*>(pMessage->lParam));
                return CallNextHookEx(nullptr, nCode, wParam, lParam);
            },
            nullptr, GetWindowThreadProcessId(hSheet, nullptr));
        ASSERT_NE(hHook, nullptr);
        Page().StartAllDownloads();
        bool bDone = WaitForStatus(pShield, ItemDone);
        UnhookWindowsHookEx(hHook);
        ASSERT_TRUE(bHeld && bTaken && bDone) << Log();

        // A transfer that a later one superseded reports nothing into the record.
        unsigned nEarlier = 0, nLater = 0;
        ASSERT_TRUE(Page().BeginTransfer(pShield, GetCurrentThread(), false, nEarlier) &&
                    Page().BeginTransfer(pShield, GetCurrentThread(), false, nLater));
        Page().OnDownloadError(pShield, nEarlier, "superseded");
        Page().EndTransfer(pShield, nEarlier);
        Page().EndTransfer(pShield, nLater);
        EXPECT_EQ(pShield->GetStatus(), ItemDone);
    });
    EXPECT_EQ(FileSize(Local("Shield.exe")), 12);
    std::string strLog = Log();
    EXPECT_EQ(Count(strLog, "Downloading...:  Shield") + Count(strLog, "ERROR (superseded)"), 0u) << strLog;
    EXPECT_LT(strLog.find("Response File Downloaded.:  Shield"), strLog.find("Done.:  Shield"));
}

TEST_F(DownloadQueueTest, AbortAllStopsTheTransfersAndANewRunStartsAfresh)
{
    WriteServedFile(m_strServed + "\\Cut.exe", kLarge);
    WriteServedFile(m_strServed + "\\Asked.exe", 1000);
    WriteServedFile(m_strServed + "\\_iss\\Asked.iss", kLarge);
    MakeWizard({{"Cut", Entry("Cut.exe"), 1}, {"Asked", Entry("Asked.exe"), 0}}, "STALL");
    CAppDetailsObj* pCut = nullptr;
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 2);
        pCut = m_items[0];
        Page().StartAllDownloads();
        ASSERT_TRUE(WaitUntil([&] { return pCut->m_ullBytesDone > 0 && m_items[1]->m_ullBytesDone > 0; }));
        // Asked first (and answered Yes): the running transfers stop, their threads say so.
        Page().AbortAllDownloads(true);
        EXPECT_TRUE(Page().m_bAbortAll) << Log();
        for (CAppDetailsObj* pItem : m_items)
            ASSERT_TRUE(WaitUntil([&] { return pItem->GetStatus() == ItemDownloadAborted && !pItem->m_pFtpMgr[0]; }));
        EXPECT_EQ(FileSize(Local("Cut.ex_")), -1);
        // Half a response file is not left to be played back as a whole one.
        EXPECT_EQ(FileSize(Local("Asked.iss")) + FileSize(Local("Asked.is_")), -2);

        // The aborted rows start again with the next run, which no longer counts as aborted.
        SetPort("PASSWORD");
        Page().StartAllDownloads();
        EXPECT_FALSE(Page().m_bAbortAll);
        ASSERT_TRUE(WaitForStatus(pCut, ItemDone) && WaitForStatus(m_items[1], ItemDone));
    });
    EXPECT_EQ(Md5OfFile(Local("Cut.exe")), Md5OfFile(Served("Cut.exe")));
    EXPECT_EQ(Md5OfFile(Local("Asked.iss")), Md5OfFile(Served("_iss\\Asked.iss")));
    ASSERT_FALSE(m_pWizard->m_answers.empty());
    EXPECT_EQ(m_pWizard->m_answers[0], "Are you sure you want to abort downloading all components?");
}

TEST_F(DownloadQueueTest, AnAbortAtAnyStepOfTheThreadStaysAbortedAndKeepsNoFile)
{
    WriteServedFile(m_strServed + "\\Late.exe", 400000);
    MakeWizard({{"Late", Entry("Late.exe"), 1}}, "PASSWORD");
    bool bLanded = false;
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        m_pWizard->StopInstallPageTimers(hSheet);
        CAppDetailsObj* pLate = m_items[0];
        // Again when a whole transfer slipped between two looks.
        for (int nTry = 0; nTry < 5 && !bLanded; ++nTry) {
            DeleteFileA(Local("Late.exe").c_str());
            Page().UpdateItemStatus(pLate, nullptr, ItemNotQueued, "");
            Page().StartAllDownloads();
            for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < 20000; Sleep(0)) {
                std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
                CFtpMgr* pFtpMgr = pLate->m_pFtpMgr[CAppDetailsObj::TransferSetupFile];
                if (pLate->m_nStatus >= ItemDownloaded)
                    break;
                if (pLate->m_nStatus != ItemDownloading || !pFtpMgr || pLate->m_ullBytesTotal == 0 ||
                    pLate->m_ullBytesDone != pLate->m_ullBytesTotal)
                    continue;
                // The last block is in; the thread goes on to report the file and waits for the
                // lock meanwhile. The abort lands first, as the page's abort leaves a receiving record.
                Sleep(500);
                pFtpMgr->Abort();
                pLate->m_nStatus = ItemAbortingDownload;
                bLanded = true;
                break;
            }
        }
        ASSERT_TRUE(bLanded);
        ASSERT_TRUE(WaitUntil([&] { return pLate->GetStatus() != ItemAbortingDownload && !pLate->m_pFtpMgr[CAppDetailsObj::TransferSetupFile]; }));
        EXPECT_EQ(pLate->GetStatus(), ItemDownloadAborted);
        EXPECT_EQ(FileSize(Local("Late.exe")) + FileSize(Local("Late.ex_")), -2);

        auto ended = [](HANDLE hThread) {
            bool bEnded = WaitForSingleObject(hThread, 20000) == WAIT_OBJECT_0;
            CloseHandle(hThread);
            return bEnded;
        };
        // The abort lands after the thread was started and before it attached its manager.
        Page().UpdateItemStatus(pLate, nullptr, ItemPreparingSetupDownload, "");
        HANDLE hThread = nullptr;
        CFtpDownloadThread* pThread = MakeThread(pLate, "Late.exe", "PASSWORD", hThread);
        ASSERT_TRUE(pThread);
        Page().AbortDownload(pLate, false);
        pThread->ResumeThread();
        EXPECT_TRUE(ended(hThread));
        EXPECT_STREQ(pLate->GetStatusText(), "Download Aborted");
        EXPECT_EQ(FileSize(Local("Late.exe")) + FileSize(Local("Late.ex_")), -2);

        // It lands while the thread, connected, waits for the record's earlier transfer to end.
        DeleteFileA(Local("Late.exe").c_str());
        Page().UpdateItemStatus(pLate, nullptr, ItemPreparingSetupDownload, "");
        HANDLE hEarlier = nullptr;
        CFtpDownloadThread* pEarlier = MakeThread(pLate, "Late.exe", "PASSWORD", hEarlier);
        pThread = MakeThread(pLate, "Late.exe", "PASSWORD", hThread);
        ASSERT_TRUE(pEarlier && pThread);
        pThread->ResumeThread();
        ASSERT_TRUE(WaitUntil([&] { return pLate->m_pFtpMgr[CAppDetailsObj::TransferSetupFile] != nullptr; }));
        // Its connect takes well under this on the loopback; its wait lasts up to 10 s.
        Sleep(3000);
        Page().AbortDownload(pLate, false);
        pEarlier->ResumeThread();
        EXPECT_TRUE(ended(hEarlier));
        EXPECT_TRUE(ended(hThread));
        EXPECT_STREQ(pLate->GetStatusText(), "Download Aborted");

        // It lands while the thread waits its turn to log in, every place held.
        Page().UpdateItemStatus(pLate, nullptr, ItemPreparingSetupDownload, "");
        std::vector<std::unique_ptr<CHandshakeTurn>> held = HoldAllPlaces();
        pThread = MakeThread(pLate, "Late.exe", "PASSWORD", hThread);
        ASSERT_TRUE(pThread);
        pThread->ResumeThread();
        ASSERT_TRUE(WaitUntil([&] { return pLate->m_pFtpMgr[CAppDetailsObj::TransferSetupFile] != nullptr; }));
        Page().AbortDownload(pLate, false);
        EXPECT_TRUE(ended(hThread));
        EXPECT_STREQ(pLate->GetStatusText(), "Download Aborted");
    });
    EXPECT_EQ(FileSize(Local("Late.exe")) + FileSize(Local("Late.ex_")), -2);
}

// The test plays the row's download thread: its transfer ends while the next abort of the row,
// held at its part's refresh of the row, has not yet come to the row itself.
TEST_F(DownloadQueueTest, ARowWhoseTransferEndsDuringItsAbortEndsAbortedAndTheRunWithIt)
{
    MakeWizard({{"Row", Entry("Row.exe"), 1}, {"Part", Entry("Part.exe"), 1}}, "PASSWORD", true);
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        m_pWizard->StopInstallPageTimers(hSheet);
        CAppDetailsObj* pRow = m_items[0];
        CAppDetailsObj* pPart = m_items[1];
        Page().m_bInstallAfterDownload = false;
        // The run is under way: no Finish until its end.
        Page().UpdateFinishButton(TRUE);
        ASSERT_TRUE(WaitUntil([&] { return !CTestWizard::IsFinishEnabled(hSheet); }));
        Page().UpdateItemStatus(pPart, pRow, ItemPreparingSetupDownload, "");
        Page().UpdateItemStatus(pRow, nullptr, ItemPreparingSetupDownload, "");
        CFtpMgr manager(nullptr);
        unsigned nTransfer = 0;
        ASSERT_TRUE(Page().BeginTransfer(pRow, GetCurrentThread(), false, nTransfer));
        ASSERT_TRUE(Page().AttachTransferManager(pRow, nTransfer, &manager));
        ASSERT_TRUE(Page().BeginReceipt(pRow, nTransfer, &manager, true, ItemDownloading));
        const std::string strTemporary = Local("Row.ex_");
        std::ofstream(strTemporary, std::ios::binary) << "the first blocks";
        // The row's own abort: its transfer stops and the thread is to end it.
        Page().AbortItemDownload(pRow, nullptr, false);
        ASSERT_EQ(pRow->GetStatus(), ItemAbortingDownload);

        HoldWindowThread hold(hSheet);
        ASSERT_TRUE(hold.Held());
        auto abort = std::async(std::launch::async, [&] { Page().AbortDownload(pRow, false); });
        ASSERT_TRUE(WaitForStatus(pPart, ItemDownloadAborted));
        auto end = std::async(std::launch::async, [&] {
            Page().DetachTransferManager(pRow, nTransfer, &manager);
            Page().EndReceipt(pRow, nTransfer, true, true, strTemporary.c_str(), Local("Row.exe").c_str());
            Page().PostTransferEnded(true);
            Page().EndTransfer(pRow, nTransfer);
        });
        // The thread's end is past the step that ends the abort when its partial file is gone.
        EXPECT_TRUE(WaitUntil([&] { return FileSize(strTemporary) == -1; }));
        hold.Release();
        EXPECT_EQ(abort.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        EXPECT_EQ(end.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        EXPECT_TRUE(WaitForStatus(pRow, ItemDownloadAborted)) << pRow->GetStatusText();
        EXPECT_TRUE(WaitUntil([&] { return CTestWizard::IsFinishEnabled(hSheet); }));
    });
    EXPECT_STREQ(m_items[0]->GetStatusText(), "Download Aborted");
}

// Another program holds the old response file open, so it cannot be deleted: the new one is
// received whole but cannot take its name.
TEST_F(DownloadQueueTest, AFileThatCannotTakeItsNameFailsItsRecordAndIsNotKept)
{
    WriteServedFile(m_strServed + "\\Held.exe", 1000);
    WriteServedFile(m_strServed + "\\_iss\\Held.iss", 5000, 7);
    MakeWizard({{"Held", Entry("Held.exe"), 0}}, "PASSWORD");
    m_pWizard->m_tree.WriteText("set\\Held.iss", "stale answers");
    HANDLE hHeld = CreateFileA(Local("Held.iss").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                               nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        Page().StartAllDownloads();
        ASSERT_TRUE(WaitForStatus(m_items[0], ItemDownloadAborted)) << m_items[0]->GetStatusText();
        // The row shows it once the window's thread has drawn it.
        auto rowText = [&] { return Page().m_pInstallList->GetItemText(0, CTreeListCtrl_Install::kProgressColumn); };
        EXPECT_TRUE(WaitUntil([&] { return rowText() == "Download Aborted"; })) << rowText();
    });
    CloseHandle(hHeld);
    EXPECT_EQ(FileSize(Local("Held.is_")), -1);
    EXPECT_EQ(FileSize(Local("Held.exe")), -1);
    std::ifstream held(Local("Held.iss"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(held), {}), "stale answers");
    std::string strLog = Log();
    // The system's reason for the move's failure; the page names the download folder in capitals.
    std::string strLine = "  :  ERROR (Error renaming " + Local("Held.is_") + " to Held.iss: " +
                          static_cast<LPCSTR>(AfxGetSystemErrorText(ERROR_ACCESS_DENIED)) + "):  Held\r\n";
    size_t nLine = strLog.find("  :  ERROR (");
    ASSERT_NE(nLine, std::string::npos) << strLog;
    EXPECT_EQ(_stricmp(strLog.substr(nLine, strLine.size()).c_str(), strLine.c_str()), 0) << strLog;
    EXPECT_EQ(Count(strLog, "Response File Downloaded.:  Held"), 0u);
}

// Hundreds of records wait for the eight places on a slow server: a tick that restarted each of
// them would spend their tries while they wait.
TEST_F(DownloadQueueTest, AWatchdogTickLeavesARecordThatWaitsItsTurnToLogIn)
{
    WriteServedFile(m_strServed + "\\Queued.exe", 20000);
    MakeWizard({{"Queued", Entry("Queued.exe"), 1}}, "PASSWORD");
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        m_pWizard->StopInstallPageTimers(hSheet);
        CAppDetailsObj* pQueued = m_items[0];
        std::vector<std::unique_ptr<CHandshakeTurn>> held = HoldAllPlaces();
        Page().UpdateItemStatus(pQueued, nullptr, ItemPreparingSetupDownload, "");
        HANDLE hThread = nullptr;
        CFtpDownloadThread* pThread = MakeThread(pQueued, "Queued.exe", "PASSWORD", hThread);
        ASSERT_TRUE(pThread);
        pThread->ResumeThread();
        ASSERT_TRUE(WaitUntil([&] {
            std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
            CFtpMgr* pFtpMgr = pQueued->m_pFtpMgr[CAppDetailsObj::TransferSetupFile];
            return pFtpMgr && pFtpMgr->m_bWaitingForTurn;
        }));
        Page().OnTimer(CPropPage_Install::kWatchdogTimer);
        EXPECT_EQ(pQueued->m_nDownloadAttempts, 0);
        EXPECT_EQ(pQueued->GetStatus(), ItemPreparingSetupDownload);
        // Its turn comes; the same thread fetches the file.
        held.clear();
        EXPECT_EQ(WaitForSingleObject(hThread, 20000), WAIT_OBJECT_0);
        CloseHandle(hThread);
    });
    EXPECT_EQ(Md5OfFile(Local("Queued.exe")), Md5OfFile(Served("Queued.exe")));
    std::string strLog = Log();
    EXPECT_EQ(Count(strLog, "TIMEOUT:  Queued"), 0u) << strLog;
}

TEST_F(DownloadQueueTest, TwentyTimeoutsBringTheRetryQuestion)
{
    // Once fetched it installs: the stand-in setup, which ends at once.
    ASSERT_TRUE(CopyFileA(FixtureModule("SilentSetup.exe"), Served("Late.exe").c_str(), FALSE));
    // A server that never answers keeps every attempt connecting until the watchdog takes it; one
    // that refuses would end an attempt by itself whenever the test's thread is slow to tick.
    MakeWizard({{"Late", Entry("Late.exe"), 1}}, "SILENT");
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        CAppDetailsObj* pLate = m_items[0];
        Page().m_bInstallAfterDownload = true;
        Page().StartAllDownloads();
        ASSERT_TRUE(WaitUntil([&] {
            if (pLate->m_nDownloadAttempts == 20)
                SetPort("PASSWORD");
            Page().OnTimer(CPropPage_Install::kWatchdogTimer);
            return pLate->m_nDownloadAttempts == 0;
        }, 60000));
        // Yes: a new run fetches it, and installs it; the wizard cannot be cancelled while a setup runs.
        ASSERT_TRUE(WaitUntil([&] { return pLate->GetStatus() >= ItemInstalled && !Page().IsAnyInstalling(); }));
    }, IDYES);
    ASSERT_FALSE(m_pWizard->m_answers.empty());
    EXPECT_EQ(m_pWizard->m_answers[0].rfind("Some components were not downloaded successfully.", 0), 0u);
    std::string strLog = Log();
    EXPECT_EQ(Count(strLog, "RETRY Download (attempt #20):  Late"), 1u) << strLog;
    EXPECT_EQ(Count(strLog, "RETRY Download (attempt #21)"), 0u);
    EXPECT_LT(strLog.find("RETRY Download (attempt #20):  Late"), strLog.find("  :  Downloaded.:  Late"));
}

TEST_F(DownloadQueueTest, YesRetriesAFailedPartUnderADownloadedRowAndAsksOnce)
{
    ASSERT_TRUE(CopyFileA(FixtureModule("SilentSetup.exe"), Served("Part.exe").c_str(), FALSE));
    MakeWizard({{"Row", Entry("Row.exe"), 1}, {"Part", Entry("Part.exe"), 1}}, "PASSWORD", true);
    m_pWizard->m_tree.CopyModule("SilentSetup.exe", "set\\Row.exe");
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        m_pWizard->StopInstallPageTimers(hSheet);
        // The part timed out for good; the row's own file came in after.
        Page().UpdateItemStatus(m_items[1], m_items[0], ItemTimedOut, "");
        Page().UpdateItemStatus(m_items[0], nullptr, ItemDownloaded, "");
        Page().m_bInstallAfterDownload = true;
        std::future<BOOL> check = std::async(std::launch::async, [&] { return Page().CheckDownloadsComplete(); });
        ASSERT_TRUE(WaitUntil([&] { return m_items[0]->GetStatus() == ItemInstalled && !Page().IsAnyInstalling(); }))
            << m_items[1]->GetStatus();
        check.get();
    }, IDYES);
    EXPECT_EQ(Md5OfFile(Local("Part.exe")), Md5OfFile(Served("Part.exe")));
    ASSERT_FALSE(m_pWizard->m_answers.empty());
    EXPECT_EQ(m_pWizard->m_answers[0].rfind("Some components were not downloaded successfully.", 0), 0u);
    EXPECT_EQ(m_pWizard->m_answers.size(), 2u) << m_pWizard->m_answers.back();
}

// The completion check on a download-and-install run, with the records it meets set by the test.
TEST_F(DownloadQueueTest, AnAbortUnderWayOrAMenuSetupHoldsTheRunsEndUntilItIsOver)
{
    ASSERT_TRUE(CopyFileA(FixtureModule("SilentSetup.exe"), Served("Late.exe").c_str(), FALSE));
    MakeWizard({{"Here", Entry("Here.exe"), 1}, {"Held", Entry("Held.exe"), 1}, {"Late", Entry("Late.exe"), 1}},
               "PASSWORD");
    m_pWizard->m_tree.CopyModule("SilentSetup.exe", "set\\Here.exe");
    CAppDetailsObj* pHeld = nullptr;
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 3);
        m_pWizard->StopInstallPageTimers(hSheet);
        CTestWizard::HandlePosted(hSheet);
        // The folder gave the catalogue and holds the downloads; the install phase is the download
        // road's, which installs only what was downloaded.
        m_pWizard->m_app.m_cmdInfo.m_strInstallFolder.Empty();
        CAppDetailsObj* pHere = m_items[0];
        CAppDetailsObj* pLate = m_items[2];
        pHeld = m_items[1];
        Page().m_bInstallAfterDownload = true;
        Page().UpdateItemStatus(pHere, nullptr, ItemDownloaded, "");
        Page().UpdateItemStatus(pLate, nullptr, ItemDownloadAborted, "");
        // Held's transfer is being aborted; its thread has still to end it.
        Page().UpdateItemStatus(pHeld, nullptr, ItemAbortingDownload, "");
        EXPECT_FALSE(Page().CheckDownloadsComplete());
        EXPECT_EQ(pHere->GetStatus(), ItemDownloaded);
        Page().UpdateItemStatus(pHeld, nullptr, ItemDownloadAborted, "");

        // The row menu's "Install" runs Here's setup, which waits; meanwhile Late's download ends.
        std::string strRelease(static_cast<LPCSTR>(m_pWizard->m_tree.Path("release")));
        m_pWizard->m_tree.WriteText("set\\SilentSetup.ini", ("[Here.exe]\nReleaseFile=" + strRelease).c_str());
        CTestWizard::ClickRow(Page().m_pInstallList, 0);
        ASSERT_TRUE(WaitUntil([&] { return Page().m_pInstallList->GetSelectedItem() == Page().m_pInstallList->GetTreeListItem(0); }));
        Page().PostMessage(WM_COMMAND, ID_INSTALL);
        ASSERT_TRUE(WaitUntil([&] { return pHere->GetStatus() == ItemInstalling; }));
        Page().UpdateItemStatus(pLate, nullptr, ItemPreparingSetupDownload, "");
        HANDLE hThread = nullptr;
        CFtpDownloadThread* pThread = MakeThread(pLate, "Late.exe", "PASSWORD", hThread);
        ASSERT_TRUE(pThread);
        pThread->ResumeThread();
        EXPECT_EQ(WaitForSingleObject(hThread, 20000), WAIT_OBJECT_0);
        CloseHandle(hThread);
        CTestWizard::HandlePosted(hSheet);
        // Its install waits for the menu's setup, and comes after it.
        EXPECT_EQ(pLate->GetStatus(), ItemDownloaded);
        m_pWizard->m_tree.WriteText("release", "");
        ASSERT_TRUE(WaitUntil([&] { return pLate->GetStatus() >= ItemInstalled && !Page().IsAnyInstalling(); }));
        EXPECT_TRUE(WaitUntil([&] { return CTestWizard::IsFinishEnabled(hSheet); }));
        EXPECT_STREQ(pHere->GetStatusText(), "Installed.");
        EXPECT_STREQ(pLate->GetStatusText(), "Installed.");
    });
    // The run's end came once: one summary, which names the aborted record, still "Download Aborted".
    EXPECT_STREQ(pHeld->GetStatusText(), "Download Aborted");
    size_t nSummaries = 0;
    for (const std::string& strAnswer : m_pWizard->m_answers)
        nSummaries += strAnswer.rfind("There was a problem installing", 0) == 0;
    EXPECT_EQ(nSummaries, 1u);
}

TEST_F(DownloadQueueTest, ARowLeftWaitingByAThreadThatCouldNotConnectEndsTheRunWhenAbortedAndDownloadRestartsIt)
{
    WriteServedFile(m_strServed + "\\Kept.exe", 300000);
    WriteServedFile(m_strServed + "\\_iss\\Kept.iss", 10);
    MakeWizard({{"Kept", Entry("Kept.exe"), 0}}, "REFUSE");
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        // The watchdog stays off: only "Download" may start the record again.
        CheckDlgButton(Page().m_hWnd, IDC_ONE_AT_A_TIME, BST_CHECKED);
        Page().StartAllDownloads();
        ASSERT_TRUE(WaitUntil([&] { return Count(Log(), "ERROR (") == 1; }));
        EXPECT_EQ(m_items[0]->GetStatus(), ItemPreparingDownload);
        // No thread of it is left to end the run: the abort does, and Finish and the start buttons
        // come back within a second.
        EXPECT_FALSE(CTestWizard::IsFinishEnabled(hSheet));
        SendMessageA(Page().m_hWnd, WM_COMMAND, ID_ABORT_ALL_DOWNLOADS, 0);
        EXPECT_EQ(m_items[0]->GetStatus(), ItemDownloadAborted);
        EXPECT_TRUE(WaitUntil([&] {
            return CTestWizard::IsFinishEnabled(hSheet) && IsWindowEnabled(GetDlgItem(Page().m_hWnd, IDC_DOWNLOAD_AND_INSTALL));
        }, 1000));
        SetPort("PASSWORD");
        CTestWizard::ClickRow(Page().m_pInstallList, 0);
        ASSERT_TRUE(WaitUntil([&] { return Page().m_pInstallList->GetSelectedItem() != nullptr; }));
        SendMessageA(Page().m_hWnd, WM_COMMAND, ID_DOWNLOAD, 0);
        ASSERT_TRUE(WaitForStatus(m_items[0], ItemDone));
    });
    EXPECT_EQ(Md5OfFile(Local("Kept.exe")), Md5OfFile(Served("Kept.exe")));
}

TEST_F(DownloadQueueTest, ARunningProgramStopsTheRunAndTheWatchdogWaitsForTheAnswer)
{
    WriteServedFile(m_strServed + "\\Kept.exe", 300000);
    // Kept's program is this test program, which runs; Also names it among its additional ones.
    MakeWizard({{"Kept", Entry("Kept.exe"), 1, "<Exe>TransportTests.exe</Exe>"},
                {"Idle", Entry("Idle.exe"), 1, "<Exe>Idle.exe</Exe>"},
                {"Also", Entry("Also.exe"), 1,
                 "<Exe>Also.exe</Exe><AdditionalExes><Exe exe1=\"TransportTests.exe\"/></AdditionalExes>"}},
               "PASSWORD");
    std::string strQuestion;
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 3);
        Page().m_bInstallAfterDownload = true;
        // Asked on a thread of its own, as after the retry question: meanwhile no watchdog tick
        // takes the record that waits for the answer for stalled.
        std::future<void> run = std::async(std::launch::async, [&] { Page().StartAllDownloads(); });
        HWND hBox = UiDriver::WaitFor([] { return UiDriver::FindMessageBox("must be closed before Corvatel"); }, 20000);
        strQuestion = UiDriver::GetMessageBoxText(hBox);
        DWORD_PTR dwResult = 0;
        SendMessageTimeoutA(Page().m_hWnd, WM_TIMER, CPropPage_Install::kWatchdogTimer, 0, SMTO_NORMAL, 5000, &dwResult);
        EXPECT_EQ(m_items[0]->GetStatus(), ItemPreparingDownload);
        // The user cancels: the run it began is aborted.
        UiDriver::PressButton(hBox, IDCANCEL);
        run.get();
        EXPECT_TRUE(Page().m_bAbortAll);
        EXPECT_EQ(m_items[0]->GetStatus(), ItemDownloadAborted);
    }, IDYES);
    EXPECT_EQ(FileSize(Local("Kept.exe")) + FileSize(Local("Kept.ex_")), -2);
    EXPECT_EQ(strQuestion.rfind("The following Quendar applications must be closed before Corvatel can continue:\n\n"
                                "\t- Kept\n\t- Also\n\n",
                                0),
              0u);
}

TEST_F(DownloadQueueTest, WhileTheRetryQuestionIsOpenOtherChecksReturnAtOnce)
{
    MakeWizard({{"Late", Entry("Late.exe"), 1}}, "PASSWORD");
    // The test answers the retry question itself; the exit question is answered whenever it shows.
    std::unique_ptr<UiDriver::CMessageBoxAnswerer> pExitAnswer;
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        m_pWizard->StopInstallPageTimers(hSheet);
        Page().m_bInstallAfterDownload = true;
        Page().UpdateItemStatus(m_items[0], nullptr, ItemTimedOut, "");
        // A check asks, here on a thread of the test's own.
        std::future<BOOL> asking = std::async(std::launch::async, [&] { return Page().CheckDownloadsComplete(); });
        auto question = [] { return UiDriver::FindMessageBox("Some components were not downloaded successfully."); };
        HWND hBox = UiDriver::WaitFor(question);
        ASSERT_TRUE(hBox);
        // Another thread's check meanwhile neither asks again nor goes on to install.
        EXPECT_FALSE(Page().CheckDownloadsComplete());
        UiDriver::PressButton(hBox, IDCANCEL);
        asking.wait();
        EXPECT_TRUE(UiDriver::WaitForWindowGone(hBox));
        EXPECT_EQ(question(), nullptr);
        pExitAnswer = std::make_unique<UiDriver::CMessageBoxAnswerer>(IDYES);
    }, IDOK);
    pExitAnswer.reset();
    EXPECT_EQ(m_items[0]->GetStatus(), ItemTimedOut);
}

TEST_F(DownloadQueueTest, ClosingTheWizardAbortsAndWaitsForTheTransfers)
{
    WriteServedFile(m_strServed + "\\Held.exe", kLarge);
    WriteServedFile(m_strServed + "\\Caps.EXE", kLarge);
    MakeWizard({{"Held", Entry("Held.exe"), 1}, {"Caps", Entry("Caps.EXE"), 1}}, "STALL");
    DWORD dwClosed = 0;
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 2);
        Page().StartAllDownloads();
        ASSERT_TRUE(WaitUntil([&] { return m_items[0]->m_ullBytesDone > 0 && m_items[1]->m_ullBytesDone > 0; }));
        // All a program killed now would leave is a temporary, whatever the name's letter case.
        EXPECT_EQ(FileSize(Local("Caps.EXE")), -1);
        EXPECT_GT(FileSize(Local("Caps.EXE.part")), 0);
        dwClosed = GetTickCount();
    });
    // Without the abort the thread would hang on the stalled server for a minute, its file open.
    EXPECT_LT(GetTickCount() - dwClosed, 5000u);
    for (const char* pszName : {"Held.ex_", "Held.exe", "Caps.EXE.part", "Caps.EXE"})
        EXPECT_EQ(FileSize(Local(pszName)), -1) << pszName;
}

TEST_F(DownloadQueueTest, AClosingWizardWaitsForNoQuestionThatATransferEndBrings)
{
    MakeWizard({{"Failed", Entry("Failed.exe"), 1}, {"Here", Entry("Here.exe"), 1}}, "PASSWORD");
    m_pWizard->m_tree.WriteText("set\\Here.exe", "already here");
    auto question = [] { return UiDriver::FindMessageBox("Some components were not downloaded successfully."); };
    std::atomic<bool> bClosed{false};
    std::atomic<bool> bAsked{false};
    std::thread answer;
    HANDLE hThread = nullptr;
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 2);
        m_pWizard->StopInstallPageTimers(hSheet);
        Page().m_bInstallAfterDownload = true;
        Page().UpdateItemStatus(m_items[0], nullptr, ItemTimedOut, "");
        CFtpDownloadThread* pThread = MakeThread(m_items[1], "Here.exe", "PASSWORD", hThread);
        ASSERT_TRUE(pThread);
        // The retry question is answered only long after the close's own bound, so that a close
        // that waits for it fails rather than hangs.
        answer = std::thread([&] {
            for (DWORD dwStart = GetTickCount(); !bClosed && GetTickCount() - dwStart < 30000; Sleep(20))
                bAsked = bAsked || question();
            if (HWND hBox = question())
                UiDriver::PressButton(hBox, IDCANCEL);
        });
        // The file's end, which would ask the question, comes just before the wizard closes.
        CTestWizard::OnWizardThread(hSheet, [&] {
            pThread->ResumeThread();
            for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < 20000 && !question();)
                if (WaitServingSentMessages(hThread, 20))
                    break;
            DestroyWindow(hSheet);
            bClosed = true;
            // The wizard's loop wakes to find its window gone.
            PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
        });
    }, IDOK);
    answer.join();
    EXPECT_EQ(WaitForSingleObject(hThread, 20000), WAIT_OBJECT_0);
    CloseHandle(hThread);
    EXPECT_FALSE(bAsked);
    EXPECT_EQ(m_items[1]->GetStatus(), ItemDownloaded);
}

// Run by a ctest entry of its own, with the heap's checks on.
TEST_F(DownloadQueueTest, DISABLED_AThreadThatOutlivesThePageLeavesItQuietly)
{
    MakeWizard({{"Late", Entry("Late.exe"), 1}}, "FULL");
    HANDLE hThread = nullptr;
    CFtpDownloadThread* pThread = nullptr;
    std::shared_ptr<CTransferLink> pLink;
    std::string strTemporary = Local("Late.ex_");
    m_pWizard->Run([&](HWND hSheet) {
        OpenInstallPage(hSheet, 1);
        // A thread the loaded machine has not run yet when the close stops waiting for it.
        pThread = MakeThread(m_items[0], "Late.exe", "FULL", hThread);
        pLink = Page().GetTransferLink();
    });
    m_pWizard.reset();
    ASSERT_TRUE(pThread);
    // The close cut the link: nothing reaches the page that is gone.
    EXPECT_FALSE(pLink->With([](CPropPage_Install&) {}));
    pThread->ResumeThread();
    EXPECT_EQ(WaitForSingleObject(hThread, 20000), WAIT_OBJECT_0);
    CloseHandle(hThread);
    EXPECT_EQ(FileSize(strTemporary), -1);
}

} // namespace

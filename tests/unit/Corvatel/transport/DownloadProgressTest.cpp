// A receipt's progress on the install page of a running wizard: a manager owned by the page
// fetches from the loopback sshd on the test's second thread, as a download thread does.
#include "AppDetailsObj.h"
#include "FtpMgr.h"
#include "HoldWindowThread.h"
#include "PropPage_Install.h"
#include "SftpPeer.h"
#include "TestWizard.h"
#include "TreeListCtrl_Install.h"

#include <future>

using namespace SftpPeer;

namespace {

const char kCatalogue[] = R"(<?xml version="1.0"?>
<Products>
  <Product Id="4" Version="0.9"><Name>Quendar Tuner</Name><Download>Tuner.exe</Download><Size>2</Size><VersionPath>C:\Q</VersionPath></Product>
</Products>
)";

const char kTwoProducts[] = R"(<?xml version="1.0"?>
<Products>
  <Product Id="4" Version="0.9"><Name>Quendar Tuner</Name><Download>Tuner.exe</Download><Size>100</Size><VersionPath>C:\Q</VersionPath></Product>
  <Product Id="5" Version="0.9"><Name>Quendar Mixer</Name><Download>Mixer.exe</Download><Size>100</Size><VersionPath>C:\Q</VersionPath></Product>
</Products>
)";

// Shows the install page and waits until it lists nRows rows; its timers then stand still.
bool ShowInstallList(CTestWizard& wizard, HWND hSheet, CPropPage_Install& page, int nRows)
{
    CTestWizard::ShowPage(hSheet, 2);
    for (int i = 0; i < 250 && !(page.m_pInstallList && page.m_pInstallList->GetCount() == nRows); ++i)
        Sleep(20);
    if (!page.m_pInstallList || page.m_pInstallList->GetCount() != nRows)
        return false;
    wizard.StopInstallPageTimers(hSheet);
    return true;
}

} // namespace

TEST(DownloadProgressTest, EachBlockShowsOnTheRecordUntilTheFileIsWhole)
{
    WriteServedFile("tuner.bin", 2000000);
    WriteServedFile("tuner-empty.bin", 0);
    CTestWizard wizard(kCatalogue);
    CPropSheet_Corvatel& sheet = wizard.Sheet();
    CPropPage_Install& page = *sheet.m_pPageInstall;
    // Made before the wizard's thread starts listing records of its own.
    CAppDetailsObj* pTuner = sheet.FindOrAddAppDetails(&sheet.m_vecProducts[0]);
    pTuner->m_bChecked = true;
    wizard.Run([&](HWND hSheet) {
        ASSERT_TRUE(ShowInstallList(wizard, hSheet, page, 1));

        CString strTemporary = page.GetLocalFilePath(pTuner);
        strTemporary.Replace(".exe", ".ex_");
        CFtpMgr manager(&page);
        ASSERT_TRUE(manager.Open("127.0.0.1", Port("PASSWORD"), Setting("USER").c_str(), Setting("PASSWORD").c_str()))
            << manager.m_strLastError;
        page.UpdateItemStatus(pTuner, nullptr, ItemDownloading, "");

        // Only the manager of the record's transfer reports, once attached to it.
        unsigned nTransfer = 0;
        ASSERT_TRUE(page.BeginTransfer(pTuner, GetCurrentThread(), false, nTransfer));
        ASSERT_TRUE(manager.Receive("tuner.bin", strTemporary));
        EXPECT_EQ(pTuner->m_ullBytesDone, 0u);
        ASSERT_TRUE(page.AttachTransferManager(pTuner, nTransfer, &manager));

        // A file of unknown or no size stays "receiving" whatever arrives.
        ASSERT_TRUE(manager.Receive("tuner-empty.bin", strTemporary));
        EXPECT_EQ(pTuner->m_nStatus, ItemDownloading);

        // A whole setup file stays "receiving": its thread reports it once renamed.
        ASSERT_TRUE(manager.Receive("tuner.bin", strTemporary));
        EXPECT_EQ(pTuner->m_nStatus, ItemDownloading);
        EXPECT_EQ(pTuner->m_ullBytesTotal, 2000000u);
        EXPECT_EQ(pTuner->m_ullBytesDone, 2000000u);
        // The window shows the latest figure by its next tick: 2 MB counts as 2.048M, truncated to 2.
        page.PostMessage(WM_TIMER, CPropPage_Install::kAnimationTimer);
        auto shown = [&] { return std::string(pTuner->GetStatusText()).find("M of 2.00M)") != std::string::npos; };
        for (int i = 0; i < 250 && !shown(); ++i)
            Sleep(20);
        EXPECT_TRUE(shown()) << pTuner->GetStatusText();

        // With the window's thread held, the file arrives all the same; an abort that follows is
        // not undone by a block reported before it. The thread is held as a message reaches it,
        // outside any handler (suspended anywhere, it could hold the records' lock).
        HoldWindowThread hold(hSheet);
        ASSERT_TRUE(hold.Held());
        auto receipt = std::async(std::launch::async, [&] { return manager.Receive("tuner.bin", strTemporary); });
        bool bArrived = receipt.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        {
            std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
            pTuner->m_nStatus = ItemAbortingDownload;
        }
        manager.Abort();
        hold.Release();
        EXPECT_TRUE(bArrived);
        receipt.get();
        EXPECT_EQ(pTuner->GetStatus(), ItemAbortingDownload);
        page.DetachTransferManager(pTuner, nTransfer, &manager);
        page.EndTransfer(pTuner, nTransfer);
    });
}

TEST(DownloadProgressTest, ATransfersNewFigureRedrawsItsOwnRowOnly)
{
    CTestWizard wizard(kTwoProducts);
    CPropSheet_Corvatel& sheet = wizard.Sheet();
    CPropPage_Install& page = *sheet.m_pPageInstall;
    CAppDetailsObj* items[2];
    for (int i = 0; i < 2; ++i) {
        items[i] = sheet.FindOrAddAppDetails(&sheet.m_vecProducts[i]);
        items[i]->m_bChecked = true;
    }
    wizard.Run([&](HWND hSheet) {
        ASSERT_TRUE(ShowInstallList(wizard, hSheet, page, 2));

        // Two transfers side by side, as two download threads run them.
        CFtpMgr managers[2] = {CFtpMgr(nullptr), CFtpMgr(nullptr)};
        unsigned transfers[2] = {};
        for (int i = 0; i < 2; ++i) {
            page.UpdateItemStatus(items[i], nullptr, ItemDownloading, "");
            ASSERT_TRUE(page.BeginTransfer(items[i], GetCurrentThread(), false, transfers[i]));
            ASSERT_TRUE(page.AttachTransferManager(items[i], transfers[i], &managers[i]));
        }
        auto report = [&](int i, unsigned long long ullDone) {
            page.OnDownloadProgress(&managers[i], page.GetLocalFilePath(items[i]), 0, 100000000, ullDone);
        };
        // What the row itself reads, not only its record.
        auto rowText = [&](int i) {
            return std::string(page.m_pInstallList->GetItemText(i, CTreeListCtrl_Install::kProgressColumn));
        };
        auto shows = [&](int i, const char* pszFigure) {
            for (int nTry = 0; nTry < 250 && rowText(i).find(pszFigure) == std::string::npos; ++nTry)
                Sleep(20);
            // Whatever the window's thread was showing is shown in full.
            SendMessageA(page.m_hWnd, WM_NULL, 0, 0);
            return rowText(i).find(pszFigure) != std::string::npos;
        };
        // The mixer's 10 % shows; more of the same percent waits for the next tick, even when
        // the tuner's first figure shows meanwhile.
        report(1, 10000000);
        EXPECT_TRUE(shows(1, "(10.00M of 102.00M)")) << rowText(1);
        report(1, 10500000);
        report(0, 20000000);
        EXPECT_TRUE(shows(0, "(20.00M of 102.00M)")) << rowText(0);
        EXPECT_TRUE(shows(1, "(10.00M of 102.00M)")) << rowText(1);
        page.PostMessage(WM_TIMER, CPropPage_Install::kAnimationTimer);
        EXPECT_TRUE(shows(1, "(10.50M of 102.00M)")) << rowText(1);
        for (int i = 0; i < 2; ++i) {
            page.DetachTransferManager(items[i], transfers[i], &managers[i]);
            page.EndTransfer(items[i], transfers[i]);
        }
    });
}

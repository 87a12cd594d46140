// A receipt's progress on the install page of a running wizard: a manager owned by the page
// fetches from the loopback sshd on the test's second thread, as a download thread does.
#include "AppDetailsObj.h"
#include "FtpMgr.h"
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
        CTestWizard::ShowPage(hSheet, 2);
        for (int i = 0; i < 250 && !(page.m_pInstallList && page.m_pInstallList->GetCount() == 1); ++i)
            Sleep(20);
        ASSERT_TRUE(page.m_pInstallList && page.m_pInstallList->GetCount() == 1);
        wizard.StopInstallPageTimers(hSheet);

        CString strTemporary = page.GetLocalFilePath(pTuner);
        strTemporary.Replace(".exe", ".ex_");
        CFtpMgr manager(&page);
        ASSERT_TRUE(manager.Open("127.0.0.1", Port("PASSWORD"), Setting("USER").c_str(), Setting("PASSWORD").c_str()))
            << manager.m_strLastError;
        page.UpdateItemStatus(pTuner, nullptr, ItemDownloading, "");

        // Only the manager of the record's transfer reports, once attached to it.
        unsigned nTransfer = 0;
        ASSERT_TRUE(page.BeginTransfer(pTuner, GetCurrentThread(), nTransfer));
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
        // not undone by a block reported before it.
        HANDLE hWindowThread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(hSheet, nullptr));
        ASSERT_NE(SuspendThread(hWindowThread), static_cast<DWORD>(-1));
        auto receipt = std::async(std::launch::async, [&] { return manager.Receive("tuner.bin", strTemporary); });
        bool bArrived = receipt.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        {
            std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
            pTuner->m_nStatus = ItemAbortingDownload;
        }
        manager.Abort();
        ResumeThread(hWindowThread);
        CloseHandle(hWindowThread);
        EXPECT_TRUE(bArrived);
        receipt.get();
        EXPECT_EQ(pTuner->GetStatus(), ItemAbortingDownload);
        page.DetachTransferManager(pTuner, nTransfer, &manager);
        page.EndTransfer(pTuner, nTransfer);
    });
}

// The checks before a run on a running wizard: which notices come, in which order, and what
// stops the run; and who counts as a running program of the maker's.
#include "AppDetailsObj.h"
#include "PropPage_Install.h"
#include "TestWizard.h"
#include "TreeListCtrl_Install.h"

#include <PrivateMachineKey.h>

#include <string>
#include <vector>

namespace {

// Designer must be uninstalled first; its part Mixer waits for a restart and would need an
// uninstall too. Recorder is older than its pre-install message's version.
const char kCatalogue[] = R"(<?xml version="1.0"?>
<Products>
  <Product Id="1" Version="2.0"><Name>Quendar Designer</Name><Download>Designer.exe</Download>
    <UninstallPriorToVersion>2.0</UninstallPriorToVersion><UninstallPrompt>Remove Designer 1 first.</UninstallPrompt>
    <VersionPath registry="yes">HKEY_LOCAL_MACHINE\SOFTWARE\Quendar Test\Designer\InstallDir</VersionPath>
    <Dependency><Product Id="2" Version="1.1" ShowDependency="0"/></Dependency>
  </Product>
  <Product Id="2" Version="1.1"><Name>Quendar Mixer</Name><Download>Mixer.exe</Download><ShowProduct>0</ShowProduct>
    <UninstallPriorToVersion>2.0</UninstallPriorToVersion><UninstallPendingFile>QMixer.dll</UninstallPendingFile>
    <VersionPath registry="yes">HKEY_LOCAL_MACHINE\SOFTWARE\Quendar Test\Mixer\InstallDir</VersionPath></Product>
  <Product Id="3" Version="9.0"><Name>Quendar Recorder</Name><Download>Recorder.exe</Download>
    <PreinstallMessage>Recorder 9 is new.</PreinstallMessage><PreinstallMessagePriorToVersion>9.0</PreinstallMessagePriorToVersion>
    <VersionPath registry="yes">HKEY_LOCAL_MACHINE\SOFTWARE\Quendar Test\Recorder\InstallDir</VersionPath></Product>
</Products>
)";

TEST(InstallChecksTest, RestartNoticesComeDuringTheWalkAndUninstallNoticesAfterIt)
{
    CPrivateMachineKey machineKey;
    const char kPending[] = "\\??\\C:\\Quendar\\QMixer.dll\0\0";
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                    "PendingFileRenameOperations", REG_MULTI_SZ, kPending, sizeof(kPending));
    CTestWizard wizard(kCatalogue);
    CPropSheet_Corvatel& sheet = wizard.Sheet();
    CAppDetailsObj* pDesigner = sheet.FindOrAddAppDetails(&sheet.m_vecProducts[0]);
    CAppDetailsObj* pMixer = sheet.FindOrAddAppDetails(&sheet.m_vecProducts[0].GetDependency(0));
    CAppDetailsObj* pRecorder = sheet.FindOrAddAppDetails(&sheet.m_vecProducts[2]);
    pDesigner->m_lstDependencies.AddTail(pMixer);
    for (CAppDetailsObj* pItem : {pDesigner, pMixer, pRecorder}) {
        pItem->m_bChecked = true;
        pItem->m_pProductInfo->SetInstalledVersion("1.0");
    }
    CPropPage_Install& page = *sheet.m_pPageInstall;
    bool bStopped = false, bMessageStops = true;
    wizard.Run([&](HWND hSheet) {
        CTestWizard::ShowPage(hSheet, 2);
        ASSERT_TRUE(UiDriver::WaitFor([&] {
            return page.m_pInstallList && page.m_pInstallList->GetCount() == 2 ? hSheet : nullptr;
        }, 30000));
        bStopped = page.CheckBeforeInstall();
        // Without the uninstall and the restart, the pre-install message only informs (OK).
        pDesigner->m_bChecked = false;
        pMixer->m_pProductInfo->SetUninstallPendingFile("");
        bMessageStops = page.ShowPreinstallMessages();
    });
    EXPECT_TRUE(bStopped);
    EXPECT_FALSE(bMessageStops);
    ASSERT_EQ(wizard.m_answers.size(), 4u);
    EXPECT_EQ(wizard.m_answers[0], "Windows must be restarted before Corvatel can continue");
    EXPECT_EQ(wizard.m_answers[1], "Corvatel cannot continue until Quendar Designer 1.0 has been uninstalled.\n\n"
                                   "Please exit Corvatel and uninstall this applications before trying again.\n\n\n"
                                   "*** MESSAGE ***\n\nRemove Designer 1 first.\n\n");
    EXPECT_EQ(wizard.m_answers[2], "Recorder 9 is new.");
}

TEST(InstallChecksTest, RunningProgramsAreMatchedByExactNameAndListedOnce)
{
    CProductInfo tuner, mixer, service;
    tuner.SetName("Quendar Tuner");
    mixer.SetName("Quendar Mixer");
    service.SetName("Quendar Service");
    service.SetId(250);
    CAppDetailsObj tunerItem(&tuner), mixerItem(&mixer), serviceItem(&service);
    CString strList;
    std::vector<CString> names;
    CPropPage_Install::BuildRunningAppList("qtuner.exe", "QTuner.exe", &tunerItem, strList, names);
    CPropPage_Install::BuildRunningAppList("QService.exe", "QService.exe", &serviceItem, strList, names);
    // A process caught while it starts or ends may show no name; a product may name no program.
    CPropPage_Install::BuildRunningAppList("", "", &mixerItem, strList, names);
    EXPECT_STREQ(strList, "");
    for (const char* pszProgram : {"QTuner.exe", "QTunerHelper.exe"})
        CPropPage_Install::BuildRunningAppList(pszProgram, pszProgram, &tunerItem, strList, names);
    CPropPage_Install::BuildRunningAppList("QMixer.exe", "QMixer.exe", &mixerItem, strList, names);
    EXPECT_STREQ(strList, "\t- Quendar Tuner\n\t- Quendar Mixer");
}

} // namespace

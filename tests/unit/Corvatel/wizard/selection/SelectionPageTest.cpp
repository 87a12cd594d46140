// The selection page in a running wizard: what it lists, ticks, locks and totals for applications
// installed, out of date or missing (registry values of the test's own key and a file with a real
// version resource), what the user's clicks change, and its refusals. Each step runs on the
// wizard's thread once it is idle.
#include "PropPage_AppSelection.h"
#include "TestWizard.h"
#include "TreeListCtrl_Applications.h"
#include "TreeListCtrl_Downloads.h"

#include <string>
#include <vector>

namespace {

// Studio needs Engine (hidden, 1 MB), Driver (minimum 2.2) and Extras (optional); Mixer, read
// from its file's version resource, needs Driver (minimum 1.0); Tuner needs nothing; Service,
// which is not shown, needs Driver too.
const char kCatalogue[] = R"(<?xml version="1.0"?>
<Products>
  <Product Id="1" Version="2.0"><Name>Quendar Studio</Name><Download>Studio.exe</Download><Size>10</Size>
    <Notes>Record and mix.</Notes>
    <VersionModule registry="yes">%KEY%\Studio\Version</VersionModule>
    <VersionPath registry="yes">%KEY%\Studio\Dir</VersionPath>
    <Dependency>
      <Product Id="2" Version="1.5" MinRequiredVersion="1.2" ShowDependency="0"/>
      <Product Id="3" Version="3.0" MinRequiredVersion="2.2"/>
      <Product Id="6" Version="1.0" OptionalDependency="1"/>
    </Dependency>
  </Product>
  <Product Id="4" Version="4.0.11"><Name>Quendar Mixer</Name><Download>Mixer.exe</Download><Size>5</Size>
    <VersionModule>QMixer.dll</VersionModule><VersionPath>%TREE%\Mixer</VersionPath>
    <Dependency><Product Id="3" Version="3.0" MinRequiredVersion="1.0"/></Dependency>
  </Product>
  <Product Id="5" Version="1.0"><Name>Quendar Tuner</Name><Download>Tuner.exe</Download><Size>2</Size>
    <VersionModule registry="yes">%KEY%\Tuner\Version</VersionModule>
    <VersionPath registry="yes">%KEY%\Tuner\Dir</VersionPath>
  </Product>
  <Product Id="2" Version="1.5"><Name>Quendar Engine</Name><Download>Engine.exe</Download><Size>1</Size>
    <ShowProduct>0</ShowProduct>
    <VersionModule registry="yes">%KEY%\Engine\Version</VersionModule>
    <VersionPath registry="yes">%KEY%\Engine\Dir</VersionPath>
  </Product>
  <Product Id="3" Version="3.0"><Name>Quendar Driver</Name><Download>Driver.exe</Download><Size>4</Size>
    <ShowProduct>0</ShowProduct>
    <VersionModule registry="yes">%KEY%\Driver\Version</VersionModule>
    <VersionPath registry="yes">%KEY%\Driver\Dir</VersionPath>
  </Product>
  <Product Id="7" Version="1.0"><Name>Quendar Service</Name><Download>Service.exe</Download><ShowProduct>0</ShowProduct>
    <Dependency><Product Id="3" Version="3.0" MinRequiredVersion="0.5"/></Dependency>
  </Product>
  <Product Id="6" Version="1.0"><Name>Quendar Extras</Name><Download>Extras.exe</Download><Size>0.5</Size>
    <ShowProduct>0</ShowProduct>
    <VersionModule registry="yes">%KEY%\Extras\Version</VersionModule>
    <VersionPath registry="yes">%KEY%\Extras\Dir</VersionPath>
  </Product>
</Products>
)";

class SelectionPageTest : public ::testing::Test
{
protected:
    CPropPage_AppSelection& Page() { return *m_pWizard->Sheet().m_pPageAppSelection; }
    CTreeListCtrl_Applications& Apps() { return *Page().m_pAppTree; }
    CTreeListCtrl_Downloads& Downloads() { return *Page().m_pDownloadTree; }

    // "name version size", then a tick, a lock and the image.
    static std::vector<std::string> Rows(CTreeListCtrl& list, int nColumns)
    {
        std::vector<std::string> rows;
        for (int i = 0; i < list.GetCount(); ++i) {
            CTreeListItem* pRow = list.GetTreeListItem(i);
            std::string strRow;
            for (int c = 0; c < nColumns; ++c)
                strRow += std::string(list.GetItemText(i, c)) + " ";
            int n[4];
            list.GetItemImage(pRow, n[0], n[1], n[2], n[3]);
            strRow += std::string(list.GetCheck(pRow) ? "ticked" : "unticked") +
                      (list.IsCheckDisabled(pRow) ? " locked" : "") + " image " + std::to_string(n[0]);
            rows.push_back(strRow);
        }
        return rows;
    }
    std::vector<std::string> AppRows() { return Rows(Apps(), 2); }
    std::vector<std::string> DownloadRows() { return Rows(Downloads(), 3); }
    std::string Total() { return static_cast<LPCSTR>(Page().GetDlgItemText(IDC_TOTAL_SIZE)); }

    // The wizard on kCatalogue with Studio and Mixer installed, Engine out of date and Driver
    // below Studio's minimum.
    CTestWizard& MakeWizard()
    {
        m_pWizard = std::make_unique<CTestWizard>(kCatalogue, std::initializer_list<const char*>{},
                                                  CTestWizard::LocalCatalogue);
        m_pWizard->SetInstalled("Studio", "Version", "2.0");
        m_pWizard->SetInstalled("Engine", "Version", "1.3");
        m_pWizard->SetInstalled("Driver", "Version", "2.1.0");
        m_pWizard->SetInstalled("Driver", "Dir", "C:\\Quendar\\Driver");
        m_pWizard->m_tree.MakeFolder("Mixer");
        m_pWizard->m_tree.CopyModule("VerInfoEnglish.dll", "Mixer\\QMixer.dll");
        return *m_pWizard;
    }

    // A dialog of this process, open now.
    static HWND Dialog(const char* pszCaption)
    {
        HWND hDialog = UiDriver::FindWindowByCaption(pszCaption);
        EXPECT_NE(hDialog, nullptr) << pszCaption;
        return hDialog;
    }

    // A dialog's list view: "text|text|...|image" per row.
    static std::vector<std::string> ListRows(HWND hDialog, int nColumns)
    {
        HWND hList = GetDlgItem(hDialog, IDC_COMPONENT_LIST);
        std::vector<std::string> rows;
        for (int i = 0; i < ListView_GetItemCount(hList); ++i) {
            std::string strRow;
            for (int c = 0; c < nColumns; ++c) {
                char szText[256] = {};
                ListView_GetItemText(hList, i, c, szText, sizeof(szText));
                strRow += std::string(szText) + "|";
            }
            LVITEMA item = {};
            item.mask = LVIF_IMAGE;
            item.iItem = i;
            ListView_GetItem(hList, &item);
            rows.push_back(strRow + std::to_string(item.iImage));
        }
        return rows;
    }

    static std::string Text(HWND hDialog, int nId) { return UiDriver::GetControlText(hDialog, nId); }
    static bool Visible(HWND hDialog, int nId) { return IsWindowVisible(GetDlgItem(hDialog, nId)) != FALSE; }

    std::unique_ptr<CTestWizard> m_pWizard;
};

TEST_F(SelectionPageTest, ClassesTicksLocksAndTotalsFollowTheUsersClicks)
{
    CTestWizard& wizard = MakeWizard();

    wizard.RunSteps({
        [&](HWND) {
            // Installed applications are ticked and marked; Tuner is missing and has no mark.
            EXPECT_EQ(AppRows(), (std::vector<std::string>{"Quendar Mixer 4.0.11 ticked image 1",
                                                           "Quendar Studio 2.0 ticked image 2",
                                                           "Quendar Tuner 1.0 unticked image 0"}));
            // Driver is below what Studio needs: ticked and locked. Studio is current, but its
            // hidden Engine has an update, which it carries (and counts: 11 MB as 11.26M).
            EXPECT_EQ(DownloadRows(), (std::vector<std::string>{"Quendar Driver 3.0 4.10M ticked locked image 3",
                                                                "Quendar Mixer 4.0.11 5.12M unticked image 1",
                                                                "Quendar Extras 1.0 0.51M unticked image 3",
                                                                "Quendar Studio 2.0 11.26M ticked image 2"}));
            EXPECT_EQ(Total(), "Total Download Size: 15.00 MB");
            EXPECT_FALSE(IsWindowVisible(Page().GetDlgItem(IDC_ALL_UP_TO_DATE)));
            EXPECT_TRUE(IsWindowVisible(Page().GetDlgItem(IDC_SELECT_INSTALLED)));
            CTestWizard::ClickCheckBox(Page().m_pDownloadTree, 3);
        },
        [&](HWND) {
            // Studio's row counts its hidden Engine: 11 MB less, then 11 MB more.
            EXPECT_EQ(Total(), "Total Download Size: 4.00 MB");
            CTestWizard::ClickCheckBox(Page().m_pDownloadTree, 3);
        },
        [&](HWND) {
            EXPECT_EQ(Total(), "Total Download Size: 15.00 MB");
            // A locked row stays as it is.
            CTestWizard::ClickCheckBox(Page().m_pDownloadTree, 0);
        },
        [&](HWND) {
            EXPECT_EQ(DownloadRows()[0], "Quendar Driver 3.0 4.10M ticked locked image 3");
            CTestWizard::ClickCheckBox(Page().m_pAppTree, 2);   // Tuner
        },
        [&](HWND) {
            EXPECT_EQ(DownloadRows().back(), "Quendar Tuner 1.0 2.05M ticked locked image 3");
            EXPECT_EQ(Total(), "Total Download Size: 17.00 MB");
            CTestWizard::ClickCheckBox(Page().m_pAppTree, 1);   // Studio off
        },
        [&](HWND) {
            // Driver stays for Mixer, which needs only 1.0: no longer locked.
            EXPECT_EQ(DownloadRows(), (std::vector<std::string>{"Quendar Driver 3.0 4.10M ticked image 2",
                                                                "Quendar Mixer 4.0.11 5.12M unticked image 1",
                                                                "Quendar Tuner 1.0 2.05M ticked locked image 3"}));
            EXPECT_EQ(Total(), "Total Download Size: 6.00 MB");
            CTestWizard::ClickCheckBox(Page().m_pAppTree, 0);   // Mixer off: Driver goes with it
        },
        [&](HWND) {
            EXPECT_EQ(DownloadRows(), std::vector<std::string>{"Quendar Tuner 1.0 2.05M ticked locked image 3"});
            EXPECT_EQ(Total(), "Total Download Size: 2.00 MB");
            Page().SendMessage(WM_COMMAND, IDC_SELECT_ALL);
        },
        [&](HWND) {
            EXPECT_EQ(Downloads().GetCount(), 5);
            Page().SendMessage(WM_COMMAND, IDC_DESELECT_ALL);
        },
        [&](HWND hSheet) {
            EXPECT_EQ(Downloads().GetCount(), 0);
            EXPECT_EQ(Total(), "Total Download Size: 0.00 MB");
            PropSheet_PressButton(hSheet, PSBTN_NEXT);
        },
        [&](HWND hSheet) {
            EXPECT_EQ(PropSheet_GetCurrentPageHwnd(hSheet), Page().m_hWnd);
            Page().SendMessage(WM_COMMAND, IDC_SELECT_INSTALLED);
        },
        [&](HWND) {
            EXPECT_EQ(Downloads().GetCount(), 4);
            EXPECT_EQ(Total(), "Total Download Size: 15.00 MB");
        },
    });
    EXPECT_EQ(wizard.m_answers, (std::vector<std::string>{"In order to continue, an application must be selected to download",
                                                          "Are you sure you want to exit Quendar Corvatel?"}));
}

TEST_F(SelectionPageTest, AComponentLockedAsNeededIsTickedAndCounted)
{
    CTestWizard& wizard = MakeWizard();
    wizard.RunSteps({
        [&](HWND) { CTestWizard::ClickCheckBox(Page().m_pAppTree, 1); },   // Studio off
        [&](HWND) {
            // For Mixer alone Driver has an update: ticked, open to the user, who unticks it.
            EXPECT_EQ(DownloadRows()[0], "Quendar Driver 3.0 4.10M ticked image 2");
            CTestWizard::ClickCheckBox(Page().m_pDownloadTree, 0);
        },
        [&](HWND) {
            EXPECT_EQ(Total(), "Total Download Size: 0.00 MB");
            CTestWizard::ClickCheckBox(Page().m_pAppTree, 1);   // Studio on: it needs Driver 2.2
        },
        [&](HWND) {
            EXPECT_EQ(DownloadRows()[0], "Quendar Driver 3.0 4.10M ticked locked image 3");
            EXPECT_EQ(Total(), "Total Download Size: 15.00 MB");
        },
    });
}

// Studio and Painter are installed and current; Studio's only component, Brushes, is hidden,
// optional and missing; Painter's Canvas is shown and missing.
const char kCurrentCatalogue[] = R"(<?xml version="1.0"?>
<Products>
  <Product Id="30" Version="2.0"><Name>Quendar Studio</Name><Download>Studio.exe</Download><Size>20</Size>
    <VersionModule registry="yes">%KEY%\Studio\Version</VersionModule><VersionPath>C:\Q</VersionPath>
    <Dependency><Product Id="31" Version="1.0" ShowDependency="0" OptionalDependency="1"/></Dependency>
  </Product>
  <Product Id="32" Version="1.0"><Name>Quendar Painter</Name><Download>Painter.exe</Download><Size>5</Size>
    <VersionModule registry="yes">%KEY%\Painter\Version</VersionModule><VersionPath>C:\Q</VersionPath>
    <Dependency><Product Id="33" Version="1.0"/></Dependency>
  </Product>
  <Product Id="31" Version="1.0"><Name>Quendar Brushes</Name><Download>Brushes.exe</Download><Size>1</Size><ShowProduct>0</ShowProduct>
    <VersionModule registry="yes">%KEY%\Brushes\Version</VersionModule><VersionPath>C:\Q</VersionPath></Product>
  <Product Id="33" Version="1.0"><Name>Quendar Canvas</Name><Download>Canvas.exe</Download><Size>3</Size><ShowProduct>0</ShowProduct>
    <VersionModule registry="yes">%KEY%\Canvas\Version</VersionModule><VersionPath>C:\Q</VersionPath></Product>
</Products>
)";

TEST_F(SelectionPageTest, AnApplicationIsTickedForWhatItNeedsNotForWhatItMayHave)
{
    m_pWizard = std::make_unique<CTestWizard>(kCurrentCatalogue, std::initializer_list<const char*>{},
                                              CTestWizard::LocalCatalogue);
    m_pWizard->SetInstalled("Studio", "Version", "2.0");
    m_pWizard->SetInstalled("Painter", "Version", "1.0");
    // Studio is neither ticked nor locked for its optional Brushes and counts nothing; Canvas,
    // which Painter needs, is ticked and locked; so it stays while Painter goes and comes back.
    const std::string studio = "Quendar Studio 2.0 20.48M unticked image 1";
    const std::string canvas = "Quendar Canvas 1.0 3.07M ticked locked image 3";
    const std::string painter = "Quendar Painter 1.0 5.12M unticked image 1";
    m_pWizard->RunSteps({
        [&](HWND) {
            EXPECT_EQ(AppRows(), (std::vector<std::string>{"Quendar Painter 1.0 ticked image 1",
                                                           "Quendar Studio 2.0 ticked image 1"}));
            EXPECT_EQ(DownloadRows(), (std::vector<std::string>{canvas, painter, studio}));
            EXPECT_EQ(Total(), "Total Download Size: 3.00 MB");
            CTestWizard::ClickCheckBox(Page().m_pAppTree, 0);   // Painter off
        },
        [&](HWND) {
            EXPECT_EQ(DownloadRows(), std::vector<std::string>{studio});
            EXPECT_EQ(Total(), "Total Download Size: 0.00 MB");
            CTestWizard::ClickCheckBox(Page().m_pAppTree, 0);   // Painter on
        },
        [&](HWND) {
            EXPECT_EQ(DownloadRows(), (std::vector<std::string>{studio, canvas, painter}));
            EXPECT_EQ(Total(), "Total Download Size: 3.00 MB");
        },
    });
}

TEST_F(SelectionPageTest, ComponentDialogsShowWhatTheCatalogueAndTheComputerSay)
{
    CTestWizard& wizard = MakeWizard();
    wizard.RunSteps({
        [&](HWND) { CTestWizard::ClickRow(Page().m_pAppTree, 1); },
        [&](HWND) {
            EXPECT_EQ(Page().GetDlgItemText(IDC_DESCRIPTION), CString("Record and mix."));
            EXPECT_EQ(Page().GetDlgItemText(IDC_DESCRIPTION_GROUP), CString("Description  -  Quendar Studio"));
            Page().PostMessage(WM_COMMAND, ID_COMPONENTS_REQUIRED);
        },
        {"Components Required", [&](HWND) {
            HWND hDialog = Dialog("Components Required");
            EXPECT_EQ(Text(hDialog, IDC_COMPONENT_NAME), "Quendar Studio");
            EXPECT_EQ(ListRows(hDialog, 5), (std::vector<std::string>{"Quendar Engine|1.00M|1.2|1.3|1.5|2",
                                                                      "Quendar Driver|4.00M|2.2|2.1.0|3.0|3",
                                                                      "Quendar Extras|0.50M|<none>|<not installed>|1.0|3"}));
            EXPECT_TRUE(Visible(hDialog, IDC_COMPONENT_LIST));
            EXPECT_FALSE(Visible(hDialog, IDC_NO_DEPENDENCIES));
            // The dialog owns the row images: the list must not destroy them too.
            EXPECT_TRUE(GetWindowLongA(GetDlgItem(hDialog, IDC_COMPONENT_LIST), GWL_STYLE) & LVS_SHAREIMAGELISTS);
            PostMessageA(hDialog, WM_COMMAND, IDOK, 0);
        }},
        [&](HWND) {
            CTestWizard::ClickRow(Page().m_pAppTree, 2);
            Page().PostMessage(WM_COMMAND, ID_COMPONENTS_REQUIRED);
        },
        {"Components Required", [&](HWND) {
            HWND hDialog = Dialog("Components Required");
            EXPECT_EQ(Text(hDialog, IDC_COMPONENT_NAME), "Quendar Tuner");
            EXPECT_FALSE(Visible(hDialog, IDC_COMPONENT_LIST));
            EXPECT_TRUE(Visible(hDialog, IDC_NO_DEPENDENCIES));
            PostMessageA(hDialog, WM_COMMAND, IDOK, 0);
        }},
        [&](HWND) {
            CTestWizard::ClickRow(Page().m_pDownloadTree, 0);
            Page().PostMessage(WM_COMMAND, ID_COMPONENT_DETAILS_DOWNLOADS);
        },
        {"Component Details", [&](HWND) {
            // Rows go in at their entry's place in each application; Service is not shown.
            HWND hDialog = Dialog("Component Details");
            EXPECT_EQ(Text(hDialog, IDC_COMPONENT_NAME), "Quendar Driver");
            EXPECT_EQ(Text(hDialog, IDC_REMOTE_FILE), "Driver.exe");
            EXPECT_EQ(Text(hDialog, IDC_FILE_SIZE), "4.00 MB");
            EXPECT_EQ(Text(hDialog, IDC_LATEST_VERSION), "3.0");
            EXPECT_EQ(Text(hDialog, IDC_REBOOT_REQUIRED), "No");
            EXPECT_EQ(Text(hDialog, IDC_INSTALLED_VERSION), "2.1.0");
            EXPECT_EQ(Text(hDialog, IDC_INSTALLED_FOLDER), "C:\\Quendar\\Driver");
            EXPECT_TRUE(Visible(hDialog, IDC_INSTALLED_VERSION));
            EXPECT_FALSE(Visible(hDialog, IDC_NOT_INSTALLED));
            EXPECT_EQ(Text(hDialog, IDC_REQUIRED_BY_GROUP), "Quendar Components that require Quendar Driver");
            char szHeading[64] = {};
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT;
            column.pszText = szHeading;
            column.cchTextMax = sizeof(szHeading);
            ListView_GetColumn(GetDlgItem(hDialog, IDC_COMPONENT_LIST), 1, &column);
            EXPECT_STREQ(szHeading, "Minimum Quendar Driver Version Required");
            EXPECT_EQ(ListRows(hDialog, 2), (std::vector<std::string>{"Quendar Mixer|1.0|0", "Quendar Studio|2.2|0"}));
            PostMessageA(hDialog, WM_COMMAND, IDOK, 0);
        }},
        [&](HWND) {
            CTestWizard::ClickRow(Page().m_pDownloadTree, 2);
            Page().PostMessage(WM_COMMAND, ID_COMPONENT_DETAILS_DOWNLOADS);
        },
        {"Component Details", [&](HWND) {
            HWND hDialog = Dialog("Component Details");
            EXPECT_EQ(Text(hDialog, IDC_COMPONENT_NAME), "Quendar Extras");
            EXPECT_EQ(Text(hDialog, IDC_FILE_SIZE), "0.50 MB");
            EXPECT_TRUE(Visible(hDialog, IDC_NOT_INSTALLED));
            for (int nId : {IDC_INSTALLED_FOLDER_LABEL, IDC_INSTALLED_FOLDER, IDC_INSTALLED_VERSION_LABEL,
                            IDC_INSTALLED_VERSION})
                EXPECT_FALSE(Visible(hDialog, nId)) << nId;
            PostMessageA(hDialog, WM_COMMAND, IDOK, 0);
        }},
    });
}

// Plain, a beta, a beta that is also a snip, and a snip; a hidden product and one without a setup.
const char kTypedCatalogue[] = R"(<?xml version="1.0"?>
<Products>
  <Product Id="10" Version="1.0"><Name>Quendar Plain</Name><Download>Plain.exe</Download><VersionPath>C:\Q</VersionPath></Product>
  <Product Id="11" Version="2.0"><Name>Quendar Beta</Name><Download>Beta.exe</Download><Beta>1</Beta><VersionPath>C:\Q</VersionPath></Product>
  <Product Id="12" Version="3.0"><Name>Quendar Both</Name><Download>Both.exe</Download><Beta>1</Beta><Snip>1</Snip><VersionPath>C:\Q</VersionPath></Product>
  <Product Id="13" Version="4.0"><Name>Quendar Snip</Name><Download>Snip.exe</Download><Snip>1</Snip><VersionPath>C:\Q</VersionPath></Product>
  <Product Id="14" Version="1.0"><Name>Quendar Hidden</Name><Download>Hidden.exe</Download><ShowProduct>0</ShowProduct><VersionPath>C:\Q</VersionPath></Product>
  <Product Id="15" Version="1.0"><Name>Quendar Nothing</Name><VersionPath>C:\Q</VersionPath></Product>
</Products>
)";

TEST_F(SelectionPageTest, BetaAndSnipRowsAreTypedAndNeverSelectedForTheUser)
{
    m_pWizard = std::make_unique<CTestWizard>(kTypedCatalogue, std::initializer_list<const char*>{"BETA", "SNIP", "DUMP"},
                                              CTestWizard::LocalCatalogue);
    std::string strHeading = static_cast<LPCSTR>(m_pWizard->m_strSet + "\\CorvatelSFTP.xml");
    // The catalogue report after each change of the selection: only what was listed then.
    auto report = [&](const char* pszReport) {
        return CTestWizard::Step("Component Dependencies", [=](HWND) {
            HWND hDialog = Dialog("Component Dependencies");
            EXPECT_EQ(Text(hDialog, IDC_REPORT_HEADING), strHeading);
            EXPECT_EQ(Text(hDialog, IDC_REPORT), pszReport);
            PostMessageA(hDialog, WM_COMMAND, IDOK, 0);
        });
    };
    m_pWizard->RunSteps({
        report(""),
        [&](HWND) {
            EXPECT_EQ(Rows(Apps(), 3), (std::vector<std::string>{"Quendar Beta 2.0 beta unticked image 0",
                                                                 "Quendar Both 3.0 snip unticked image 0",
                                                                 "Quendar Plain 1.0  unticked image 0",
                                                                 "Quendar Snip 4.0 snip unticked image 0"}));
            Page().SendMessage(WM_COMMAND, IDC_SELECT_ALL);
        },
        report("\r\nApplication: Quendar Plain (version 1.0    FileName: Plain.exe)\r\nShow Product:  Show\r\n"
               "\tDependency: <none>\r\n"),
        [&](HWND) {
            EXPECT_EQ(DownloadRows(), std::vector<std::string>{"Quendar Plain 1.0 0.00M ticked locked image 3"});
            CTestWizard::ClickCheckBox(Page().m_pAppTree, 1);
        },
        report("\r\nApplication: Quendar Both (*BETA*) (*SNIP*) (version 3.0    FileName: Both.exe)\r\n"
               "Show Product:  Show\r\n\tDependency: <none>\r\n"),
        [&](HWND hSheet) { PropSheet_PressButton(hSheet, PSBTN_NEXT); },
        [&](HWND hSheet) {
            EXPECT_EQ(PropSheet_GetCurrentPageHwnd(hSheet), Page().m_hWnd);
            Page().SendMessage(WM_COMMAND, IDC_DESELECT_ALL);
        },
        report(""),
        report(""),
        [&](HWND) { EXPECT_EQ(Downloads().GetCount(), 0); },
    });
    EXPECT_EQ(m_pWizard->m_answers, (std::vector<std::string>{
                                        "Beta and Non-beta applications cannot be selected for downloading together",
                                        "Are you sure you want to exit Quendar Corvatel?"}));
}

TEST_F(SelectionPageTest, NamedProductsAloneAreListedEvenWhenHidden)
{
    m_pWizard = std::make_unique<CTestWizard>(
        kTypedCatalogue, std::initializer_list<const char*>{"quendar hidden", "Quendar Beta", "Quendar Nothing", "Quendar Plain"},
        CTestWizard::LocalCatalogue);
    m_pWizard->RunSteps({[&](HWND) {
        EXPECT_EQ(Rows(Apps(), 2), (std::vector<std::string>{"Quendar Hidden 1.0 unticked image 0",
                                                             "Quendar Plain 1.0 unticked image 0"}));
        EXPECT_TRUE(IsWindowVisible(Page().GetDlgItem(IDC_SELECT_INSTALLED)));
    }});
}

// One application; Alpha has neither minimum nor start-menu text, Bravo both and is optional,
// and Charlie's entry has no version path.
const char kSoloCatalogue[] = R"(<?xml version="1.0"?>
<Products>
  <Product Id="20" Version="1.0"><Name>Quendar Solo</Name><Download>Solo.exe</Download><Size>3</Size>
    <StartMenuText>Solo Start</StartMenuText><VersionPath>C:\Q</VersionPath>
    <Dependency>
      <Product Id="21" Version="1.0" ShowDependency="0"/>
      <Product Id="22" Version="2.0" MinRequiredVersion="1.0" StartMenuText="Bravo Tools" OptionalDependency="1" DisplayStartMenu="0"/>
      <Product Id="23" Version="2.0"/>
    </Dependency>
  </Product>
  <Product Id="21" Version="1.0"><Name>Quendar Alpha</Name><Download>Alpha.exe</Download><Size>1</Size><ShowProduct>0</ShowProduct><VersionPath>C:\Q</VersionPath></Product>
  <Product Id="22" Version="2.0"><Name>Quendar Bravo</Name><Download>Bravo.exe</Download><Size>2</Size><ShowProduct>0</ShowProduct><VersionPath>C:\Q</VersionPath></Product>
  <Product Id="23" Version="2.0"><Name>Quendar Charlie</Name><Download>Charlie.exe</Download><Size>1.5</Size><ShowProduct>0</ShowProduct></Product>
</Products>
)";

TEST_F(SelectionPageTest, UpdateAllNeedsEverythingAndTheOnlyApplicationIsTicked)
{
    m_pWizard = std::make_unique<CTestWizard>(kSoloCatalogue, std::initializer_list<const char*>{"UPDATEALL", "DUMP"},
                                              CTestWizard::LocalCatalogue);
    m_pWizard->RunSteps({
        {"Component Dependencies", [&](HWND) {
            // The parenthesis the minimum version opens is closed at the end of the line, even
            // where none was opened.
            HWND hDialog = Dialog("Component Dependencies");
            EXPECT_EQ(Text(hDialog, IDC_REPORT),
                      "\r\nApplication: Quendar Solo (version 1.0    FileName: Solo.exe     StartMenu Text = Solo Start)\r\n"
                      "Show Product:  Show\r\n"
                      "\tDependency: Quendar Alpha Show Dependency: 0,  Display Start Menu : 1)\r\n"
                      "\tDependency: Quendar Bravo (min release version: 1.0,  Start Menu Text: Bravo Tools Show "
                      "Dependency: 1,  Display Start Menu : 0)\r\n"
                      "\tDependency: Quendar Charlie Show Dependency: 1,  Display Start Menu : 1)\r\n");
            PostMessageA(hDialog, WM_COMMAND, IDOK, 0);
        }},
        [&](HWND) {
            // Every class is "needed": the application has no mark, the optional Bravo is left
            // to the user, and Charlie, whose entry is faulty, is not listed.
            EXPECT_EQ(Rows(Apps(), 2), std::vector<std::string>{"Quendar Solo 1.0 ticked image 0"});
            EXPECT_FALSE(IsWindowVisible(Page().GetDlgItem(IDC_SELECT_INSTALLED)));
            EXPECT_EQ(DownloadRows(), (std::vector<std::string>{"Quendar Bravo 2.0 2.05M unticked image 3",
                                                                "Quendar Solo 1.0 4.10M ticked locked image 3"}));
            EXPECT_EQ(Total(), "Total Download Size: 4.00 MB");
            CAppDetailsObj* pCharlie =
                CPropSheet_Corvatel::FindProduct(&m_pWizard->Sheet().m_lstQueueItems, "Quendar Charlie", "2.0", 0);
            ASSERT_NE(pCharlie, nullptr);
            EXPECT_FALSE(pCharlie->m_bQueueable);
        },
    });
    ASSERT_EQ(m_pWizard->m_answers.size(), 2u);
    EXPECT_EQ(m_pWizard->m_answers[0], "Error reading Corvatel .XML database object\n\nInfo:\n  Local .exe: \n"
                                       "  Remote .exe: Charlie.exe\n  ID: 23\n  Version: 2.0\n  Build: \n  Date: \n"
                                       "  Version Module \n  Size: 1.50");
}

TEST_F(SelectionPageTest, AnEntryNamingAnUnlistedVersionIsJudgedAsNoRecord)
{
    CTestWizard& wizard = MakeWizard();
    // Mixer's Driver entry names a release the catalogue does not list.
    CProductInfo& mixer = wizard.Sheet().m_vecProducts[1];
    mixer.m_pDependencies[0].SetVersion("9.9");
    wizard.RunSteps({[&](HWND) {
        EXPECT_EQ(DownloadRows()[0], "Quendar Driver 9.9 4.10M ticked locked image 3");
        EXPECT_EQ(DownloadRows()[2], "Quendar Driver 3.0 4.10M ticked locked image 3");
        CAppDetailsObj* pDriver = CPropSheet_Corvatel::FindProduct(&wizard.Sheet().m_lstQueueItems, "Quendar Driver", "9.9", 0);
        EXPECT_EQ(Page().CheckDependencies(pDriver), ClassNeeded);
    }});
}

TEST_F(SelectionPageTest, InstalledVersionsAgainstMinimumsAndTheCatalogue)
{
    CTestWizard& wizard = MakeWizard();
    CPropSheet_Corvatel& sheet = wizard.Sheet();
    CProductInfo component(3, "2.2", "", "", "", 1, 0, 1);
    CAppDetailsObj record(&component);
    auto entry = [&](const char* pszVersion, const char* pszMinimum) {
        CProductInfo dependency(3, pszVersion, pszMinimum, "", "", 1, 0, 1);
        dependency.m_strVersionModule = "HKEY_CURRENT_USER\\" + wizard.m_strKey + "\\Component\\Version";
        dependency.m_bVersionModuleRegistry = 1;
        return dependency;
    };
    // Not installed: needed, minimum or not.
    EXPECT_EQ(sheet.CompareInstalledVersion(&record, &component), ClassNeeded);
    EXPECT_EQ(sheet.CompareInstalledVersion(nullptr, &component), ClassNone);
    EXPECT_EQ(sheet.CompareInstalledVersion(&record, nullptr), ClassNone);

    wizard.SetInstalled("Component", "Version", "2.2");
    component.SetInstalledVersion("2.1.0");
    CProductInfo minimum = entry("2.2", "2.2");
    EXPECT_EQ(sheet.CompareInstalledVersion(&record, &minimum), ClassNeeded);
    // At the minimum, the dependency's own installed version decides, read afresh.
    component.SetInstalledVersion("2.2");
    EXPECT_EQ(sheet.CompareInstalledVersion(&record, &minimum), ClassCurrent);
    EXPECT_STREQ(minimum.GetInstalledVersion(), "2.2");
    CProductInfo newer = entry("2.3", "2.2");
    EXPECT_EQ(sheet.CompareInstalledVersion(&record, &newer), ClassNewer);
    // Only four parts of a minimum count.
    CProductInfo longMinimum = entry("2.2", "2.2.0.0.9");
    EXPECT_EQ(sheet.CompareInstalledVersion(&record, &longMinimum), ClassCurrent);
}

TEST_F(SelectionPageTest, AListThatCannotBeMadeIsDroppedAndNeverUsed)
{
    CTestWizard& wizard = MakeWizard();
    CWnd gone;
    gone.m_hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone.m_hWnd);
    EXPECT_EQ(CPropPage_AppSelection::CreateTree(&gone, new CTreeListCtrl_Downloads(nullptr), IDC_DOWNLOAD_LIST_PLACE, 501),
              nullptr);

    // A page without its lists does nothing with them.
    CPropPage_AppSelection& page = *wizard.Sheet().m_pPageAppSelection;
    page.FillApplicationTree();
    EXPECT_EQ(page.RefreshDownloadRows(nullptr), 0);
    EXPECT_FALSE(page.HasSelectedDownload());
    EXPECT_FALSE(page.IsBetaMixed());
    CAppDetailsObj* pStudio = wizard.Sheet().FindOrAddAppDetails(&wizard.Sheet().m_vecProducts[0]);
    EXPECT_EQ(page.AddProductRow(pStudio, nullptr, ClassNone, nullptr), 0);
    page.RemoveDownloadRow(pStudio);
    EXPECT_EQ(page.m_fTotalSize, 0.0f);
}

// nApplications applications, each needing one to three of nComponents shared components; every
// other product installed (a component at an older release than the catalogue's).
std::string GeneratedCatalogue(int nApplications, int nComponents)
{
    std::string strXml = "<?xml version=\"1.0\"?>\n<Products>\n";
    auto located = [](const std::string& strName) {
        return "<VersionModule registry=\"yes\">%KEY%\\" + strName + "\\Version</VersionModule>"
               "<VersionPath registry=\"yes\">%KEY%\\" + strName + "\\Dir</VersionPath>";
    };
    for (int i = 0; i < nApplications; ++i) {
        std::string strName = "A" + std::to_string(i);
        strXml += "<Product Id=\"" + std::to_string(1000 + i) + "\" Version=\"2.0\"><Name>" + strName + "</Name><Download>" +
                  strName + ".exe</Download><Size>1</Size>" + located(strName) + "<Dependency>";
        for (int d = 0; d <= i % 3; ++d)
            strXml += "<Product Id=\"" + std::to_string((i * 7 + d * 13) % nComponents + 1) + "\" Version=\"3.0\" MinRequiredVersion=\"" +
                      (d == 0 ? "2.0" : "1.0") + "\"/>";
        strXml += "</Dependency></Product>\n";
    }
    for (int c = 1; c <= nComponents; ++c) {
        std::string strName = "C" + std::to_string(c);
        strXml += "<Product Id=\"" + std::to_string(c) + "\" Version=\"3.0\"><Name>" + strName + "</Name><Download>" + strName +
                  ".exe</Download><Size>2</Size><ShowProduct>0</ShowProduct>" + located(strName) + "</Product>\n";
    }
    return strXml + "</Products>\n";
}

TEST_F(SelectionPageTest, SelectAllReadsEachInstalledVersionAFewTimesNotOncePerRow)
{
    const int nApplications = 300, nComponents = 60;
    m_pWizard = std::make_unique<CTestWizard>(GeneratedCatalogue(nApplications, nComponents).c_str(),
                                              std::initializer_list<const char*>{}, CTestWizard::LocalCatalogue);
    for (int i = 0; i < nApplications; i += 2)
        m_pWizard->SetInstalled(("A" + std::to_string(i)).c_str(), "Version", "2.0");
    for (int c = 1; c <= nComponents; c += 2)
        m_pWizard->SetInstalled(("C" + std::to_string(c)).c_str(), "Version", "2.5");
    long& nChecks = m_pWizard->Sheet().m_installedVersions.m_nChecks;
    long nBefore = 0;
    m_pWizard->RunSteps({
        [&](HWND) {
            nBefore = nChecks;
            Page().SendMessage(WM_COMMAND, IDC_SELECT_ALL);
        },
        [&](HWND) {
            EXPECT_EQ(Downloads().GetCount(), nApplications + nComponents);
            // Each product is read about once over the whole action, not once per row it meets.
            EXPECT_LE(nChecks - nBefore, 2 * (nApplications + nComponents));
        },
    });
}

} // namespace

// The folder and licence pages in the real sheet, worked from a second thread as a user would:
// typed folders, Next, message boxes answered by their text, the radio buttons.
#include "CorvatelApp.h"
#include "PropSheet_Corvatel.h"
#include "Utilities.h"
#include "resource.h"

#include <AfxRichEdit.h>
#include <PrivateMachineKey.h>
#include <UiDriver.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace {

const char kProgramKey[] = "SOFTWARE\\Quendar Electronics Inc.\\Quendar Corvatel";
const int kBackButton = 0x3023;
const int kNextButton = 0x3024;
// With a catalogue file named on the command line: selection, folders, licence, install.
const int kFolderPage = 1;
const int kLicensePage = 2;
const int kInstallPage = 3;

std::string ProgramValue(const char* pszValue)
{
    char szText[MAX_PATH] = {};
    DWORD dwSize = sizeof(szText);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kProgramKey, pszValue, RRF_RT_REG_SZ, nullptr, szText, &dwSize) != ERROR_SUCCESS)
        return "<missing>";
    return szText;
}

HWND CurrentPage(HWND hSheet)
{
    return reinterpret_cast<HWND>(SendMessageA(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

bool WaitUntil(const std::function<bool()>& condition)
{
    return UiDriver::WaitFor([&] { return condition() ? GetDesktopWindow() : nullptr; }) != nullptr;
}

bool WaitForPage(HWND hSheet, int nIndex)
{
    return WaitUntil([&] {
        return SendMessageA(hSheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(CurrentPage(hSheet)), 0) == nIndex;
    });
}

// "B" and "N" for the enabled Back and Next buttons, once the posted change has arrived.
std::string WizardButtons(HWND hSheet, const std::string& strExpected)
{
    auto buttons = [hSheet] {
        return std::string(IsWindowEnabled(GetDlgItem(hSheet, kBackButton)) ? "B" : "") +
               (IsWindowEnabled(GetDlgItem(hSheet, kNextButton)) ? "N" : "");
    };
    WaitUntil([&] { return buttons() == strExpected; });
    return buttons();
}

// Types the folders into the folder page's edits and presses Next.
void NextWithFolders(HWND hSheet, const std::string& strDownload, const std::string& strInstall)
{
    SetDlgItemTextA(CurrentPage(hSheet), IDC_DOWNLOAD_FOLDER, strDownload.c_str());
    SetDlgItemTextA(CurrentPage(hSheet), IDC_INSTALL_FOLDER, strInstall.c_str());
    EXPECT_TRUE(UiDriver::PressButton(hSheet, kNextButton));
}

// Runs the wizard on the test catalogue while user() works its window from another thread, then
// leaves it through Cancel and Yes.
void RunWizard(CPropSheet_Corvatel& sheet, const std::function<void(HWND)>& user)
{
    std::thread thread([&] {
        HWND hSheet = UiDriver::WaitForWindowByCaption("Quendar Corvatel");
        ASSERT_NE(hSheet, nullptr);
        user(hSheet);
        UiDriver::PressButton(hSheet, IDCANCEL);
        EXPECT_FALSE(UiDriver::AnswerMessageBox("Are you sure you want to exit Quendar Corvatel?", IDYES).empty());
    });
    sheet.DoModal();
    thread.join();
}

class WizardPagesTest : public ::testing::Test
{
protected:
    WizardPagesTest() { m_app.m_cmdInfo.ParseParam(CORVATEL_FIXTURES_DIR "/catalogue-full.xml", FALSE, TRUE); }

    CPrivateMachineKey m_machineKey;
    CCorvatelApp m_app;
};

} // namespace

TEST_F(WizardPagesTest, FolderPageChecksCreatesAndStoresBothFolders)
{
    char szTemp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, szTemp);
    std::string strBase = std::string(szTemp) + "corvatel pages test";
    std::string strDownload = strBase + "\\new\\downloads";
    std::string strInstall = strBase + "\\install root";
    std::string strBadInstall = strBase + "\\bad|name";
    std::string strDefaultDownload(CPropSheet_Corvatel::GetDefaultDownloadFolder());
    std::string strDefaultInstall(CPropSheet_Corvatel::GetDefaultInstallRoot());

    CPropSheet_Corvatel sheet(IDS_SHEET_CAPTION);
    RunWizard(sheet, [&](HWND hSheet) {
        // Nothing remembered: the defaults are proposed and the download folder stored at once.
        SendMessageA(hSheet, PSM_SETCURSEL, kFolderPage, 0);
        ASSERT_TRUE(WaitForPage(hSheet, kFolderPage));
        HWND hPage = CurrentPage(hSheet);
        EXPECT_EQ(UiDriver::GetControlText(hPage, IDC_DOWNLOAD_FOLDER), strDefaultDownload);
        EXPECT_EQ(UiDriver::GetControlText(hPage, IDC_INSTALL_FOLDER), strDefaultInstall);
        EXPECT_EQ(ProgramValue("Download"), strDefaultDownload);

        // A drive chosen in the browse dialog is stored at once, and both edits show the stored
        // folders again: text typed but not taken over is gone.
        SetDlgItemTextA(hPage, IDC_INSTALL_FOLDER, "typed, not taken over");
        EXPECT_TRUE(UiDriver::PressButton(hPage, IDC_BROWSE_DOWNLOAD));
        HWND hBrowse = UiDriver::WaitForWindowByStaticText(
            "Please choose a folder for where the components should be downloaded");
        ASSERT_NE(hBrowse, nullptr);
        HWND hTree = FindWindowExA(hBrowse, nullptr, WC_TREEVIEWA, nullptr);
        LPARAM hComputer = SendMessageA(hTree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        SendMessageA(hTree, TVM_SELECTITEM, TVGN_CARET, SendMessageA(hTree, TVM_GETNEXTITEM, TVGN_CHILD, hComputer));
        EXPECT_TRUE(UiDriver::PressButton(hBrowse, IDOK));
        EXPECT_TRUE(UiDriver::WaitForWindowGone(hBrowse));
        EXPECT_EQ(UiDriver::GetControlText(hPage, IDC_DOWNLOAD_FOLDER), "C:\\");
        EXPECT_EQ(ProgramValue("Download"), "C:\\");
        EXPECT_EQ(UiDriver::GetControlText(hPage, IDC_INSTALL_FOLDER), strDefaultInstall);

        // An empty folder: the default is offered, and No keeps the page.
        NextWithFolders(hSheet, "   ", strInstall);
        std::string strQuestion =
            "The download folder location is empty.  Would you like " + strDefaultDownload + " to be the default?";
        EXPECT_EQ(UiDriver::AnswerMessageBox(strQuestion.c_str(), IDNO), strQuestion);

        // Blanks are trimmed and missing levels made; a folder that cannot be made is named and
        // keeps the page.
        NextWithFolders(hSheet, "  " + strDownload + " ", strBadInstall);
        std::string strRefusal =
            "The install folder cannot be be created or contains invalid characters: '" + strBadInstall + "'";
        EXPECT_EQ(UiDriver::AnswerMessageBox(strRefusal.c_str(), IDOK), strRefusal);
        EXPECT_EQ(UiDriver::GetControlText(hPage, IDC_DOWNLOAD_FOLDER), strDownload);

        NextWithFolders(hSheet, strDownload, strInstall);
        EXPECT_TRUE(WaitForPage(hSheet, kLicensePage));
    });

    // "Install" is written last, by the page.
    EXPECT_STREQ(sheet.m_strDownloadFolder, strDownload.c_str());
    EXPECT_STREQ(sheet.m_strInstallRoot, strInstall.c_str());
    EXPECT_STREQ(sheet.m_pSkelvar->GetDownloadPath(), strDownload.c_str());
    EXPECT_EQ(ProgramValue("Download"), strDownload);
    EXPECT_EQ(ProgramValue("Install"), strInstall);
    EXPECT_TRUE(std::filesystem::is_directory(strDownload));
    EXPECT_TRUE(std::filesystem::is_directory(strInstall));
    std::filesystem::remove_all(strBase);
}

TEST_F(WizardPagesTest, LicencePageShowsTheTextOrTheFileBesideTheProgramAndNeedsAgreement)
{
    std::string strFile = std::string(GetModuleFolder()) + "Software License Agreement.rtf";
    const struct
    {
        const char* pszSheetText;
        const char* pszFileText; // null: no file beside the program
        const char* pszShown;    // what the box shows
    } kCases[] = {
        {"{\\rtf1\\ansi \\b LICENCE FROM THE CATALOGUE\\b0}", "{\\rtf1 NOT THIS FILE}", "LICENCE FROM THE CATALOGUE"},
        {"", "{\\rtf1\\ansi \\b LICENCE FROM THE FILE\\b0}", "LICENCE FROM THE FILE"},
        {"", nullptr, ""},
    };
    AfxInitRichEdit2();
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.pszShown);
        if (test.pszFileText)
            std::ofstream(strFile, std::ios::binary) << test.pszFileText;
        CPropSheet_Corvatel sheet(IDS_SHEET_CAPTION);
        sheet.m_strLicenseText = test.pszSheetText;
        RunWizard(sheet, [&](HWND hSheet) {
            SendMessageA(hSheet, PSM_SETCURSEL, kLicensePage, 0);
            ASSERT_TRUE(WaitForPage(hSheet, kLicensePage));
            HWND hPage = CurrentPage(hSheet);
            EXPECT_EQ(UiDriver::GetControlText(hPage, IDC_LICENSE_TEXT), test.pszShown);

            // Only agreement enables Next; it lasts through Next and Back; disagreeing takes it back.
            EXPECT_EQ(WizardButtons(hSheet, "B"), "B");
            EXPECT_TRUE(UiDriver::PressButton(hPage, IDC_AGREE));
            EXPECT_EQ(WizardButtons(hSheet, "BN"), "BN");
            EXPECT_TRUE(UiDriver::PressButton(hSheet, kNextButton));
            ASSERT_TRUE(WaitForPage(hSheet, kInstallPage));
            // The install page takes Back away as soon as it has looked at its queue, so whether the
            // button is still there is a race: the sheet turns back instead.
            SendMessageA(hSheet, PSM_SETCURSEL, kLicensePage, 0);
            ASSERT_TRUE(WaitForPage(hSheet, kLicensePage));
            EXPECT_EQ(WizardButtons(hSheet, "BN"), "BN");
            EXPECT_EQ(SendDlgItemMessageA(hPage, IDC_AGREE, BM_GETCHECK, 0, 0), BST_CHECKED);
            EXPECT_TRUE(UiDriver::PressButton(hPage, IDC_DISAGREE));
            EXPECT_EQ(WizardButtons(hSheet, "B"), "B");
        });
        DeleteFileA(strFile.c_str());
    }
}

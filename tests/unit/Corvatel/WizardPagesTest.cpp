// The folder and licence pages in the real sheet, worked from a second thread as a user would:
// typed folders, Next, message boxes answered by their text, the radio buttons.
#include "CorvatelApp.h"
#include "PropSheet_Corvatel.h"
#include "Utilities.h"
#include "resource.h"

#include <AfxRichEdit.h>
#include <UiDriver.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace {

const char kProgramKey[] = "SOFTWARE\\Quendar Electronics Inc.\\Quendar Corvatel";
const char kMachineKey[] = "Software\\Quendar Pages Test";
const int kBackButton = 0x3023;
const int kNextButton = 0x3024;
// With a catalogue file named on the command line: selection, folders, licence, install.
const int kFolderPage = 1;
const int kLicensePage = 2;
const int kInstallPage = 3;

// While it lives, HKEY_LOCAL_MACHINE is a private key of this test process, so the program key the
// pages write is the test's own and tests in other processes never see it.
class CPrivateMachineKey
{
public:
    CPrivateMachineKey()
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, kMachineKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_hKey);
    }
    ~CPrivateMachineKey()
    {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(m_hKey);
        RegDeleteTreeA(HKEY_CURRENT_USER, kMachineKey);
    }
    HKEY m_hKey = nullptr;
};

std::string ProgramValue(const char* pszValue)
{
    char szText[MAX_PATH] = {};
    DWORD dwSize = sizeof(szText);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kProgramKey, pszValue, RRF_RT_REG_SZ, nullptr, szText, &dwSize) != ERROR_SUCCESS)
        return "<missing>";
    return szText;
}

std::string TempFolder(const char* pszName)
{
    char szTemp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, szTemp);
    return std::string(szTemp) + pszName;
}

bool IsFolder(const std::string& strPath)
{
    DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

HWND CurrentPage(HWND hSheet)
{
    return reinterpret_cast<HWND>(SendMessageA(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int CurrentPageIndex(HWND hSheet)
{
    return static_cast<int>(SendMessageA(hSheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(CurrentPage(hSheet)), 0));
}

bool WaitUntil(const std::function<bool()>& condition)
{
    return UiDriver::WaitFor([&] { return condition() ? GetDesktopWindow() : nullptr; }) != nullptr;
}

bool WaitForPage(HWND hSheet, int nIndex)
{
    return WaitUntil([&] { return CurrentPageIndex(hSheet) == nIndex; });
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

bool HasFocus(HWND hSheet, int nControl)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(hSheet, nullptr), &info);
    return info.hwndFocus == GetDlgItem(CurrentPage(hSheet), nControl);
}

void PressNext(HWND hSheet)
{
    EXPECT_TRUE(UiDriver::PressButton(hSheet, kNextButton));
}

void SetControlText(HWND hSheet, int nControl, const std::string& strText)
{
    SetDlgItemTextA(CurrentPage(hSheet), nControl, strText.c_str());
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
    std::string strBase = TempFolder("corvatel pages test");
    std::string strDownload = strBase + "\\new\\downloads";
    std::string strInstall = strBase + "\\install root";
    std::string strBadInstall = strBase + "\\bad|name";

    CPropSheet_Corvatel sheet(IDS_SHEET_CAPTION);
    EXPECT_EQ(sheet.GetPageCount(), 4);
    RunWizard(sheet, [&](HWND hSheet) {
        // Nothing remembered: the defaults are proposed and the download folder stored at once.
        SendMessageA(hSheet, PSM_SETCURSEL, kFolderPage, 0);
        ASSERT_TRUE(WaitForPage(hSheet, kFolderPage));
        HWND hPage = CurrentPage(hSheet);
        CString strDefaultDownload = CPropSheet_Corvatel::GetDefaultDownloadFolder();
        EXPECT_STREQ(UiDriver::GetControlText(hPage, IDC_DOWNLOAD_FOLDER).c_str(), strDefaultDownload);
        EXPECT_STREQ(UiDriver::GetControlText(hPage, IDC_INSTALL_FOLDER).c_str(),
                     CPropSheet_Corvatel::GetDefaultInstallRoot());
        EXPECT_STREQ(ProgramValue("Download").c_str(), strDefaultDownload);
        EXPECT_EQ(WizardButtons(hSheet, "BN"), "BN");

        // A cancelled browse changes nothing.
        EXPECT_TRUE(UiDriver::PressButton(hPage, IDC_BROWSE_DOWNLOAD));
        HWND hBrowse = UiDriver::WaitForWindowByStaticText(
            "Please choose a folder for where the components should be downloaded");
        ASSERT_NE(hBrowse, nullptr);
        EXPECT_TRUE(UiDriver::PressButton(hBrowse, IDCANCEL));
        EXPECT_TRUE(UiDriver::WaitForWindowGone(hBrowse));
        EXPECT_STREQ(UiDriver::GetControlText(hPage, IDC_DOWNLOAD_FOLDER).c_str(), strDefaultDownload);

        // An empty folder: the default is offered; No keeps the page with that edit focused.
        SetControlText(hSheet, IDC_DOWNLOAD_FOLDER, "   ");
        PressNext(hSheet);
        std::string strQuestion = "The download folder location is empty.  Would you like " +
                                  std::string(strDefaultDownload) + " to be the default?";
        EXPECT_EQ(UiDriver::AnswerMessageBox(strQuestion.c_str(), IDNO), strQuestion);
        EXPECT_TRUE(WaitUntil([&] { return HasFocus(hSheet, IDC_DOWNLOAD_FOLDER); }));
        EXPECT_EQ(CurrentPageIndex(hSheet), kFolderPage);

        // A download folder typed with blanks is trimmed and made with its missing levels; an
        // install folder that cannot be made is named and keeps the page.
        SetControlText(hSheet, IDC_DOWNLOAD_FOLDER, "  " + strDownload + " ");
        SetControlText(hSheet, IDC_INSTALL_FOLDER, strBadInstall);
        PressNext(hSheet);
        std::string strRefusal = "The install folder cannot be be created or contains invalid characters: '" +
                                 strBadInstall + "'";
        EXPECT_EQ(UiDriver::AnswerMessageBox(strRefusal.c_str(), IDOK), strRefusal);
        EXPECT_TRUE(WaitUntil([&] { return HasFocus(hSheet, IDC_INSTALL_FOLDER); }));
        EXPECT_EQ(CurrentPageIndex(hSheet), kFolderPage);
        EXPECT_EQ(UiDriver::GetControlText(hPage, IDC_DOWNLOAD_FOLDER), strDownload);

        // Both usable: on to the licence, with "Install" last written by the page.
        SetControlText(hSheet, IDC_INSTALL_FOLDER, strInstall);
        PressNext(hSheet);
        EXPECT_TRUE(WaitForPage(hSheet, kLicensePage));
    });

    EXPECT_STREQ(sheet.m_strDownloadFolder, strDownload.c_str());
    EXPECT_STREQ(sheet.m_strInstallRoot, strInstall.c_str());
    EXPECT_STREQ(sheet.m_pSkelvar->GetDownloadPath(), strDownload.c_str());
    EXPECT_EQ(ProgramValue("Download"), strDownload);
    EXPECT_EQ(ProgramValue("Install"), strInstall);
    EXPECT_TRUE(IsFolder(strDownload));
    EXPECT_TRUE(IsFolder(strInstall));
    std::filesystem::remove_all(strBase);
}

TEST_F(WizardPagesTest, LicencePageShowsTheTextOrTheFileBesideTheProgramAndNeedsAgreement)
{
    // Longer than a rich-text box takes by default.
    std::string strLongText = "{\\rtf1\\ansi QUENDAR LICENCE IN THE CATALOGUE\\par ";
    for (int i = 0; i < 1000; ++i)
        strLongText += "Every line of this licence is here to make the text long enough.\\par ";
    strLongText += "LAST LINE}";
    std::string strFile = std::string(GetModuleFolder()) + "Software License Agreement.rtf";

    const struct
    {
        const char* pszName;
        std::string strSheetText;
        const char* pszFileText; // null: no file beside the program
        const char* pszShown;    // a line the box must show; empty: the box is empty
        size_t nMinLength;
    } kCases[] = {
        {"text from the catalogue", strLongText, "{\\rtf1 NOT THIS FILE}", "LAST LINE", 32768},
        {"file beside the program", "", "{\\rtf1\\ansi \\b LICENCE FROM THE FILE\\b0\\par}", "LICENCE FROM THE FILE", 0},
        {"neither", "", nullptr, "", 0},
    };
    AfxInitRichEdit2();
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.pszName);
        if (test.pszFileText)
            std::ofstream(strFile, std::ios::binary) << test.pszFileText;
        CPropSheet_Corvatel sheet(IDS_SHEET_CAPTION);
        sheet.m_strLicenseText = test.strSheetText.c_str();
        RunWizard(sheet, [&](HWND hSheet) {
            SendMessageA(hSheet, PSM_SETCURSEL, kLicensePage, 0);
            ASSERT_TRUE(WaitForPage(hSheet, kLicensePage));
            HWND hPage = CurrentPage(hSheet);
            std::string strShown = UiDriver::GetControlText(hPage, IDC_LICENSE_TEXT);
            EXPECT_NE(strShown.find(test.pszShown), std::string::npos) << strShown.substr(0, 200);
            EXPECT_EQ(strShown.empty(), *test.pszShown == '\0');
            EXPECT_EQ(strShown.find("rtf1"), std::string::npos);
            EXPECT_GE(strShown.size(), test.nMinLength);

            // Only agreement enables Next; it lasts through Next and Back; disagreeing takes it back.
            EXPECT_EQ(WizardButtons(hSheet, "B"), "B");
            EXPECT_TRUE(UiDriver::PressButton(hPage, IDC_AGREE));
            EXPECT_EQ(WizardButtons(hSheet, "BN"), "BN");
            PressNext(hSheet);
            ASSERT_TRUE(WaitForPage(hSheet, kInstallPage));
            EXPECT_TRUE(UiDriver::PressButton(hSheet, kBackButton));
            ASSERT_TRUE(WaitForPage(hSheet, kLicensePage));
            EXPECT_EQ(WizardButtons(hSheet, "BN"), "BN");
            EXPECT_EQ(SendDlgItemMessageA(hPage, IDC_AGREE, BM_GETCHECK, 0, 0), BST_CHECKED);
            EXPECT_TRUE(UiDriver::PressButton(hPage, IDC_DISAGREE));
            EXPECT_EQ(WizardButtons(hSheet, "B"), "B");
        });
        DeleteFileA(strFile.c_str());
    }
}

// The two setup drivers on a wizard built for "INSTALL:<folder>": the command lines they build,
// the folder a setup installs into, the response file's folder rewritten, and the result files read
// back into error texts.
#include "AppDetailsObj.h"
#include "CorvatelInstallIniObj.h"
#include "PropPage_Install.h"
#include "TestWizard.h"

#include <PrivateMachineKey.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

const char kCatalogue[] = R"(<?xml version="1.0"?>
<Products>
  <Product Id="1" Version="2.0"><Name>Quendar Studio</Name><Download>Studio.exe</Download><InstallType>1</InstallType>
    <InstallFolder>Studio</InstallFolder><StartMenuText>Quendar Studio</StartMenuText>
    <VersionPath registry="yes">HKEY_LOCAL_MACHINE\SOFTWARE\Quendar Test\Studio\InstallDir</VersionPath>
    <Dependency><Product Id="2" Version="1.0" ShowDependency="0" DisplayStartMenu="0"/></Dependency>
  </Product>
  <Product Id="2" Version="1.0"><Name>Quendar Engine</Name><Download>Engine.exe</Download><InstallType>1</InstallType>
    <InstallFolder>Engine</InstallFolder></Product>
  <Product Id="3" Version="1.5"><Name>Quendar Shield</Name><Download>drivers/Shield.exe</Download><InstallType>0</InstallType>
    <VersionPath registry="yes">HKEY_LOCAL_MACHINE\SOFTWARE\Quendar Test\Shield\InstallDir</VersionPath></Product>
  <Product Id="4" Version="1.0" DisplayStartMenu="0" StartMenuText="Tuner"><Name>Quendar Tuner</Name>
    <Download>Tuner.exe</Download><InstallType>0</InstallType></Product>
</Products>
)";

class InstallDriversTest : public ::testing::Test
{
protected:
    InstallDriversTest() : m_wizard(kCatalogue)
    {
        CPropSheet_Corvatel& sheet = m_wizard.Sheet();
        sheet.m_strDownloadFolder = m_wizard.m_strSet;
        sheet.m_pSkelvar->SetDownloadPath(m_wizard.m_strSet);
        sheet.m_strInstallRoot = "C:\\Root";
        m_pStudio = sheet.FindOrAddAppDetails(&sheet.m_vecProducts[0]);
        m_pEngine = sheet.FindOrAddAppDetails(&sheet.m_vecProducts[0].GetDependency(0));
        m_pShield = sheet.FindOrAddAppDetails(&sheet.m_vecProducts[2]);
        m_pTuner = sheet.FindOrAddAppDetails(&sheet.m_vecProducts[3]);
    }

    CPropPage_Install& Page() { return *m_wizard.Sheet().m_pPageInstall; }
    std::string Set(const char* pszName) { return std::string(m_wizard.m_strSet) + "\\" + pszName; }
    std::string Read(const std::string& strPath)
    {
        std::ifstream file(strPath, std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }
    void Write(const std::string& strPath, const std::string& strText)
    {
        std::ofstream(strPath, std::ios::binary) << strText;
    }
    // Where an installed product's folder is registered (under the test's own machine key).
    void RegisterFolder(const char* pszKey, const char* pszFolder)
    {
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, pszKey, "InstallDir", REG_SZ, pszFolder,
                        static_cast<DWORD>(strlen(pszFolder) + 1));
    }

    CTestWizard m_wizard;
    CPrivateMachineKey m_machineKey;
    CAppDetailsObj* m_pStudio;
    CAppDetailsObj* m_pEngine;
    CAppDetailsObj* m_pShield;
    CAppDetailsObj* m_pTuner;
};

TEST_F(InstallDriversTest, InnoSetupCommandLinesAndInstallFolders)
{
    const std::string strLog = Set("InnoSetup.log");
    CString strRefused;
    // Not installed: under the install root. The line ends in a blank when it has no tail.
    EXPECT_EQ(std::string(Page().BuildInnoSetupCommandLine(m_pStudio, strRefused)),
              "\"" + Set("Studio.exe") + "\" /CORVATEL=TRUE /VERYSILENT /NORESTART /DIR=\"C:\\Root\\Studio\" /LOG=\"" +
                  strLog + "\"  /STARTMENUTEXT=\"Quendar Studio\"");
    EXPECT_EQ(std::string(Page().BuildInnoSetupCommandLine(m_pEngine, strRefused)),
              "\"" + Set("Engine.exe") + "\" /CORVATEL=TRUE /VERYSILENT /NORESTART /DIR=\"C:\\Root\\Engine\" /LOG=\"" +
                  strLog + "\"  /NOSTARTMENU=TRUE");
    EXPECT_EQ(std::string(Page().BuildInnoSetupCommandLine(m_pTuner, strRefused)),
              "\"" + Set("Tuner.exe") + "\" /CORVATEL=TRUE /VERYSILENT /NORESTART /DIR=\"C:\\Root\" /LOG=\"" + strLog +
                  "\"  /STARTMENUTEXT=\"Tuner\" /NOSTARTMENU=TRUE");
    EXPECT_STREQ(strRefused, "");
    // Installed: back into its own folder, when that is on this PC.
    RegisterFolder("SOFTWARE\\Quendar Test\\Studio", "D:\\Apps\\Studio");
    EXPECT_STREQ(Page().GetInstallDir(m_pStudio), "D:\\Apps\\Studio");
    for (const char* pszRemote : {"\\\\host\\Apps\\Studio", "//?/D:/Apps/Studio", "\\??\\UNC\\host\\Apps"}) {
        RegisterFolder("SOFTWARE\\Quendar Test\\Studio", pszRemote);
        EXPECT_STREQ(Page().GetInstallDir(m_pStudio), "C:\\Root\\Studio") << pszRemote;
    }

    // A folder the catalogue names stays below the root.
    const struct
    {
        const char* pszFolder;
        bool bRefused;
    } kFolders[] = {
        {"Quendar\\Studio 2", false}, {".\\Studio", false},    {"..\\..\\Windows", true}, {"Apps/../../x", true},
        {"Apps\\. .\\x", true},     {"C:\\Windows", true},   {"D:Apps", true},            {"\\Windows", true},
        {"/Windows", true},          {"Studio\\", true},
    };
    for (const auto& test : kFolders) {
        m_pEngine->m_pProductInfo->SetInstallFolder(test.pszFolder);
        strRefused.Empty();
        EXPECT_EQ(Page().BuildInnoSetupCommandLine(m_pEngine, strRefused).IsEmpty(), test.bRefused) << test.pszFolder;
        EXPECT_STREQ(strRefused, test.bRefused ? "install folder" : "") << test.pszFolder;
    }
}

TEST_F(InstallDriversTest, ValuesThatWouldBreakOutOfTheirQuotesAreRefused)
{
    const struct
    {
        const char* pszStartMenuText;
        const char* pszFolder; // where Studio is installed
        const char* pszInnoRefused;
        const char* pszShieldRefused;
    } kCases[] = {
        {"Quendar Rack\" /DIR=\"C:\\Injected Menu", "D:\\Apps", "start-menu text", "start-menu text"},
        {"Rack\tMenu", "D:\\Apps", "start-menu text", "start-menu text"},
        {"Rack", "D:\\Apps\" /LOG=\"C:\\Elsewhere", "install folder", ""},
        // A line break would add lines to the response file too.
        {"Rack", "D:\\Apps\nMore", "install folder", "install folder"},
        {"Rack", "D:\\Apps\rMore", "install folder", "install folder"},
        // A backslash before the closing quote makes the quote part of the value.
        {"Quendar Rack\\", "D:\\Apps", "start-menu text", "start-menu text"},
        {"Rack", "D:\\Apps\\", "install folder", ""},
    };
    for (const auto& test : kCases) {
        for (CAppDetailsObj* pItem : {m_pStudio, m_pShield})
            pItem->m_pProductInfo->SetStartMenuText(test.pszStartMenuText);
        RegisterFolder("SOFTWARE\\Quendar Test\\Studio", test.pszFolder);
        RegisterFolder("SOFTWARE\\Quendar Test\\Shield", test.pszFolder);
        CString strRefused, strResponseFile;
        CString strLine = Page().BuildInnoSetupCommandLine(m_pStudio, strRefused);
        EXPECT_STREQ(strRefused, test.pszInnoRefused) << test.pszStartMenuText << test.pszFolder;
        EXPECT_STREQ(strLine, "");
        strRefused.Empty();
        strLine = Page().BuildInstallShieldCommandLine(m_pShield, strResponseFile, strRefused);
        EXPECT_STREQ(strRefused, test.pszShieldRefused) << test.pszStartMenuText;
        EXPECT_EQ(strLine.IsEmpty(), *test.pszShieldRefused != 0);
    }
    // A text the command line leaves out is not looked at.
    m_pTuner->m_pProductInfo->SetStartMenuText("Tuner\" /x");
    CString strRefused, strResponseFile;
    EXPECT_FALSE(Page().BuildInstallShieldCommandLine(m_pTuner, strResponseFile, strRefused).IsEmpty());
}

TEST_F(InstallDriversTest, InnoSetupLogsReadBackIntoErrorTextsAndRestartRequests)
{
    const struct
    {
        const char* pszLog;
        const char* pszError;
        int nReboot; // the product's flag afterwards; 7 is what it was before
    } kCases[] = {
        {"", "", 7},
        {"Process exit code: 0\r\n", "", 7},
        {"x Process exit code: 0\r\nProcess exit code: 2\r\n", "The user clicked Cancel in the wizard before the "
         "actual installation started, or chose 'No' on the opening 'This will install...' message box", 7},
        {"Process exit code: 4", "A fatal error occurred during the actual installation process", 7},
        {"Process exit code: 123", "Unknown Error", 7},
        {"Process exit code: 7\r\n", "Unknown Error", 7},
        {"Need to restart Windows?: yES\r\nProcess exit code: 0\r\n", "", 0},
        {"Need to restart Windows?: No\r\n", "", 1},
        {"Need to restart Windows?: Ye", "", 1},
    };
    for (const auto& test : kCases) {
        Write(Set("InnoSetup.log"), test.pszLog);
        m_pStudio->m_pProductInfo->SetReboot(7);
        EXPECT_STREQ(Page().ParseInnoSetupLog(m_pStudio), test.pszError) << test.pszLog;
        EXPECT_EQ(m_pStudio->m_pProductInfo->GetReboot(), test.nReboot) << test.pszLog;
    }
    DeleteFileA(Set("InnoSetup.log").c_str());
    EXPECT_STREQ(Page().ParseInnoSetupLog(m_pStudio), "Unknown Error.");
}

TEST_F(InstallDriversTest, InstallShieldCommandLinesPlayBackOrRecordTheResponseFile)
{
    const std::string strIss = Set("Shield.iss");
    EXPECT_EQ(std::string(Page().GetResponseFilePath(m_pShield)), strIss);
    EXPECT_STREQ(Page().GetRemoteResponseFilePath(m_pShield), "drivers/_iss/Shield.iss");
    EXPECT_STREQ(Page().GetRemoteResponseFilePath(m_pTuner), "_iss/Tuner.iss");

    // No response file: the setup records one, and nothing is rewritten.
    CString strResponseFile, strRefused;
    EXPECT_EQ(std::string(Page().BuildInstallShieldCommandLine(m_pShield, strResponseFile, strRefused)),
              "\"" + Set("Shield.exe") + "\"  /a /r /f1\"" + strIss + "\"");
    EXPECT_EQ(std::string(strResponseFile), strIss);
    EXPECT_TRUE(Page().m_bRecording);

    // With one it is played back, its folder moved under the root or to where the product is.
    Write(strIss, "[SdAskDestPath-0]\r\nszDir=C:\\Program Files\\Old\\Shield\r\nResult=1\r\n");
    EXPECT_EQ(std::string(Page().BuildInstallShieldCommandLine(m_pTuner, strResponseFile, strRefused)),
              "\"" + Set("Tuner.exe") + "\" ShowStartMenu=FALSE  /r /f1\"" + Set("Tuner.iss") + "\"");
    EXPECT_EQ(std::string(Page().BuildInstallShieldCommandLine(m_pShield, strResponseFile, strRefused)),
              "\"" + Set("Shield.exe") + "\"  /a /s /f1\"" + strIss + "\"");
    EXPECT_FALSE(Page().m_bRecording);
    EXPECT_EQ(Read(strIss), "[SdAskDestPath-0]\r\nszDir=C:\\Root\\Shield\r\nResult=1\r\n");
    RegisterFolder("SOFTWARE\\Quendar Test\\Shield", "D:\\Shield");
    EXPECT_TRUE(Page().SetResponseFileInstallDir(m_pShield, strIss.c_str()));
    EXPECT_EQ(Read(strIss), "[SdAskDestPath-0]\r\nszDir=D:\\Shield\r\nResult=1\r\n");
    // A value that is no text, or a folder on another machine, names no folder: under the root.
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quendar Test\\Shield", "InstallDir", REG_BINARY, "D:\\Bytes", 8);
    EXPECT_TRUE(Page().SetResponseFileInstallDir(m_pShield, strIss.c_str()));
    EXPECT_EQ(Read(strIss), "[SdAskDestPath-0]\r\nszDir=C:\\Root\\Shield\r\nResult=1\r\n");
    RegisterFolder("SOFTWARE\\Quendar Test\\Shield", "\\\\host\\share\\Net");
    EXPECT_TRUE(Page().SetResponseFileInstallDir(m_pShield, strIss.c_str()));
    EXPECT_EQ(Read(strIss), "[SdAskDestPath-0]\r\nszDir=C:\\Root\\Shield\r\nResult=1\r\n");
}

TEST_F(InstallDriversTest, ResponseFileFoldersAreReplacedOnlyRightBelowTheHeader)
{
    const std::string strIss = Set("Shield.iss");
    const struct
    {
        const char* pszBefore;
        const char* pszAfter;
    } kCases[] = {
        {"[SdAskDestPath-0]\nszDir=C:\\A\\B\n[SdAskDestPath-0]\nszDir=C:\\A\\B\n",
         "[SdAskDestPath-0]\r\nszDir=R\\B\r\n[SdAskDestPath-0]\r\nszDir=R\\B\r\n"},
        {"[SdAskDestPath-0]\r\nResult=1\r\nszDir=C:\\A\r\n", "[SdAskDestPath-0]\r\nResult=1\r\nszDir=C:\\A\r\n"},
        {"[SdAskDestPath-0]\r\nszDir=Plain", "[SdAskDestPath-0]\r\nszDir=R\\Plain"},
        {"[Other]\r\nszDir=C:\\A\r\n", "[Other]\r\nszDir=C:\\A\r\n"},
    };
    for (const auto& test : kCases) {
        Write(strIss, test.pszBefore);
        EXPECT_TRUE(Page().ReplaceResponseFileDirUnderRoot(strIss.c_str(), "SdAskDestPath-0]\nszDir=", "R"));
        EXPECT_EQ(Read(strIss), test.pszAfter) << test.pszBefore;
    }

    // A response file another program holds: the failure is logged at once and the file is left.
    Write(strIss, "[SdAskDestPath-0]\r\nszDir=C:\\A\r\n");
    HANDLE hLocked = CreateFileA(strIss.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(Page().SetResponseFileInstallDir(m_pShield, strIss.c_str()));
    CloseHandle(hLocked);
    HANDLE hReading = CreateFileA(strIss.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(Page().SetResponseFileInstallDir(m_pShield, strIss.c_str()));
    CloseHandle(hReading);
    EXPECT_EQ(Read(strIss), "[SdAskDestPath-0]\r\nszDir=C:\\A\r\n");
    std::string strLog = Read(std::string(Page().GetLogFilePath()));
    EXPECT_NE(strLog.find("  :  Error Opening Response File\n\n" + strIss + "\r\n"), std::string::npos) << strLog;
    EXPECT_NE(strLog.find("  :  Error Saving Response File\n\n" + strIss + "\r\n"), std::string::npos) << strLog;
}

TEST_F(InstallDriversTest, SetupLogResultCodesReadAsTexts)
{
    const struct
    {
        const char* pszLog;
        const char* pszError;
    } kCases[] = {
        {"[ResponseResult]\r\nResultCode=0\r\n", ""},
        {"[ResponseResult]\r\nResultCode=-3\r\n", "Required data not found in the response (.iss) file."},
        {"[ResponseResult]\r\nResultCode=-53\r\n", "Invalid option selected."},
        {"[ResponseResult]\r\nResultCode=-13\r\n", "Unknown Error"},
        {"[Other]\r\nResultCode=-1\r\n", ""},
    };
    for (const auto& test : kCases) {
        Write(Set("setup.log"), test.pszLog);
        EXPECT_STREQ(Page().ReadInstallShieldResult(), test.pszError) << test.pszLog;
    }
    DeleteFileA(Set("setup.log").c_str());
    EXPECT_STREQ(Page().ReadInstallShieldResult(), "");
}

TEST_F(InstallDriversTest, ComponentResultFilesAreReadOnceAndAskForARestartOnlyAboveZero)
{
    const struct
    {
        const char* pszReboot;
        bool bReboot;
    } kCases[] = {{"1", true}, {"0", false}, {"-1", false}, {"yes", false}};
    const std::string strFile = Set("Corvatel_Install.log");
    for (const auto& test : kCases) {
        Write(strFile, std::string("[Install]\r\nReboot=") + test.pszReboot + "\r\nErrorMessage=Disk full\r\n");
        CCorvatelInstallIniObj result(m_pStudio, m_wizard.m_strSet);
        EXPECT_TRUE(result.m_bExists);
        EXPECT_EQ(result.m_bReboot, test.bReboot) << test.pszReboot;
        EXPECT_STREQ(result.m_strInfoMessage, "");
        EXPECT_STREQ(result.m_strErrorMessage, "Disk full");
        // Gone once read: the next setup starts without it.
        EXPECT_EQ(GetFileAttributesA(strFile.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_FALSE(CCorvatelInstallIniObj(m_pStudio, m_wizard.m_strSet).m_bExists);
}

} // namespace

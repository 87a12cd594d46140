// The Windows version record and the system facts as the running wine reports them. Other
// Windows versions are seen through SysInfoProbe.exe, a copy of which the tests start under the
// version wine reports per program (HKCU\Software\Wine\AppDefaults\<exe name>, value Version).
#include <winsock2.h>

#include "SysInfo.h"
#include "Utilities.h"
#include "WindowsVersion.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>

#include <map>
#include <string>

namespace {

typedef std::map<std::string, std::string> Facts;

const char kPolicyKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
const char kDataAccessKey[] = "SOFTWARE\\Microsoft\\DataAccess";

class CComScope
{
public:
    CComScope() { EXPECT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    ~CComScope() { CoUninitialize(); }
};

CString ScratchFolder()
{
    const ::testing::TestInfo* pTest = ::testing::UnitTest::GetInstance()->current_test_info();
    char szTemp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, szTemp);
    CString strFolder;
    strFolder.Format("%sCorvatelSysInfo-%lu-%s", szTemp, GetCurrentProcessId(), pTest->name());
    strFolder.Replace('/', '-');
    CreateDirectoryA(strFolder, nullptr);
    return strFolder;
}

Facts ReadFacts(const CString& strPath)
{
    Facts facts;
    if (FILE* pFile = fopen(strPath, "r")) {
        char szLine[1024];
        while (fgets(szLine, sizeof(szLine), pFile)) {
            std::string line(szLine);
            if (!line.empty() && line.back() == '\n')
                line.pop_back();
            size_t nEquals = line.find('=');
            if (nEquals != std::string::npos)
                facts[line.substr(0, nEquals)] = line.substr(nEquals + 1);
        }
        fclose(pFile);
    }
    return facts;
}

// Runs a copy of the probe named pszExeName from its own folder under the Windows version
// wine reports for that name ("" for wine's default) and returns what it saw.
Facts RunProbe(const char* pszExeName, const char* pszWineVersion)
{
    CString strFolder = ScratchFolder();
    CString strExe = strFolder + "\\" + pszExeName;
    CString strReport = strFolder + "\\facts.txt";
    CString strAppDefaults = CString("Software\\Wine\\AppDefaults\\") + pszExeName;
    EXPECT_TRUE(CopyFileA(GetModuleFolder() + "SysInfoProbe.exe", strExe, FALSE));
    if (*pszWineVersion) {
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, strAppDefaults, "Version", REG_SZ, pszWineVersion,
                                                 static_cast<DWORD>(strlen(pszWineVersion) + 1)));
    }

    CString strCommand = "\"" + strExe + "\" \"" + strReport + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    DWORD dwExitCode = 99;
    if (CreateProcessA(nullptr, strCommand.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        GetExitCodeProcess(process.hProcess, &dwExitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    EXPECT_EQ(dwExitCode, 0u) << strCommand;
    Facts facts = ReadFacts(strReport);

    RegDeleteTreeA(HKEY_CURRENT_USER, strAppDefaults);
    DeleteFileA(strReport);
    DeleteFileA(strExe);
    RemoveDirectoryA(strFolder);
    facts["expected-folder"] = strFolder + "\\";
    return facts;
}

// A DWORD value under HKEY_LOCAL_MACHINE, put back as it was when the test ends.
class CSavedDword
{
public:
    CSavedDword(const char* pszKey, const char* pszValue) : m_pszKey(pszKey), m_pszValue(pszValue)
    {
        DWORD dwSize = sizeof(m_dwValue);
        m_bExisted = RegGetValueA(HKEY_LOCAL_MACHINE, pszKey, pszValue, RRF_RT_REG_DWORD, nullptr, &m_dwValue,
                                  &dwSize) == ERROR_SUCCESS;
    }
    ~CSavedDword()
    {
        if (m_bExisted)
            Set(m_dwValue);
        else
            Delete();
    }

    void Set(DWORD dwValue) const
    {
        EXPECT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueA(HKEY_LOCAL_MACHINE, m_pszKey, m_pszValue, REG_DWORD, &dwValue, sizeof(dwValue)));
    }
    void Delete() const { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, m_pszKey, m_pszValue); }

private:
    const char* m_pszKey;
    const char* m_pszValue;
    DWORD m_dwValue = 0;
    bool m_bExisted = false;
};

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

// ---- the running wine: Windows 7 (6.1) -------------------------------------------------------

TEST(SysInfoWindowsVersionTest, RecordIsFilledBeforeMainWithTheExtendedFields)
{
    // Nothing in this program has constructed a CWindowsVersion yet.
    ASSERT_TRUE(CWindowsVersion::IsVersionInfoValid());
    const OSVERSIONINFOEXA& info = CWindowsVersion::VersionInfo();
    EXPECT_EQ(info.dwOSVersionInfoSize, sizeof(OSVERSIONINFOEXA));
    EXPECT_EQ(info.dwMajorVersion, 6u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.wProductType, VER_NT_WORKSTATION);
    EXPECT_STREQ(info.szCSDVersion, "Service Pack 1");

    CWindowsVersion version;
    EXPECT_EQ(version.WindowsVersionCode(), CWindowsVersion::codeWindows7);
    EXPECT_STREQ(version.WindowsVersionName(), "Windows 7");
    EXPECT_FALSE(version.IsWindowsVista());
    // Only Windows 6.0 fetches the product type; none asked, none known.
    EXPECT_STREQ(version.WindowsEditionName(), "An unknown product");
}

TEST(SysInfoWindowsVersionTest, CaptionComesFromWmiOnceAndIsKept)
{
    CWindowsVersion version;
    std::string caption;
    {
        CComScope com;
        caption = static_cast<const char*>(version.WmiOsCaption());
    }
    EXPECT_NE(caption.find("Windows 7"), std::string::npos) << caption;
    EXPECT_TRUE(EndsWith(caption, " Service Pack 1")) << caption;

    // Kept: without COM on the thread a new query could not succeed.
    EXPECT_EQ(std::string(version.WmiOsCaption()), caption);
    EXPECT_EQ(&CWindowsVersion().WmiOsCaption(), &version.WmiOsCaption());
}

TEST(SysInfoTest, CollectsTheFactsOfThisMachineAndUser)
{
    CSysInfo info;
    EXPECT_EQ(info.m_bAdmin, 0);
    EXPECT_EQ(info.m_bUacEnabled, 1);
    EXPECT_EQ(info.m_bIsNT, 1);
    EXPECT_LE(_abs64(_time64(nullptr) - info.m_tCreated), 5);
    EXPECT_TRUE(info.m_strUserName.IsEmpty());

    BYTE byUac = info.CollectSystemInfo();
    EXPECT_EQ(byUac, info.m_bUacEnabled);

    const char* pszUser = getenv("USERNAME");
    ASSERT_NE(pszUser, nullptr);
    EXPECT_FALSE(info.m_strUserName.IsEmpty());
    EXPECT_STREQ(info.m_strUserName, pszUser);
    EXPECT_EQ(info.m_bAdmin != 0, IsUserAnAdmin() != FALSE);
    EXPECT_EQ(info.m_strProgramFolder, GetModuleFolder());

    EXPECT_EQ(info.m_dwMajorVersion, 6u);
    EXPECT_EQ(info.m_dwMinorVersion, 1u);
    EXPECT_EQ(info.m_dwBuildNumber, 7601u);
    EXPECT_EQ(info.m_nServicePack, 1);
    EXPECT_TRUE(EndsWith(static_cast<const char*>(info.m_strOsName), " Service Pack 1"));

    EXPECT_GE(info.m_nProcessors, 1u);
    EXPECT_FALSE(info.m_strCpuVendor.IsEmpty());
    EXPECT_FALSE(info.m_strCpuIdentifier.IsEmpty());
    EXPECT_GT(info.m_ullTotalPhys, 0u);
    EXPECT_LE(info.m_ullAvailPhys, info.m_ullTotalPhys);
    EXPECT_GT(info.m_ullTotalVirtual, 0xFFFFFFFFull); // the 64-bit counts, not the 32-bit fall-back
    EXPECT_LE(info.m_dwMemoryLoad, 100u);

    EXPECT_TRUE(info.m_bIpHlpApiLoaded);
    EXPECT_NE(info.m_pfnGetAdaptersInfo, nullptr);
    EXPECT_NE(info.m_pfnGetIfEntry, nullptr);
    EXPECT_TRUE(info.m_bPsApiLoaded);
    EXPECT_NE(info.m_pfnGetProcessMemoryInfo, nullptr);
    EXPECT_TRUE(info.m_bSnmpInitialised);
}

TEST(SysInfoTest, DataAccessVersionPrefersTheFullInstallVersion)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDataAccessKey, 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
        RegCloseKey(hKey);
        GTEST_SKIP() << "this prefix has its own data-access key";
    }
    const char szVersion[] = "2.81.1117.0";
    const char szFull[] = "6.3.9600";
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueA(HKEY_LOCAL_MACHINE, kDataAccessKey, "Version", REG_SZ, szVersion, sizeof(szVersion)));
    {
        CSysInfo info;
        info.CollectSystemInfo();
        EXPECT_EQ(info.m_nMdacVersion[0], 0);
        EXPECT_EQ(info.m_nMdacVersion[1], 1117);
        EXPECT_EQ(info.m_nMdacVersion[2], 81);
        EXPECT_EQ(info.m_nMdacVersion[3], 2);
    }
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueA(HKEY_LOCAL_MACHINE, kDataAccessKey, "FullInstallVer", REG_SZ, szFull, sizeof(szFull)));
    {
        // Three parts scan; the fourth keeps its value.
        CSysInfo info;
        info.CollectSystemInfo();
        EXPECT_EQ(info.m_nMdacVersion[0], 0);
        EXPECT_EQ(info.m_nMdacVersion[1], 9600);
        EXPECT_EQ(info.m_nMdacVersion[2], 3);
        EXPECT_EQ(info.m_nMdacVersion[3], 6);
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kDataAccessKey);
}

TEST(SysInfoTest, LibrariesAndWinsockAreHeldForTheObjectsLife)
{
    ASSERT_EQ(GetModuleHandleA("inetmib1.dll"), nullptr);
    {
        CSysInfo info;
        EXPECT_NE(GetModuleHandleA("inetmib1.dll"), nullptr);
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        EXPECT_NE(s, INVALID_SOCKET);
        closesocket(s);

        info.CollectSystemInfo();
        EXPECT_NE(GetModuleHandleA("psapi.dll"), nullptr);
        EXPECT_NE(GetModuleHandleA("iphlpapi.dll"), nullptr);
    }
    EXPECT_EQ(GetModuleHandleA("inetmib1.dll"), nullptr);

    // Winsock's use count is back where it was: nothing started, so nothing works.
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);

    // A user of its own keeps Winsock after the object has gone.
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    { CSysInfo info; }
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(s, INVALID_SOCKET);
    closesocket(s);
    WSACleanup();
}

// ---- other Windows versions, through the probe -----------------------------------------------

struct ProbeCase
{
    const char* pszWineVersion;
    unsigned nCode;
    const char* pszName;
    const char* pszOsName;
    int nServicePack;
    int bNT;
};

void PrintTo(const ProbeCase& c, std::ostream* pOut)
{
    *pOut << c.pszWineVersion;
}

class SysInfoProbeTest : public ::testing::TestWithParam<ProbeCase>
{
};

TEST_P(SysInfoProbeTest, VersionCodeNameAndSystemName)
{
    const ProbeCase& c = GetParam();
    Facts facts = RunProbe((std::string("SysInfoProbe-") + c.pszWineVersion + ".exe").c_str(), c.pszWineVersion);
    ASSERT_FALSE(facts["code"].empty()) << "the probe reported nothing";

    EXPECT_EQ(facts["code"], std::to_string(c.nCode)) << facts["version"];
    EXPECT_EQ(facts["name"], c.pszName);
    EXPECT_EQ(facts["vista"], "0");
    EXPECT_EQ(facts["osname"], c.pszOsName);
    EXPECT_EQ(facts["servicepack"], std::to_string(c.nServicePack));
    EXPECT_EQ(facts["nt"], std::to_string(c.bNT));
    // The 9x family has no groups: everyone is an administrator there.
    EXPECT_EQ(facts["admin"], "1");
    EXPECT_EQ(facts["psapi"], std::to_string(c.bNT));
    EXPECT_EQ(facts["folder"], facts["expected-folder"]);
    EXPECT_FALSE(facts["user"].empty());
}

// Names and service-pack texts are those of wine's own version table.
INSTANTIATE_TEST_SUITE_P(
    WineVersions, SysInfoProbeTest,
    ::testing::Values(ProbeCase{"win95", 1, "Windows 95", "Windows 95", 0, 0},
                      // Wine's 98 is build 2222, the second edition; its service-pack text follows unspaced.
                      ProbeCase{"win98", 6, "Windows 98 SE", "Windows 98 A ", 0, 0},
                      ProbeCase{"winme", 7, "Windows ME", "Windows ME ", 0, 0},
                      // Service pack 6 has the extended record, so the product type is added.
                      ProbeCase{"nt40", 102, "Windows NT 4", "Windows NT 4.0 Workstation Service Pack 6a", 6, 1},
                      ProbeCase{"win2k", 103, "Windows 2000", "Windows 2000 Professional Service Pack 4", 4, 1},
                      ProbeCase{"winxp", 104, "Windows XP", "Windows XP Professional Edition Service Pack 3", 3, 1},
                      ProbeCase{"win2003", 105, "Windows Server 2003", " Server Service Pack 2", 2, 1},
                      ProbeCase{"win10", 0, "unknown Windows version", "", 0, 1}),
    [](const ::testing::TestParamInfo<ProbeCase>& info) { return std::string(info.param.pszWineVersion); });

TEST(SysInfoProbeTest, WindowsServer2008IsVersion6WithItsEdition)
{
    Facts facts = RunProbe("SysInfoProbe-win2008.exe", "win2008");
    EXPECT_EQ(facts["version"].substr(0, 4), "6.0.");
    EXPECT_EQ(facts["code"], "106");
    EXPECT_EQ(facts["vista"], "1");
    EXPECT_EQ(facts["name"], "Windows Vista");
    EXPECT_EQ(facts["producttype"], "7");
    EXPECT_EQ(facts["edition"], "Server Standard Edition (full installation)");
}

// Windows 6.0 is the one version whose header shows the UAC setting: it comes from EnableLUA.
TEST(SysInfoProbeTest, WindowsVistaSeesItsEditionAndTheUacPolicy)
{
    CSavedDword enableLua(kPolicyKey, "EnableLUA");
    const struct
    {
        int nValue; // -1: no value at all
        const char* pszUac;
    } steps[] = {{1, "1"}, {0, "0"}, {-1, "0"}, {2, "1"}};

    for (const auto& step : steps) {
        SCOPED_TRACE(step.nValue);
        if (step.nValue < 0)
            enableLua.Delete();
        else
            enableLua.Set(static_cast<DWORD>(step.nValue));

        Facts facts = RunProbe("SysInfoProbe.exe", "vista");
        EXPECT_EQ(facts["version"].substr(0, 4), "6.0.");
        EXPECT_EQ(facts["code"], "106");
        EXPECT_EQ(facts["vista"], "1");
        EXPECT_EQ(facts["name"], "Windows Vista");
        // Wine's workstation product type is 28, past the end of the edition table: no edition text.
        EXPECT_EQ(facts["producttype"], "28");
        EXPECT_EQ(facts["edition"], "");
        EXPECT_EQ(facts["uac"], step.pszUac);
    }
}

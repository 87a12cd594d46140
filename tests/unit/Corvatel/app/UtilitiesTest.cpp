// The program-wide helpers on real files, registry keys, processes and message queues of the
// test's own wine prefix.
#include "Utilities.h"

#include <CFile.h>

#include <gtest/gtest.h>

#include <io.h>
#include <stdio.h>

#include <string>

namespace {

std::string TestName()
{
    const ::testing::TestInfo* pTest = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(pTest->test_suite_name()) + "." + pTest->name();
}

// A folder of the running test's own under the temp folder: ctest runs tests side by side.
class CScratchFolder
{
public:
    CScratchFolder()
    {
        char szTemp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, szTemp);
        m_strPath.Format("%sCorvatelUtilities-%lu-%s", szTemp, GetCurrentProcessId(), TestName().c_str());
        EXPECT_TRUE(CreateDirectoryA(m_strPath, nullptr)) << m_strPath;
    }
    ~CScratchFolder()
    {
        WIN32_FIND_DATAA found;
        HANDLE hFind = FindFirstFileA(m_strPath + "\\*", &found);
        for (BOOL bMore = hFind != INVALID_HANDLE_VALUE; bMore; bMore = FindNextFileA(hFind, &found)) {
            SetFileAttributesA(Path(found.cFileName), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(Path(found.cFileName));
        }
        if (hFind != INVALID_HANDLE_VALUE)
            FindClose(hFind);
        RemoveDirectoryA(m_strPath);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const CString& Root() const { return m_strPath; }
    CString Path(const char* pszName) const { return m_strPath + "\\" + pszName; }

    CString Write(const char* pszName, const char* pszText) const
    {
        CString strPath = Path(pszName);
        FILE* pFile = fopen(strPath, "w");
        EXPECT_NE(pFile, nullptr) << strPath;
        if (pFile) {
            fputs(pszText, pFile);
            fclose(pFile);
        }
        return strPath;
    }

private:
    CString m_strPath;
};

bool Exists(const CString& strPath)
{
    return _access(strPath, 0) == 0;
}

std::string ReadAll(const CString& strPath)
{
    std::string text;
    if (FILE* pFile = fopen(strPath, "r")) {
        char szLine[1024];
        while (fgets(szLine, sizeof(szLine), pFile))
            text += szLine;
        fclose(pFile);
    }
    return text;
}

bool WaitForFile(const CString& strPath, DWORD dwTimeout)
{
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < dwTimeout; Sleep(50))
        if (Exists(strPath))
            return true;
    return false;
}

CString BesideTest(const char* pszName)
{
    return GetModuleFolder() + pszName;
}

} // namespace

// ---- paths ----------------------------------------------------------------------------------

struct PathCase
{
    const char* pszPath;
    const char* pszFolder;
    const char* pszName;
    const char* pszTitle;
};

TEST(UtilitiesPathTest, SplitsDriveFolderNameAndExtension)
{
    const PathCase cases[] = {
        {"C:\\Quendar\\Setup\\setup.exe", "C:\\Quendar\\Setup\\", "setup.exe", "setup"},
        {"C:\\Quendar\\Setup\\", "C:\\Quendar\\Setup\\", "", ""},
        {"C:\\Quendar\\Setup", "C:\\Quendar\\", "Setup", "Setup"},
        {"setup.exe", "", "setup.exe", "setup"},
        {"README", "", "README", "README"},
        {"", "", "", ""},
        {"C:", "C:", "", ""},
        {"C:\\", "C:\\", "", ""},
        {"C:setup.exe", "C:", "setup.exe", "setup"},
        {"\\\\server\\share\\archive.tar.gz", "\\\\server\\share\\", "archive.tar.gz", "archive.tar"},
        {"C:\\version.1\\notes", "C:\\version.1\\", "notes", "notes"},
        {"D:/downloads/Corvatel.log", "D:/downloads/", "Corvatel.log", "Corvatel"},
        {"C:\\Quendar\\.profile", "C:\\Quendar\\", ".profile", ""},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.pszPath);
        EXPECT_STREQ(GetFolderFromPath(c.pszPath), c.pszFolder);
        EXPECT_STREQ(GetFileNameFromPath(c.pszPath), c.pszName);
        EXPECT_STREQ(GetFileTitleFromPath(c.pszPath), c.pszTitle);
    }
    EXPECT_STREQ(GetFolderFromPath(nullptr), "");
}

TEST(UtilitiesPathTest, PartsLongerThanAFileSystemNameComeBackWhole)
{
    const CString strFolder = "C:\\" + CString('f', 300) + "\\";
    const CString strTitle = CString('n', 400);
    const CString strExtension = "." + CString('e', 300);
    const CString strPath = strFolder + strTitle + strExtension;

    EXPECT_EQ(GetFolderFromPath(strPath), strFolder);
    EXPECT_EQ(GetFileNameFromPath(strPath), strTitle + strExtension);
    EXPECT_EQ(GetFileTitleFromPath(strPath), strTitle);
}

TEST(UtilitiesPathTest, TrailingBackslashIsAddedOnce)
{
    EXPECT_STREQ(AddTrailingBackslash("C:\\Downloads"), "C:\\Downloads\\");
    EXPECT_STREQ(AddTrailingBackslash("C:\\Downloads\\"), "C:\\Downloads\\");
    EXPECT_STREQ(AddTrailingBackslash(""), "\\");
    EXPECT_STREQ(AddTrailingBackslash("C:"), "C:\\");
}

TEST(UtilitiesPathTest, ModuleFolderHoldsTheRunningProgram)
{
    CString strPath = GetModuleFilePath();
    CString strFolder = GetModuleFolder();
    EXPECT_STREQ(GetFileNameFromPath(strPath), "CorvatelTests.exe");
    EXPECT_EQ(strFolder + "CorvatelTests.exe", strPath);
    EXPECT_TRUE(Exists(strPath));
}

// ---- registry -------------------------------------------------------------------------------

class UtilitiesRegistryTest : public ::testing::Test
{
protected:
    UtilitiesRegistryTest() : m_strKey(("Software\\Quendar Test\\" + TestName()).c_str()) {}
    ~UtilitiesRegistryTest() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, m_strKey); }

    void SetRaw(const char* pszValue, DWORD dwType, const void* pData, DWORD cbData)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, m_strKey, pszValue, dwType, pData, cbData));
    }

    CString m_strKey;
};

TEST_F(UtilitiesRegistryTest, ReadsTheValueOrFallsBackToTheDefault)
{
    const char szFolder[] = "D:\\Programs";
    SetRaw("ProgramFilesDir", REG_SZ, szFolder, sizeof(szFolder));

    EXPECT_STREQ(ReadRegistryString(m_strKey, "ProgramFilesDir", "C:\\Program Files"), "D:\\Programs");
    EXPECT_STREQ(ReadRegistryString(m_strKey, "Missing", "C:\\Program Files"), "C:\\Program Files");
    EXPECT_STREQ(ReadRegistryString(m_strKey + "\\Missing", "ProgramFilesDir", "fallback"), "fallback");
}

TEST_F(UtilitiesRegistryTest, TextStoredWithoutItsZeroEndsWhereItsBytesEnd)
{
    // Stored by a writer that left out the terminating zero; the rest of the buffer is not read.
    SetRaw("NoZero", REG_SZ, "C:\\Apps", 7);
    EXPECT_STREQ(ReadRegistryString(m_strKey, "NoZero", "default"), "C:\\Apps");

    const CString strLongest('x', 259);
    SetRaw("Longest", REG_SZ, static_cast<const char*>(strLongest), strLongest.GetLength() + 1);
    EXPECT_EQ(ReadRegistryString(m_strKey, "Longest", "default"), strLongest);

    // Too long for the value buffer: the default, never a cut-off text.
    const CString strTooLong('y', 300);
    SetRaw("TooLong", REG_SZ, static_cast<const char*>(strTooLong), strTooLong.GetLength() + 1);
    EXPECT_STREQ(ReadRegistryString(m_strKey, "TooLong", "default"), "default");
}

// ---- files ----------------------------------------------------------------------------------

TEST(UtilitiesFileTest, DeleteFileIfExistsRemovesReadOnlyFilesAndIgnoresMissingOnes)
{
    CScratchFolder folder;
    CString strLocked = folder.Write("locked.log", "old log");
    ASSERT_TRUE(SetFileAttributesA(strLocked, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

    EXPECT_EQ(DeleteFileIfExists(strLocked), 1);
    EXPECT_FALSE(Exists(strLocked));

    EXPECT_EQ(DeleteFileIfExists(folder.Path("never-there.exe")), 1);
    EXPECT_EQ(DeleteFileIfExists(""), 1);
}

TEST(UtilitiesFileTest, RenameFileMovesOrSaysWhyItLeftBothNamesAlone)
{
    CScratchFolder folder;
    CString strPart = folder.Write("setup.exe.part", "downloaded");
    CString strFinal = folder.Path("setup.exe");

    EXPECT_EQ(RenameFile(strPart, strFinal), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(Exists(strPart));
    EXPECT_EQ(ReadAll(strFinal), "downloaded");

    CString strOther = folder.Write("other.part", "other");
    EXPECT_EQ(RenameFile(strOther, strFinal), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ReadAll(strFinal), "other");

    // A target another program holds open, without sharing its deletion, stays as it is.
    CString strNewer = folder.Write("newer.part", "newer");
    HANDLE hHeld = CreateFileA(strFinal, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RenameFile(strNewer, strFinal), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(hHeld);
    EXPECT_EQ(ReadAll(strFinal), "other");
    EXPECT_EQ(ReadAll(strNewer), "newer");

    EXPECT_EQ(RenameFile(folder.Path("missing.part"), folder.Path("missing.exe")),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(UtilitiesFileTest, FailedReadsAndThingsThatAreNoFileAreToldApart)
{
    CScratchFolder folder;
    CString strText = "stale";
    CFile empty;
    ASSERT_TRUE(empty.Open(folder.Write("empty.log", ""), CFile::modeRead));
    EXPECT_TRUE(ReadFileText(empty, strText));
    EXPECT_STREQ(strText, "");
    // Open, but not for reading: its bytes are there and none come back.
    CFile writeOnly;
    ASSERT_TRUE(writeOnly.Open(folder.Write("InnoSetup.log", "Process exit code: 4"), CFile::modeWrite));
    EXPECT_FALSE(ReadFileText(writeOnly, strText));

    EXPECT_TRUE(IsRegularFile(folder.Path("empty.log")));
    EXPECT_FALSE(IsRegularFile(folder.Root()));
    EXPECT_FALSE(IsRegularFile(folder.Path("NUL.exe")));
    EXPECT_FALSE(IsRegularFile(folder.Path("missing.exe")));
}

TEST(UtilitiesNameTest, DevicesAndProgramsAreToldFromDocuments)
{
    const struct
    {
        const char* pszName;
        bool bDevice;
        bool bDocument;
    } kCases[] = {
        {"Notes.rtf", false, true},        {"Studio 2.0 notes.PDF", false, true}, {"NUL", true, false},
        {"nul.exe", true, false},          {"Com7.tar.gz", true, false},          {"LPT1 .txt", true, false},
        {"CONOUT$", true, false},          {"COM10.txt", false, true},            {"Console.txt", false, true},
        {"Notes.exe", false, false},       {"Notes.Lnk", false, false},           {"Notes.exe.", false, false},
        {"Notes.bat ", false, false},      {"..", false, false},                  {"..\\Notes.rtf", false, false},
        {"docs/Notes.rtf", false, false},  {"C:Notes.rtf", false, false},         {"Notes.rtf:run.exe", false, false},
        {"Notes", false, false},           {"", false, false},
        // Port numbers start at 0, and a colon ends the device's name as a dot does.
        {"COM0", true, false},             {"lpt0.txt", true, false},             {"Com1:", true, false},
        // Superscript port numbers (code page 1252) are devices as well.
        {"COM\xB9", true, false},          {"lpt\xB2.txt", true, false},         {"Com\xB3.pdf", true, false},
        // Only document types open: whatever else the shell would run or follow is refused.
        {"Notes.DOCX", false, true},       {"Notes.html", false, true},           {"Notes.xps", false, true},
        {"Notes.chm", false, false},       {"Notes.pyw", false, false},           {"Notes.settingcontent-ms", false, false},
        {"Notes.appref-ms", false, false}, {"Notes.iso", false, false},           {"Notes.tar.gz", false, false},
    };
    for (const auto& test : kCases) {
        EXPECT_EQ(IsReservedDeviceName(test.pszName), test.bDevice) << test.pszName;
        EXPECT_EQ(IsPlainDocumentName(test.pszName), test.bDocument) << test.pszName;
    }
}

TEST(UtilitiesNameTest, OnlyAWebAddressIsOpened)
{
    const struct
    {
        const char* pszAddress;
        bool bWeb;
    } kCases[] = {
        {"https://download.quendar.example/corvatel/", true},
        {"HTTP://download.quendar.example/setup.exe?a=1&b=2", true},
        {"C:\\Windows\\System32\\cmd.exe", false},
        {"\\\\host\\share\\setup.exe", false},
        {"file:///C:/Windows/System32/cmd.exe", false},
        {"ms-msdt:/id PCWDiagnostic", false},
        {"https:\\\\host\\share", false},
        {"https:///C:/Windows", false},
        {"http://", false},
        {"https://host/a b", false},
        {"https://host/\"a", false},
        {"https://host/\ta", false},
        {" https://host/", false},
        {"", false},
    };
    for (const auto& test : kCases)
        EXPECT_EQ(IsWebAddress(test.pszAddress), test.bWeb) << test.pszAddress;
}

// ---- processes ------------------------------------------------------------------------------

class UtilitiesRunCommandLineTest : public ::testing::Test
{
protected:
    // The child sleeps, then reports its working folder and show state into the report file.
    CString ChildCommand(DWORD dwSleep, const char* pszReport) const
    {
        CString strCommand;
        strCommand.Format("\"%s\" %lu \"%s\"", static_cast<const char*>(BesideTest("ChildProcess.exe")), dwSleep,
                          pszReport);
        return strCommand;
    }

    CScratchFolder m_folder;
};

TEST_F(UtilitiesRunCommandLineTest, WaitsForTheChildInItsWorkingFolder)
{
    // A relative report name lands in the working folder given.
    EXPECT_EQ(RunCommandLine(ChildCommand(300, "report.txt"), m_folder.Root(), INFINITE, true, true), 0);

    std::string report = ReadAll(m_folder.Path("report.txt"));
    EXPECT_NE(report.find("folder=" + std::string(m_folder.Root()) + "\n"), std::string::npos) << report;
    EXPECT_NE(report.find("show=0\n"), std::string::npos) << report; // SW_HIDE
}

// The child sleeps long enough that a report found on return would mean it had been waited for.
TEST_F(UtilitiesRunCommandLineTest, WithoutWaitReturnsWhileTheChildRunsOn)
{
    CString strReport = m_folder.Path("report.txt");
    EXPECT_EQ(RunCommandLine(ChildCommand(4000, strReport), m_folder.Root(), INFINITE, false, false), 0);
    EXPECT_FALSE(Exists(strReport));

    ASSERT_TRUE(WaitForFile(strReport, 30000));
    EXPECT_NE(ReadAll(strReport).find("show=5\n"), std::string::npos); // SW_SHOW
}

TEST_F(UtilitiesRunCommandLineTest, WaitEndsAtTheTimeOutAndLeavesTheChildRunning)
{
    CString strReport = m_folder.Path("report.txt");
    EXPECT_EQ(RunCommandLine(ChildCommand(4000, strReport), "", 200, true, true), 0);
    EXPECT_FALSE(Exists(strReport));
    ASSERT_TRUE(WaitForFile(strReport, 30000));
}

TEST_F(UtilitiesRunCommandLineTest, CommandThatDoesNotStartGivesOne)
{
    EXPECT_EQ(RunCommandLine(m_folder.Path("no-such-setup.exe"), "", INFINITE, true, true), 1);
    EXPECT_EQ(RunCommandLine(ChildCommand(0, "report.txt"), m_folder.Path("no-such-folder"), INFINITE, true, true), 1);
}

TEST(UtilitiesProgramCommandTest, OnlyAFileOfTheFolderRunsWithTheArgumentsOfItsOwnText)
{
    // "%R" is a folder holding Oscar.exe.
    CScratchFolder folder;
    folder.Write("Oscar.exe", "");
    const struct
    {
        const char* pszFolder;
        const char* pszProgram;
        const char* pszCommand; // empty: refused
    } kCases[] = {
        {"%R", "Oscar.exe", "\"%R\\Oscar.exe\""},
        {"%R\\", "Oscar.exe /quiet \"a b\"", "\"%R\\Oscar.exe\" /quiet \"a b\""},
        // A folder text that resolves to the folder ("/c" is a step too), but carries a command.
        {"%R\\cmd.exe /c echo owned > owned.txt & rem \\..\\..", "Oscar.exe", ""},
        {"%R\\.", "Oscar.exe", ""},
        {"%R\\Oscar.exe", "Oscar.exe", ""},
        {"%R\\Missing", "Oscar.exe", ""},
        {"\\\\host\\share", "Oscar.exe", ""},
        {"Quendar", "Oscar.exe", ""},
        {"", "Oscar.exe", ""},
        {"%R", "Missing.exe", ""},
        {"%R", "..\\Oscar.exe", ""},
        {"%R", "C:Oscar.exe", ""},
        {"%R", "NUL.exe", ""},
        {"%R", "", ""},
    };
    for (const auto& test : kCases) {
        CString strFolder = test.pszFolder, strExpected = test.pszCommand, strWhy;
        strFolder.Replace("%R", folder.Root());
        strExpected.Replace("%R", folder.Root());
        EXPECT_STREQ(BuildProgramCommandLine(strFolder, test.pszProgram, strWhy), strExpected)
            << strFolder << " + " << test.pszProgram;
        EXPECT_EQ(strWhy.IsEmpty(), !strExpected.IsEmpty()) << strWhy;
    }
}

// ---- messages -------------------------------------------------------------------------------

namespace {

int g_nDispatched;

LRESULT CALLBACK CountingWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_USER + 1)
        ++g_nDispatched;
    return DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

HWND CreateCountingWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CorvatelPumpTest";
    RegisterClassA(&wc);
    return CreateWindowA("CorvatelPumpTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

} // namespace

TEST(UtilitiesMessagePumpTest, DispatchesWhatWaitsAndLeavesTheQuitRequest)
{
    HWND hWnd = CreateCountingWindow();
    ASSERT_NE(hWnd, nullptr);
    g_nDispatched = 0;
    for (int i = 0; i < 3; ++i)
        PostMessageA(hWnd, WM_USER + 1, 0, 0);

    PumpWaitingMessages(nullptr);
    EXPECT_EQ(g_nDispatched, 3);

    // A quit request met while pumping still reaches the thread's own loop.
    PostQuitMessage(7);
    PumpWaitingMessages(nullptr);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    DestroyWindow(hWnd);
}

// ---- owning lists ---------------------------------------------------------------------------

namespace {

class CCountedItem : public CObject
{
public:
    explicit CCountedItem(int& nDeleted) : m_nDeleted(nDeleted) {}
    ~CCountedItem() override { ++m_nDeleted; }

private:
    int& m_nDeleted;
};

// Deleted through the base's virtual destructor, its own members must go too.
class CDerivedItem : public CCountedItem
{
public:
    CDerivedItem(int& nDeleted, int& nDerivedDeleted) : CCountedItem(nDeleted), m_nDerivedDeleted(nDerivedDeleted) {}
    ~CDerivedItem() override { ++m_nDerivedDeleted; }

private:
    int& m_nDerivedDeleted;
};

} // namespace

TEST(UtilitiesObListTest, DeletesEveryObjectThroughItsOwnDestructorAndEmptiesTheList)
{
    int nDeleted = 0;
    int nDerivedDeleted = 0;
    CObList list;
    list.AddTail(new CCountedItem(nDeleted));
    list.AddTail(nullptr);
    list.AddTail(new CDerivedItem(nDeleted, nDerivedDeleted));
    list.AddTail(new CDerivedItem(nDeleted, nDerivedDeleted));

    DeleteObListItems(&list);
    EXPECT_EQ(nDeleted, 3);
    EXPECT_EQ(nDerivedDeleted, 2);
    EXPECT_TRUE(list.IsEmpty());

    DeleteObListItems(&list);
    DeleteObListItems(nullptr);
    EXPECT_EQ(nDeleted, 3);
}

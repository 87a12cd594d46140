// The program log: its line format, what reaches the file and when, and several threads at once.
#include "PropPage_Install.h"
#include "TestWizard.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Mixer's file is looked for in a folder of the test's tree.
const char kCatalogue[] = R"(<?xml version="1.0"?>
<Products><Product Id="1" Version="1.0"><Name>Quendar Mixer</Name><Download>Mixer.exe</Download>
  <VersionModule>QMixer.dll</VersionModule><VersionPath>%TREE%\Full</VersionPath></Product></Products>
)";

class ProgramLogTest : public ::testing::Test
{
protected:
    ProgramLogTest() : m_wizard(kCatalogue)
    {
        m_strFolder = m_wizard.m_tree.MakeFolder("downloads");
        m_wizard.Sheet().m_pSkelvar->SetDownloadPath(m_strFolder);
    }

    CPropPage_Install& Page() { return *m_wizard.Sheet().m_pPageInstall; }

    // The file's lines without their stamps; "<missing>" when there is no file.
    std::vector<std::string> FileTexts()
    {
        std::ifstream file(static_cast<LPCSTR>(Page().GetLogFilePath()), std::ios::binary);
        if (!file)
            return {"<missing>"};
        std::stringstream content;
        content << file.rdbuf();
        std::string strAll = content.str();
        static const std::regex kLine(R"((\d\d)/(\d\d)/(\d{4}) (\d\d):(\d\d):(\d\d)  :  ([^\r\n]*)\r\n)");
        std::vector<std::string> texts;
        std::smatch match;
        while (std::regex_search(strAll, match, kLine, std::regex_constants::match_continuous)) {
            texts.push_back(match[7]);
            strAll = match.suffix();
        }
        EXPECT_EQ(strAll, "") << "a line that is not in the log's format";
        return texts;
    }

    CTestWizard m_wizard;
    CString m_strFolder;
};

TEST_F(ProgramLogTest, StatusLinesWaitInMemoryForTheNextWrittenLine)
{
    EXPECT_STREQ(Page().GetLogFilePath(), m_strFolder + "\\Corvatel.log");
    EXPECT_EQ(FileTexts(), std::vector<std::string>{"<missing>"});

    Page().WriteLogLine("Begin Download Files", true);
    Page().WriteLogLine("Downloaded.:  Quendar Mixer", false);
    EXPECT_EQ(FileTexts(), std::vector<std::string>{"Begin Download Files"});

    Page().WriteLogLine("Finished", true);
    EXPECT_EQ(FileTexts(), (std::vector<std::string>{"Begin Download Files", "Downloaded.:  Quendar Mixer", "Finished"}));

    // The stamp is today's local date and time.
    SYSTEMTIME now;
    GetLocalTime(&now);
    char szDate[16];
    sprintf(szDate, "%02d/%02d/%04d ", now.wMonth, now.wDay, now.wYear);
    std::ifstream file(static_cast<LPCSTR>(Page().GetLogFilePath()));
    std::string strFirst;
    std::getline(file, strFirst);
    EXPECT_EQ(strFirst.substr(0, 11), szDate);
}

TEST_F(ProgramLogTest, AFileThatCannotBeWrittenCatchesUpLater)
{
    Page().WriteLogLine("Begin Download and Install Files", true);
    HANDLE hLock = CreateFileA(Page().GetLogFilePath(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hLock, INVALID_HANDLE_VALUE);
    Page().WriteLogLine("Canceled", true);
    CloseHandle(hLock);
    EXPECT_EQ(FileTexts(), std::vector<std::string>{"Begin Download and Install Files"});

    Page().WriteLogLine("Finished", true);
    EXPECT_EQ(FileTexts(), (std::vector<std::string>{"Begin Download and Install Files", "Canceled", "Finished"}));

    // A download folder that does not exist: the lines stay in memory, nothing is shown.
    m_wizard.Sheet().m_pSkelvar->SetDownloadPath(m_strFolder + "\\missing");
    Page().WriteLogLine("Finished", true);
    EXPECT_EQ(FileTexts(), std::vector<std::string>{"<missing>"});
}

TEST_F(ProgramLogTest, AFileChangedOrMovedSinceTheLastWriteGetsEveryLineAgain)
{
    Page().WriteLogLine("Begin Download Files", true);
    // Another program empties the file.
    std::ofstream(static_cast<LPCSTR>(Page().GetLogFilePath()), std::ios::binary | std::ios::trunc).close();
    Page().WriteLogLine("Canceled", true);
    EXPECT_EQ(FileTexts(), (std::vector<std::string>{"Begin Download Files", "Canceled"}));

    m_wizard.Sheet().m_pSkelvar->SetDownloadPath(m_wizard.m_tree.MakeFolder("elsewhere"));
    Page().WriteLogLine("Finished", true);
    EXPECT_EQ(FileTexts(), (std::vector<std::string>{"Begin Download Files", "Canceled", "Finished"}));
}

TEST_F(ProgramLogTest, ANameWithLineBreaksCannotForgeALine)
{
    CString strName = "Quendar\r\n01/02/2024 10:00:00  :  Installed.:  Quendar Mixer\nX\rY";
    Page().WriteLogLine("Downloaded.:  " + strName, true);
    // A message of our own keeps its lines; the name it quotes does not.
    Page().WriteLogMessage("did not install:\n\n     " + CPropPage_Install::OneLine(strName) + "\n", true);
    std::ifstream file(static_cast<LPCSTR>(Page().GetLogFilePath()), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    const std::string strFlat = "Quendar  01/02/2024 10:00:00  :  Installed.:  Quendar Mixer X Y";
    EXPECT_EQ(std::regex_replace(content.str(), std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d  :  (Downloaded|did))"), "$1"),
              "Downloaded.:  " + strFlat + "\r\ndid not install:\n\n     " + strFlat + "\n\r\n");
}

TEST_F(ProgramLogTest, SearchesStoppedAtTheLoadsBoundAreLoggedOnce)
{
    const int kEntries = 1000;
    m_wizard.m_tree.MakeFullFolder("Full", kEntries);
    CPropSheet_Corvatel& sheet = m_wizard.Sheet();
    for (size_t n = 0; n < CSkelvar::kMaxSearchEntries / kEntries + 2; ++n)
        sheet.IsProductNew(&sheet.m_vecProducts[0]);
    Page().WriteLogLine("Finished", true);
    EXPECT_EQ(FileTexts(), (std::vector<std::string>{"The search for installed files stopped at Quendar Mixer after "
                                                     "200000 folder entries: products whose file is not where the "
                                                     "catalogue says count as not installed",
                                                     "Finished"}));
}

TEST_F(ProgramLogTest, LinesFromSeveralThreadsArriveWholeAndInTheirOrder)
{
    const int kThreads = 4, kLines = 150;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([this, t] {
            for (int i = 0; i < kLines; ++i) {
                CString strText;
                strText.Format("thread %d line %03d", t, i);
                Page().WriteLogLine(strText, i % 10 == 0);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    Page().WriteLogLine("Finished", true);

    std::vector<std::string> texts = FileTexts();
    ASSERT_EQ(texts.size(), static_cast<size_t>(kThreads * kLines + 1));
    std::vector<int> next(kThreads, 0);
    for (size_t i = 0; i + 1 < texts.size(); ++i) {
        int t = texts[i][7] - '0';
        char szExpected[32];
        sprintf(szExpected, "thread %d line %03d", t, next[t]++);
        EXPECT_EQ(texts[i], szExpected);
    }
}

} // namespace

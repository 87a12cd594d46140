#include "CommandLineInfo_Corvatel.h"
#include "DirectoryExists.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct ParsedLine
{
    std::string xml, exe, install, ftp;
    unsigned short port;
    int dump, beta, snip, updateAll;
    std::vector<std::string> products;
};

// Feeds arguments as the framework does: one leading '/' or '-' removed.
ParsedLine Parse(std::vector<const char*> args)
{
    CCommandLineInfo_Corvatel info;
    for (size_t i = 0; i < args.size(); ++i) {
        const char* psz = args[i];
        BOOL bFlag = psz[0] == '/' || psz[0] == '-';
        info.ParseParam(bFlag ? psz + 1 : psz, bFlag, i + 1 == args.size());
    }
    ParsedLine parsed{static_cast<LPCSTR>(info.m_strXmlFile), static_cast<LPCSTR>(info.m_strExeName),
                      static_cast<LPCSTR>(info.m_strInstallFolder), static_cast<LPCSTR>(info.m_strFtpHost),
                      info.m_nPort, info.m_bDump, info.m_bBeta, info.m_bSnip, info.m_bUpdateAll, {}};
    for (POSITION pos = info.m_lstProducts.GetHeadPosition(); pos;)
        parsed.products.push_back(static_cast<LPCSTR>(info.m_lstProducts.GetNext(pos)));
    return parsed;
}

} // namespace

TEST(CommandLineTest, FirstMatchingSwitchDecidesEachArgument)
{
    ParsedLine none = Parse({});
    EXPECT_EQ(none.port, 22);
    EXPECT_TRUE(none.products.empty());
    EXPECT_TRUE(none.install.empty());

    EXPECT_EQ(Parse({"/install:c:\\cat"}).install, "C:\\CAT");
    EXPECT_EQ(Parse({"-Ftp:host1"}).ftp, "HOST1");
    // The keyword's length is dropped from the front, wherever the keyword stood.
    EXPECT_EQ(Parse({"/SFTP:host1"}).ftp, ":HOST1");

    ParsedLine xmlInstall = Parse({"/install:c:\\cat\\x.xml"});
    EXPECT_EQ(xmlInstall.xml, "install:c:\\cat\\x.xml");
    EXPECT_TRUE(xmlInstall.install.empty());

    EXPECT_EQ(Parse({".xml"}).products, std::vector<std::string>{".xml"});
    EXPECT_EQ(Parse({"C:\\Quendar\\QConfig.EXE"}).exe, "C:\\Quendar\\QConfig.EXE");

    EXPECT_EQ(Parse({"/Port:2222"}).port, 2222);
    EXPECT_EQ(Parse({"/Port:70000"}).port, 4464);
    EXPECT_EQ(Parse({"/Port:x"}).port, 0);

    // A product name containing a flag's word sets the flag instead of naming the product.
    ParsedLine flags = Parse({"Quendar Beta Tools", "/dump", "snipper", "/UpdateAll", "Device Manager"});
    EXPECT_EQ(flags.beta, 1);
    EXPECT_EQ(flags.dump, 1);
    EXPECT_EQ(flags.snip, 1);
    EXPECT_EQ(flags.updateAll, 1);
    EXPECT_EQ(flags.products, std::vector<std::string>{"Device Manager"});

    // A switch given twice keeps its last value.
    EXPECT_EQ(Parse({"/ftp:one", "/ftp:two"}).ftp, "TWO");
}

TEST(CommandLineTest, DirectoryExistsForFoldersAndKnownDriveRoots)
{
    char szTemp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, szTemp);
    EXPECT_TRUE(DirectoryExists(szTemp));
    EXPECT_TRUE(DirectoryExists("C:\\"));
    EXPECT_TRUE(DirectoryExists(" C:\\ "));
    EXPECT_FALSE(DirectoryExists(""));
    EXPECT_FALSE(DirectoryExists(nullptr));
    EXPECT_FALSE(DirectoryExists("C:\\windows\\system32\\kernel32.dll"));
    EXPECT_FALSE(DirectoryExists("C:\\No Such Folder"));
    EXPECT_FALSE(DirectoryExists("Q:\\"));
}

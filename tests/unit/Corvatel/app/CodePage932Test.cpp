// The program's string handling under a Japanese system locale, code page 932: double-byte
// characters whose trail byte looks like an ASCII letter or a backslash stay whole. ctest runs
// these tests under the Unix locale ja_JP, from which wine takes the program's code page.
#include "CommandLineInfo_Corvatel.h"
#include "Utilities.h"

#include <CString.h>

#include <gtest/gtest.h>

namespace {

// ッ and ィ differ only in a trail byte that reads as 'b' or 'B'; ド ends in 'h'; 表 ends in '\'.
const CString kSmallTsu("\x83\x62");
const CString kSmallI("\x83\x42");
const CString kDo("\x83\x68");
const CString kTable("\x95\x5C");

} // namespace

TEST(CodePage932Test, RunsUnderCodePage932)
{
    ASSERT_EQ(932u, GetACP()) << "ctest sets LOCPATH and LC_ALL for these tests";
}

TEST(CodePage932Test, CaseMappingAndComparisonTakeWholeCharacters)
{
    EXPECT_STREQ("SETUP" + kSmallTsu + kDo + "Z", ("setup" + kSmallTsu + kDo + "z").MakeUpper());
    EXPECT_STREQ("setup" + kSmallI + "z", ("SETUP" + kSmallI + "Z").MakeLower());
    EXPECT_NE(0, kSmallTsu.CompareNoCase(kSmallI));
    EXPECT_EQ(0, ("setup" + kDo).CompareNoCase("SETUP" + kDo));
}

TEST(CodePage932Test, TrailingBackslashFollowsTheLastCharacter)
{
    EXPECT_STREQ("C:\\" + kTable + "\\", AddTrailingBackslash("C:\\" + kTable));
    EXPECT_STREQ("C:\\" + kTable + "\\", AddTrailingBackslash("C:\\" + kTable + "\\"));
}

TEST(CodePage932Test, ATrailByteEndsNoPathComponent)
{
    EXPECT_TRUE(IsLocalPath("C:\\" + kTable + "CON\\Mixer"));
    EXPECT_FALSE(IsLocalPath("C:\\" + kTable + "\\CON\\Mixer"));
}

TEST(CodePage932Test, InstallFolderKeepsItsDoubleByteCharacters)
{
    CCommandLineInfo_Corvatel info;
    info.ParseParam("install:d:\\" + kDo + kTable, TRUE, TRUE);
    EXPECT_STREQ("D:\\" + kDo + kTable, info.m_strInstallFolder);
}

#include <CString.h>
#include <ModuleState.h>

#include "FrameworkTestResource.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <new>
#include <string>

TEST(CStringTest, FormatGrowsPastAnyFixedBuffer)
{
    std::string longArg(5000, 'x');
    CString str;
    str.Format("%s|%d|%.2fM", longArg.c_str(), 42, 1.5);
    EXPECT_EQ(str.GetLength(), 5000 + 9);
    EXPECT_EQ(std::string(str.Right(9)), "|42|1.50M");

    str.Format("%.02d/%.02d/%.02d", 3, 7, 2026);
    EXPECT_STREQ(str, "03/07/2026");

    str.Format("%s", "");
    EXPECT_TRUE(str.IsEmpty());
    str.AppendFormat(" %d%%", 50);
    EXPECT_STREQ(str, " 50%");
}

TEST(CStringTest, FindAndReverseFindRespectBounds)
{
    CString str("C:\\Quendar\\Setup.exe");
    EXPECT_EQ(str.Find('\\'), 2);
    EXPECT_EQ(str.Find('\\', 3), 10);
    EXPECT_EQ(str.Find('\\', 11), -1);
    EXPECT_EQ(str.Find('x', -1), -1);
    EXPECT_EQ(str.Find('x', 100), -1);
    EXPECT_EQ(str.Find("Setup"), 11);
    EXPECT_EQ(str.Find("Setup", 12), -1);
    EXPECT_EQ(str.Find("", str.GetLength()), str.GetLength());
    EXPECT_EQ(str.Find("exe", str.GetLength() + 1), -1);
    EXPECT_EQ(str.ReverseFind('\\'), 10);
    EXPECT_EQ(str.ReverseFind('?'), -1);
    EXPECT_EQ(CString().ReverseFind('a'), -1);
    EXPECT_EQ(CString().Find("a"), -1);
}

TEST(CStringTest, ExtractionClampsOutOfRangeArguments)
{
    CString str("4.0.11");
    EXPECT_STREQ(str.Mid(2), "0.11");
    EXPECT_STREQ(str.Mid(2, 100), "0.11");
    EXPECT_STREQ(str.Mid(-3, 2), "4.");
    EXPECT_STREQ(str.Mid(6), "");
    EXPECT_STREQ(str.Mid(50, 2), "");
    EXPECT_STREQ(str.Left(-1), "");
    EXPECT_STREQ(str.Left(99), "4.0.11");
    EXPECT_STREQ(str.Right(2), "11");
    EXPECT_STREQ(str.Right(99), "4.0.11");
}

TEST(CStringTest, ComparesWithAndWithoutCase)
{
    CString str("InstallType");
    EXPECT_EQ(str.CompareNoCase("INSTALLTYPE"), 0);
    EXPECT_EQ(str.CompareNoCase("installtype"), 0);
    EXPECT_NE(str.Compare("installtype"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("b").Compare("a"), 0);
    EXPECT_EQ(CString().Compare(nullptr), 0);
    EXPECT_TRUE(str == "InstallType");
    EXPECT_TRUE("InstallType" == str);
    EXPECT_TRUE(str != CString("installtype"));
    EXPECT_STREQ(CString(str).MakeUpper(), "INSTALLTYPE");
    EXPECT_STREQ(CString(str).MakeLower(), "installtype");
}

TEST(CStringTest, EditingOperations)
{
    CString str("  a.b.c  ");
    EXPECT_STREQ(CString(str).Trim(), "a.b.c");
    EXPECT_STREQ(CString(str).TrimLeft(), "a.b.c  ");
    EXPECT_STREQ(CString(str).TrimRight(), "  a.b.c");
    EXPECT_STREQ(CString("\\\\dir\\\\").Trim('\\'), "dir");

    CString dotted("1.2.3.4");
    EXPECT_EQ(dotted.Remove('.'), 3);
    EXPECT_STREQ(dotted, "1234");

    CString path("C:\\a\\Harl-q\\Harl-q");
    EXPECT_EQ(path.Replace("Harl-q", "Harlo-q"), 2);
    EXPECT_STREQ(path, "C:\\a\\Harlo-q\\Harlo-q");
    EXPECT_EQ(path.Replace("zz", "y"), 0);
    EXPECT_EQ(path.Replace('\\', '/'), 3);

    CString exe("setup.exe");
    exe.Delete(exe.GetLength() - 1, 5);
    exe += "_";
    EXPECT_STREQ(exe, "setup.ex_");
    exe.Delete(-4, 0);
    EXPECT_STREQ(exe, "setup.ex_");
    exe.Insert(0, "C:\\");
    exe.Insert(100, '!');
    EXPECT_STREQ(exe, "C:\\setup.ex_!");
}

TEST(CStringTest, SelfReferencingOperationsAreSafe)
{
    CString str("abc");
    str += str;
    EXPECT_STREQ(str, "abcabc");
    str = static_cast<LPCSTR>(str) + 3;
    EXPECT_STREQ(str, "abc");
    str = str;
    EXPECT_STREQ(str, "abc");
}

TEST(CStringTest, BufferHandOutAndRelease)
{
    CString str;
    char* p = str.GetBuffer(300);
    ASSERT_NE(p, nullptr);
    strcpy(p, "C:\\Program Files\\Quendar");
    str.ReleaseBuffer();
    EXPECT_EQ(str.GetLength(), 24);

    p = str.GetBuffer(0);
    p[2] = '/';
    str.ReleaseBuffer(5);
    EXPECT_STREQ(str, "C:/Pr");

    // An empty string still hands out a writable, NUL-terminated buffer.
    CString empty;
    EXPECT_STREQ(empty.GetBuffer(0), "");

    CString fixed;
    memset(fixed.GetBufferSetLength(4), 'z', 4);
    EXPECT_STREQ(fixed, "zzzz");
}

TEST(CStringTest, GrowingPastTheLongestLengthThrowsAndKeepsTheString)
{
    // The buffers are never written, so they take address space, not memory.
    const int nHalf = 0x48000000; // 1.125 GiB: two of them do not fit an int
    CString big, more;
    big.GetBufferSetLength(nHalf);
    more.GetBufferSetLength(nHalf);
    EXPECT_THROW(big += more, std::bad_alloc);
    EXPECT_EQ(nHalf, big.GetLength());
    EXPECT_THROW(more.GetBuffer(INT_MAX), std::bad_alloc);
    EXPECT_EQ(nHalf, more.GetLength());
}

TEST(CStringTest, LoadsStringTableEntriesOfAnyLength)
{
    CString str;
    ASSERT_TRUE(str.LoadString(IDS_SHORT));
    EXPECT_STREQ(str, "Windows must be restarted");
    ASSERT_TRUE(str.LoadString(IDS_LONG));
    EXPECT_EQ(str.GetLength(), 17 * 40 - 1);
    EXPECT_FALSE(str.LoadString(999));
    EXPECT_TRUE(str.IsEmpty());
}

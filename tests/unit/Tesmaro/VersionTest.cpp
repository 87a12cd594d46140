#include <Skelvar.h>

#include <gtest/gtest.h>
#include <limits.h>
#include <string>
#include <vector>

struct ConversionCase
{
    const char* pszText;
    int nParts;
    std::vector<long> expected; // all four parts after conversion into a zeroed array
};

class VersionConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(VersionConversionTest, ConvertsTextIntoParts)
{
    const ConversionCase& c = GetParam();
    long parts[4] = {};
    EXPECT_EQ(CSkelvar::VersionStringToVersionArray(c.pszText, parts), c.nParts) << c.pszText;
    EXPECT_EQ(std::vector<long>(parts, parts + 4), c.expected) << c.pszText;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VersionConversionTest,
    ::testing::Values(ConversionCase{"", 0, {0, 0, 0, 0}},
                      ConversionCase{"4.0.11", 3, {4, 0, 11, 0}},
                      ConversionCase{"4,0,11,0", 4, {4, 0, 11, 0}},
                      ConversionCase{"ver4.1", 2, {4, 1, 0, 0}},
                      ConversionCase{"1..2", 2, {1, 2, 0, 0}},
                      ConversionCase{" 1 2 ", 2, {1, 2, 0, 0}},
                      ConversionCase{"-5", 1, {5, 0, 0, 0}},
                      ConversionCase{"007.08", 2, {7, 8, 0, 0}},
                      ConversionCase{"1.2b.3", 2, {1, 3, 0, 0}},
                      ConversionCase{"4.0.11b", 2, {4, 0, 0, 0}},
                      ConversionCase{"build", 0, {0, 0, 0, 0}},
                      // More parts than the array holds: the first four are kept.
                      ConversionCase{"1.2.3.4.5.6", 4, {1, 2, 3, 4}},
                      // A part beyond a 32-bit long saturates instead of wrapping.
                      ConversionCase{"4.99999999999999999999", 2, {4, LONG_MAX, 0, 0}},
                      ConversionCase{"2147483647.2147483648", 2, {LONG_MAX, LONG_MAX, 0, 0}}),
    [](const ::testing::TestParamInfo<ConversionCase>& info) { return "Case" + std::to_string(info.index); });

TEST(VersionTest, EmptyTextOrNullArrayLeavesArrayUntouched)
{
    long parts[4] = {9, 9, 9, 9};
    EXPECT_EQ(CSkelvar::VersionStringToVersionArray("", parts), 0);
    EXPECT_EQ(CSkelvar::VersionStringToVersionArray("1.2", nullptr), 0);
    EXPECT_EQ(parts[0], 9);
    // Parts the text does not supply keep what the array held.
    EXPECT_EQ(CSkelvar::VersionStringToVersionArray("1.2", parts), 2);
    EXPECT_EQ(parts[2], 9);
}

TEST(VersionTest, ComparesPartByPartAsNumbers)
{
    long a[4] = {4, 0, 11, 0};
    long b[4] = {4, 0, 9, 0};
    long c[4] = {4, 1, 0, 0};
    EXPECT_EQ(CSkelvar::CompareVersion(a, b, 4), 1);
    EXPECT_EQ(CSkelvar::CompareVersion(b, a, 4), -1);
    EXPECT_EQ(CSkelvar::CompareVersion(a, a, 4), 0);
    EXPECT_EQ(CSkelvar::CompareVersion(a, c, 4), -1);
    EXPECT_EQ(CSkelvar::CompareVersion(a, b, 2), 0);
    EXPECT_EQ(CSkelvar::CompareVersion(a, b, 0), 0);
    EXPECT_EQ(CSkelvar::CompareVersion(a, b, -1), 0);
    EXPECT_EQ(CSkelvar::CompareVersion(nullptr, b, 4), 0);
    EXPECT_EQ(CSkelvar::CompareVersion(a, nullptr, 4), 0);
    long negative[4] = {-1, 0, 0, 0};
    long zero[4] = {};
    EXPECT_EQ(CSkelvar::CompareVersion(negative, zero, 1), -1);
}

TEST(VersionTest, ValidOnlyWhenSomeComparedPartIsPositive)
{
    long zero[4] = {0, 0, 0, 0};
    long last[4] = {0, 0, 0, 1};
    long negative[4] = {-1, -2, 0, 0};
    EXPECT_FALSE(CSkelvar::IsValidVersion(zero, 4));
    EXPECT_TRUE(CSkelvar::IsValidVersion(last, 4));
    EXPECT_FALSE(CSkelvar::IsValidVersion(last, 3));
    EXPECT_FALSE(CSkelvar::IsValidVersion(negative, 4));
    EXPECT_FALSE(CSkelvar::IsValidVersion(last, 0));
    EXPECT_FALSE(CSkelvar::IsValidVersion(nullptr, 4));
}

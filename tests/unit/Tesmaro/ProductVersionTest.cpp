// The file version reader on DLLs whose version resources windres built with the tests.
#include "TestFolders.h"

#include <ProductVersion.h>

#include <gtest/gtest.h>

#include <memory>
#include <string.h>

namespace {

// Opens the version block to the copy tests.
class CVersionBlock : public CProductVersion
{
public:
    const BYTE* Block() const { return m_pVersionInfo; }
    DWORD Size() const { return m_dwVersionInfoSize; }
    WORD Language() const { return m_pTranslation[0]; }

    bool PointsIntoOwnBlock() const
    {
        auto inside = [this](const void* p) {
            return static_cast<const BYTE*>(p) >= m_pVersionInfo &&
                   static_cast<const BYTE*>(p) < m_pVersionInfo + m_dwVersionInfoSize;
        };
        return m_pVersionInfo && inside(m_pTranslation) && inside(m_pFixedFileInfo);
    }
};

TEST(ProductVersionTest, ReadsTheVersionTextUnderTheFirstTranslation)
{
    CProductVersion reader;
    EXPECT_STREQ("4.0.11.0", reader.GetProductVersion(FixtureModule("VerInfoEnglish.dll")));
    EXPECT_EQ(40110, reader.GetProductVersionLong(FixtureModule("VerInfoEnglish.dll")));
    // German / Windows-1252 is listed first; the English block after it is not the one read.
    EXPECT_STREQ("1, 2, 3, 4", reader.GetProductVersion(FixtureModule("VerInfoGerman.dll")));
    EXPECT_EQ(1234, reader.GetProductVersionLong(FixtureModule("VerInfoGerman.dll")));
    EXPECT_STREQ("2.1 beta", reader.GetProductVersion(FixtureModule("VerInfoBeta.dll")));
    EXPECT_EQ(21, reader.GetProductVersionLong(FixtureModule("VerInfoBeta.dll")));
}

TEST(ProductVersionTest, FilesWithoutAVersionTextReadAsEmpty)
{
    CTempTree tree;
    CProductVersion reader;
    ASSERT_STREQ("4.0.11.0", reader.GetProductVersion(FixtureModule("VerInfoEnglish.dll")));
    // Each failed read must drop the previous file's text.
    EXPECT_STREQ("", reader.GetProductVersion(FixtureModule("VerInfoNone.dll")));
    EXPECT_EQ(0, reader.GetProductVersionLong(FixtureModule("VerInfoNone.dll")));
    EXPECT_STREQ("", reader.GetProductVersion(tree.WriteText("readme.txt", "FileVersion 4.0.11.0\r\n")));
    EXPECT_STREQ("", reader.GetProductVersion(tree.Path("missing.dll")));
    EXPECT_STREQ("", reader.GetProductVersion(""));
}

TEST(ProductVersionTest, CopiesOwnTheirBlockAndOutliveTheOriginal)
{
    auto pOriginal = std::make_unique<CVersionBlock>();
    ASSERT_STREQ("1, 2, 3, 4", pOriginal->GetProductVersion(FixtureModule("VerInfoGerman.dll")));
    CVersionBlock copy(*pOriginal);
    CVersionBlock assigned;
    assigned.GetProductVersion(FixtureModule("VerInfoEnglish.dll"));
    assigned = *pOriginal;
    for (const CVersionBlock* pCopy : {&copy, &assigned}) {
        ASSERT_NE(pOriginal->Block(), pCopy->Block());
        ASSERT_EQ(pOriginal->Size(), pCopy->Size());
        EXPECT_EQ(0, memcmp(pOriginal->Block(), pCopy->Block(), pCopy->Size()));
        EXPECT_TRUE(pCopy->PointsIntoOwnBlock());
    }
    pOriginal.reset();

    EXPECT_EQ(0x0407, copy.Language());
    // A new read frees each copy's own block.
    EXPECT_STREQ("2.1 beta", copy.GetProductVersion(FixtureModule("VerInfoBeta.dll")));
    EXPECT_STREQ("4.0.11.0", assigned.GetProductVersion(FixtureModule("VerInfoEnglish.dll")));
    assigned = CVersionBlock();
    EXPECT_EQ(nullptr, assigned.Block());
}

} // namespace

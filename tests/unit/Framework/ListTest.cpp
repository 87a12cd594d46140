#include <CObList.h>
#include <CStringList.h>

#include <gtest/gtest.h>
#include <string>

namespace {

std::string Join(const CStringList& list)
{
    std::string s;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        s += static_cast<LPCSTR>(list.GetNext(pos)) + std::string(",");
    return s;
}

std::string JoinBackwards(const CStringList& list)
{
    std::string s;
    for (POSITION pos = list.GetTailPosition(); pos;)
        s += static_cast<LPCSTR>(list.GetPrev(pos)) + std::string(",");
    return s;
}

} // namespace

TEST(ListTest, PositionWalksInBothDirections)
{
    CStringList list;
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    list.AddTail("b");
    list.AddTail("c");
    list.AddHead("a");
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(Join(list), "a,b,c,");
    EXPECT_EQ(JoinBackwards(list), "c,b,a,");
    EXPECT_STREQ(list.GetHead(), "a");
    EXPECT_STREQ(list.GetTail(), "c");
}

TEST(ListTest, InsertRemoveAndFindKeepLinksConsistent)
{
    CStringList list;
    POSITION b = list.AddTail("b");
    list.InsertBefore(b, "a");
    POSITION d = list.InsertAfter(b, "d");
    list.InsertBefore(d, "c");
    EXPECT_EQ(Join(list), "a,b,c,d,");

    list.RemoveAt(list.Find("a"));
    list.RemoveAt(list.Find("d"));
    EXPECT_EQ(Join(list), "b,c,");
    EXPECT_EQ(JoinBackwards(list), "c,b,");
    EXPECT_EQ(list.Find("zz"), nullptr);
    EXPECT_STREQ(list.GetAt(list.FindIndex(1)), "c");
    EXPECT_EQ(list.FindIndex(2), nullptr);

    EXPECT_STREQ(list.RemoveHead(), "b");
    EXPECT_STREQ(list.RemoveTail(), "c");
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetTailPosition(), nullptr);
    list.AddTail("again");
    EXPECT_EQ(Join(list), "again,");
}

TEST(ListTest, AppendsAnotherListAndEmptiesFully)
{
    CStringList a, b;
    a.AddTail("x");
    b.AddTail("y");
    b.AddTail("z");
    a.AddTail(b);
    EXPECT_EQ(Join(a), "x,y,z,");
    a.RemoveAll();
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(Join(b), "y,z,");
}

TEST(ListTest, ObjectListHoldsPointersItDoesNotOwn)
{
    struct CItem : CObject
    {
        explicit CItem(bool* pDeleted) : m_pDeleted(pDeleted) {}
        ~CItem() override { *m_pDeleted = true; }
        bool* m_pDeleted;
    };
    bool bDeleted = false;
    CItem* pItem = new CItem(&bDeleted);
    {
        CObList list;
        list.AddTail(pItem);
        EXPECT_EQ(list.GetHead(), pItem);
    }
    EXPECT_FALSE(bDeleted);
    delete static_cast<CObject*>(pItem);
    EXPECT_TRUE(bDeleted);
}

// The test build keeps assert() on: reaching past either end of an empty list stops the program.
TEST(ListDeathTest, EndsOfAnEmptyListAreRefused)
{
    CStringList list;
    EXPECT_DEATH(list.GetHead(), "empty");
    EXPECT_DEATH(list.GetTail(), "empty");
    EXPECT_DEATH(list.RemoveHead(), "empty");
    EXPECT_DEATH(list.RemoveTail(), "empty");
}

#include <ProductInfo.h>

#include <gtest/gtest.h>
#include <psapi.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Exes(CProductInfo& product)
{
    std::vector<std::string> names;
    CStringList* pList = product.GetAdditionalExeList();
    for (POSITION pos = pList->GetHeadPosition(); pos;)
        names.push_back(static_cast<LPCSTR>(pList->GetNext(pos)));
    return names;
}

// A record with three dependencies, each with one dependency of its own.
std::unique_ptr<CProductInfo> MakeTree()
{
    auto pRoot = std::make_unique<CProductInfo>(10, "4.0.11", "", "Quendar Suite", "7", 1, 0, 1);
    pRoot->SetName("Quendar Suite");
    pRoot->m_nDependencyCount = 3;
    pRoot->m_pDependencies = new CProductInfo[3];
    for (int i = 0; i < 3; ++i) {
        CProductInfo& dep = pRoot->GetDependency(i);
        dep.SetId(20 + i);
        dep.SetName("Component");
        dep.m_nDependencyCount = 1;
        dep.m_pDependencies = new CProductInfo[1];
        dep.GetDependency(0).SetName("Runtime");
    }
    pRoot->GetAdditionalExeList()->AddTail("QConfig.exe");
    return pRoot;
}

} // namespace

TEST(ProductInfoTest, DefaultRecordStartValues)
{
    CProductInfo product;
    EXPECT_EQ(product.GetId(), 0);
    EXPECT_EQ(product.GetDependencyCount(), 0);
    EXPECT_EQ(product.m_pDependencies, nullptr);
    EXPECT_TRUE(product.GetAdditionalExeList()->IsEmpty());
    EXPECT_EQ(product.GetShowProduct(), 1);
    EXPECT_EQ(product.IsUpdate(), 1);
    EXPECT_EQ(product.GetShowDependency(), 1);
    EXPECT_EQ(product.GetDisplayStartMenu(), 1);
    EXPECT_EQ(product.GetOptionalDependency(), 0);
    EXPECT_EQ(product.GetReboot(), 0);
    EXPECT_EQ(product.GetSize(), 0.0f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(product.m_lVersion[i], 0);
        EXPECT_EQ(product.m_lMinRequiredVersion[i], 0);
        EXPECT_EQ(product.m_lCatalogueVersion[i], 0);
    }
}

TEST(ProductInfoTest, FullConstructorFillsVersionArraysOnce)
{
    CProductInfo product(5, "1.2.3", "1.1", "Start", "12", 0, 1, 0);
    EXPECT_EQ(product.m_lVersion[0], 1);
    EXPECT_EQ(product.m_lVersion[2], 3);
    EXPECT_EQ(product.m_lVersion[3], 0);
    EXPECT_EQ(product.m_lCatalogueVersion[1], 2);
    EXPECT_EQ(product.m_lMinRequiredVersion[1], 1);
    EXPECT_EQ(product.GetShowDependency(), 0);
    EXPECT_EQ(product.GetOptionalDependency(), 1);
    EXPECT_EQ(product.GetDisplayStartMenu(), 0);
    EXPECT_STREQ(product.GetStartMenuText(), "Start");
    EXPECT_STREQ(product.GetBuild(), "12");

    product.SetVersion("9.9");
    EXPECT_EQ(product.m_lVersion[0], 1);
}

TEST(ProductInfoTest, CopyIsDeepAndOutlivesTheSource)
{
    std::unique_ptr<CProductInfo> pSource = MakeTree();
    pSource->SetInstalledVersion("4.0.9");
    CProductInfo copy(*pSource);
    CProductInfo assigned;
    assigned = *pSource;
    pSource.reset();

    for (CProductInfo* p : {&copy, &assigned}) {
        EXPECT_STREQ(p->GetName(), "Quendar Suite");
        EXPECT_STREQ(p->GetInstalledVersion(), "4.0.9");
        EXPECT_EQ(p->m_lVersion[2], 11);
        // The catalogue array is not carried over by a copy.
        EXPECT_EQ(p->m_lCatalogueVersion[0], 0);
        ASSERT_EQ(p->GetDependencyCount(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(p->GetDependency(i).GetId(), 20 + i);
            ASSERT_EQ(p->GetDependency(i).GetDependencyCount(), 1);
            EXPECT_STREQ(p->GetDependency(i).GetDependency(0).GetName(), "Runtime");
        }
        EXPECT_EQ(Exes(*p), std::vector<std::string>{"QConfig.exe"});
    }
    EXPECT_NE(copy.m_pDependencies, assigned.m_pDependencies);
}

TEST(ProductInfoTest, CopyNormalisesMissingOrNegativeDependencyCounts)
{
    CProductInfo negative;
    negative.SetDependencyCount(-2);
    CProductInfo fromNegative(negative);
    EXPECT_EQ(fromNegative.GetDependencyCount(), 0);
    EXPECT_EQ(fromNegative.m_pDependencies, nullptr);

    // A count without an array gives that many default records.
    CProductInfo countOnly;
    countOnly.SetDependencyCount(2);
    CProductInfo fromCountOnly(countOnly);
    ASSERT_EQ(fromCountOnly.GetDependencyCount(), 2);
    ASSERT_NE(fromCountOnly.m_pDependencies, nullptr);
    EXPECT_EQ(fromCountOnly.GetDependency(1).GetShowProduct(), 1);
}

TEST(ProductInfoTest, AssignmentReplacesListsAndArrays)
{
    CProductInfo source;
    source.GetAdditionalExeList()->AddTail("a.exe");
    source.GetAdditionalExeList()->AddTail("b.exe");
    CProductInfo target = *MakeTree();
    target.GetAdditionalExeList()->AddTail("x.exe");
    target.GetAdditionalExeList()->AddTail("y.exe");

    target = source;
    EXPECT_EQ(Exes(target), (std::vector<std::string>{"a.exe", "b.exe"}));
    EXPECT_EQ(target.GetDependencyCount(), 0);
    EXPECT_EQ(target.m_pDependencies, nullptr);

    CProductInfo& self = target;
    target = self;
    EXPECT_EQ(Exes(target), (std::vector<std::string>{"a.exe", "b.exe"}));
}

TEST(ProductInfoTest, AssignmentCopiesTheTreeOnce)
{
    // A second copy of the tree on the way would show in the process's peak working set.
    auto peak = [] {
        PROCESS_MEMORY_COUNTERS counters = {};
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
        return static_cast<double>(counters.PeakWorkingSetSize);
    };
    const double dStart = peak();
    CProductInfo source;
    source.m_pDependencies = new CProductInfo[200];
    source.m_nDependencyCount = 200;
    for (int i = 0; i < 200; ++i) {
        CProductInfo& dependency = source.GetDependency(i);
        dependency.m_pDependencies = new CProductInfo[100];
        dependency.m_nDependencyCount = 100;
        for (int j = 0; j < 100; ++j)
            dependency.GetDependency(j).SetName(CString('x', 1000));
    }
    const double dTree = peak() - dStart;
    CProductInfo target;
    target = source;
    EXPECT_EQ(target.GetDependency(199).GetDependency(99).GetName().GetLength(), 1000);
    EXPECT_LT(peak() - dStart - dTree, 1.5 * dTree);
}

TEST(ProductInfoTest, AssigningARecordFromItsOwnDependencyTreeIsSafe)
{
    std::unique_ptr<CProductInfo> pRoot = MakeTree();
    *pRoot = pRoot->GetDependency(1);
    EXPECT_EQ(pRoot->GetId(), 21);
    ASSERT_EQ(pRoot->GetDependencyCount(), 1);
    EXPECT_STREQ(pRoot->GetDependency(0).GetName(), "Runtime");
}

// The test build keeps assert() on: a dependency outside the record's array stops the program.
TEST(ProductInfoDeathTest, DependencyOutOfRangeIsRefused)
{
    auto pRoot = MakeTree();
    EXPECT_DEATH(pRoot->GetDependency(3), "m_nDependencyCount");
    EXPECT_DEATH(pRoot->GetDependency(-1), "m_nDependencyCount");
    CProductInfo leaf;
    EXPECT_DEATH(leaf.GetDependency(0), "m_pDependencies");
}

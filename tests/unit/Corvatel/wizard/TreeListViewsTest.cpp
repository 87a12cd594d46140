// The wizard's three list views on a window of the test's own: columns by switch and width,
// row images, row types and colours, and a refresh without an owner.
#include "CorvatelApp.h"
#include "TreeListCtrl_Applications.h"
#include "TreeListCtrl_Downloads.h"
#include "TreeListCtrl_Install.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

// The views' parent: a plain top-level window, kept for the whole test program.
HWND Host()
{
    static HWND s_hHost = CreateWindowExA(0, "STATIC", "Views", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400, nullptr,
                                          nullptr, GetModuleHandleA(nullptr), nullptr);
    return s_hHost;
}

// Creates the view 400 pixels wide and lets it set up its columns.
void Create(CTreeListCtrl_View& view)
{
    CWnd host;
    host.m_hWnd = Host();
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 400, 200}, &host, 500));
    PumpWaitingMessages(nullptr);
}

std::vector<int> Widths(CTreeListCtrl& view)
{
    view.SendMessage(WM_TREE_REFRESH);
    std::vector<int> widths;
    for (int i = 0; i < view.GetColumnCount(); ++i)
        widths.push_back(view.GetColumnWidth(i));
    return widths;
}

class TreeListViewsTest : public ::testing::Test
{
protected:
    void Switch(const char* pszSwitch) { m_app.m_cmdInfo.ParseParam(pszSwitch, TRUE, FALSE); }

    CCorvatelApp m_app;
};

TEST_F(TreeListViewsTest, ColumnsArePercentagesOfTheWidth)
{
    CTreeListCtrl_Downloads downloads(nullptr);
    Create(downloads);
    EXPECT_EQ(Widths(downloads), (std::vector<int>{220, 80, 80}));
    EXPECT_EQ(downloads.m_imageList.GetImageCount(), 4);

    CTreeListCtrl_Applications plain(nullptr);
    Create(plain);
    EXPECT_EQ(Widths(plain), (std::vector<int>{260, 120}));
}

TEST_F(TreeListViewsTest, BetaOrSnipShowsTheTypeColumn)
{
    for (const char* pszSwitch : {"BETA", "snip"}) {
        CCorvatelApp app;
        app.m_cmdInfo.ParseParam(pszSwitch, TRUE, FALSE);
        CTreeListCtrl_Applications view(nullptr);
        Create(view);
        EXPECT_EQ(Widths(view), (std::vector<int>{260, 80, 40})) << pszSwitch;
    }
}

TEST_F(TreeListViewsTest, TypeTextGivesTheRowsKindAndColour)
{
    Switch("BETA");
    CTreeListCtrl_Applications view(nullptr);
    Create(view);
    struct
    {
        const char* pszType;
        int nType;
        COLORREF colour;
    } rows[] = {{"BETA", 2, RGB(128, 0, 0)},
                {"Snip", 3, RGB(0, 0, 255)},
                {"beta ", 1, GetSysColor(COLOR_WINDOWTEXT)},
                {"", 1, GetSysColor(COLOR_WINDOWTEXT)}};
    for (const auto& row : rows) {
        CTreeListItem* pRow = view.InsertItem("Quendar Studio", TLI_ROOT, TLI_LAST);
        view.SetItemText(pRow, row.pszType, 2);
        EXPECT_EQ(view.GetItemType(pRow), row.nType) << row.pszType;
        EXPECT_EQ(view.GetTextColor(pRow), row.colour) << row.pszType;
    }
    EXPECT_EQ(view.GetItemType(nullptr), 1);
}

TEST_F(TreeListViewsTest, InstallListWithoutOwnerKeepsItsRows)
{
    CTreeListCtrl_Install view;
    Create(view);
    EXPECT_EQ(view.m_imageList.GetImageCount(), 14);
    view.InsertItem("Quendar Studio", TLI_ROOT, TLI_LAST);
    EXPECT_EQ(view.SendMessage(WM_TREE_REFRESH), 1);
    EXPECT_EQ(view.GetCount(), 1);
}

} // namespace

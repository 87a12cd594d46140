#include "PopupMenu.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Records the items it is asked to prepare and declines to show the menu.
class CRecordingMenu : public CPopupMenu
{
public:
    BOOL PrepareMenu(CMenu* pSubMenu) override
    {
        for (int i = 0; i < GetMenuItemCount(pSubMenu->m_hMenu); ++i) {
            char szText[64] = {};
            GetMenuStringA(pSubMenu->m_hMenu, i, szText, sizeof(szText), MF_BYPOSITION);
            m_items.push_back(std::to_string(GetMenuItemID(pSubMenu->m_hMenu, i)) + " " + szText);
        }
        m_hLoadedMenu = m_hMenu;
        return FALSE;
    }

    std::vector<std::string> m_items;
    HMENU m_hLoadedMenu = nullptr;
};

} // namespace

TEST(PopupMenuTest, PreparesTheResourcesFirstPopupAndShowsNothingWhenDeclined)
{
    CWnd owner;
    POINT point = {10, 10};
    HMENU hLoaded = nullptr;
    {
        CRecordingMenu menu;
        menu.ShowMenu(&owner, IDM_APPLICATION_TREE, &point);
        EXPECT_EQ(menu.m_items, (std::vector<std::string>{"32778 &Component Details...", "0 ",
                                                           "32773 Components &Required..."}));
        hLoaded = menu.m_hLoadedMenu;
        EXPECT_TRUE(IsMenu(hLoaded));
    }
    // The loaded menu goes with the object.
    EXPECT_FALSE(IsMenu(hLoaded));

    CRecordingMenu local;
    local.ShowMenu(&owner, IDM_INSTALL_LIST_LOCAL, &point);
    EXPECT_EQ(local.m_items.size(), 4u);

    CRecordingMenu missing;
    missing.ShowMenu(&owner, 4242, &point);
    EXPECT_TRUE(missing.m_items.empty());
    EXPECT_EQ(missing.m_hMenu, nullptr);
}

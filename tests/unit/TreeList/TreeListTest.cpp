#include <TreeListCtrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

const UINT kId = 500;
const int kRowHeight = 16;
const int kWidths[] = {200, 100, 80};

struct Notification
{
    UINT nCode;
    UINT_PTR nId;
    HWND hFrom;
    CTreeListItem* pItem;
    int nColumn;
};

// A plain top-level window that records the control's notifications and may refuse changes.
// One serves every test: wine takes seconds to destroy a visible top-level window.
class HostWindow
{
public:
    static HostWindow& Get()
    {
        static HostWindow* pHost = new HostWindow;   // the process's end destroys the window
        pHost->m_notes.clear();
        pHost->m_nRefusedCode = 0;
        return *pHost;
    }

    std::vector<UINT> Codes() const
    {
        std::vector<UINT> codes;
        for (const Notification& n : m_notes)
            codes.push_back(n.nCode);
        return codes;
    }

    CWnd m_wnd;
    std::vector<Notification> m_notes;
    UINT m_nRefusedCode = 0;

private:
    HostWindow()
    {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &HostWindow::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = "TreeListTestHost";
        EXPECT_NE(RegisterClassExA(&wc), 0);
        m_wnd.m_hWnd = CreateWindowExA(0, "TreeListTestHost", "Tree list", WS_POPUP | WS_BORDER | WS_VISIBLE,
                                       0, 0, 520, 360, nullptr, nullptr, GetModuleHandleA(nullptr), this);
        EXPECT_NE(m_wnd.m_hWnd, nullptr);
    }

    static LRESULT CALLBACK Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        if (uMsg == WM_NCCREATE)
            SetWindowLongPtrA(hWnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* pThis = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
        if (uMsg == WM_NOTIFY && pThis) {
            auto* pNm = reinterpret_cast<NMTREELIST*>(lParam);
            pThis->m_notes.push_back({pNm->hdr.code, pNm->hdr.idFrom, pNm->hdr.hwndFrom, pNm->pItem, pNm->nColumn});
            return pNm->hdr.code == pThis->m_nRefusedCode ? 1 : 0;
        }
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
};

void PumpUntil(const std::atomic<bool>& bDone)
{
    while (!bDone) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// Asks the base for every row but answers dark red for rows typed "beta", as the application list does.
class ColouredView : public CTreeListCtrl
{
public:
    COLORREF GetTextColor(CTreeListItem* pItem) override
    {
        m_asked.insert(pItem);
        return GetItemText(pItem, 2).CompareNoCase("beta") == 0 ? RGB(0x80, 0, 0) : CTreeListCtrl::GetTextColor(pItem);
    }
    std::set<CTreeListItem*> m_asked;
};

// Answers the "changing" notifications itself, so the parent never sees them.
class ReflectingView : public CTreeListCtrl
{
public:
    int m_nTaken = 0;

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (uMsg == WM_TREELIST_REFLECT) {
            UINT nCode = reinterpret_cast<NMHDR*>(lParam)->code;
            if (nCode == TLN_SELCHANGING || nCode == TLN_CHECKCHANGING) {
                ++m_nTaken;
                return 0;
            }
        }
        return CTreeListCtrl::WindowProc(uMsg, wParam, lParam);
    }
};

template <typename Ctrl>
class TreeListFixture : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(TurboDllInitResourceChain()); }

    void SetUp() override
    {
        RECT rc = {10, 10, 10 + 420, 10 + 200};
        ASSERT_TRUE(m_ctrl.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, rc, &m_host.m_wnd, kId));
        m_ctrl.SetStyle(0x68DB08);
        m_ctrl.SetItemHeight(kRowHeight);
        const char* names[] = {"Application Name", "Version", "Type"};
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(m_ctrl.InsertColumn(names[i], 0x104145, 0, -1, 0, 0), i);
            m_ctrl.SetColumnComboSorted(i, 0);
            m_ctrl.SetColumnModify(i, 0);
            m_ctrl.SetColumnWidth(i, kWidths[i], 0, 0);
        }
    }

    CTreeListItem* AddRow(LPCSTR pszName, LPCSTR pszVersion = "1.0", LPCSTR pszType = "",
                          CTreeListItem* pAfter = TLI_LAST)
    {
        CTreeListItem* pItem = m_ctrl.InsertItem(pszName, TLI_ROOT, pAfter);
        m_ctrl.SetItemText(pItem, pszVersion, 1);
        m_ctrl.SetItemText(pItem, pszType, 2);
        return pItem;
    }

    std::vector<CString> Names()
    {
        std::vector<CString> names;
        for (CTreeListItem* p = m_ctrl.GetRootItem(); p; p = m_ctrl.GetNextItem(p, TLGN_NEXT))
            names.push_back(m_ctrl.GetItemText(p));
        return names;
    }

    int HeaderHeight()
    {
        RECT rc = {};
        GetWindowRect(FindWindowExA(m_ctrl, nullptr, WC_HEADERA, nullptr), &rc);
        return rc.bottom - rc.top;
    }

    // Client point inside a visible row: the middle of the check box for column -1, else a few
    // pixels past the check box and image of column 0 or into another column.
    POINT PointAt(int nVisibleRow, int nColumn)
    {
        int y = HeaderHeight() + nVisibleRow * kRowHeight + kRowHeight / 2;
        if (nColumn < 0)
            return {CTreeListCtrl::kCheckBoxCell / 2, y};
        int x = 0;
        for (int i = 0; i < nColumn; ++i)
            x += kWidths[i];
        return {x + (nColumn == 0 ? 40 : 10), y};
    }

    void Mouse(UINT uMsg, POINT pt)
    {
        WPARAM wKeys = uMsg == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON;
        ::SendMessageA(m_ctrl, uMsg, wKeys, MAKELPARAM(pt.x, pt.y));
    }

    void Key(UINT nKey) { ::SendMessageA(m_ctrl, WM_KEYDOWN, nKey, 1); }

    HostWindow& m_host = HostWindow::Get();
    Ctrl m_ctrl;
};

using TreeListTest = TreeListFixture<CTreeListCtrl>;
using TreeListColourTest = TreeListFixture<ColouredView>;
using TreeListReflectTest = TreeListFixture<ReflectingView>;

TEST_F(TreeListTest, RowsKeepTextsPerColumnAndData)
{
    CTreeListItem* pFirst = AddRow("Studio", "7.2", "");
    CTreeListItem* pSecond = AddRow("Driver Pack", "3.0.1", "beta");
    ASSERT_NE(pFirst, nullptr);
    ASSERT_NE(pSecond, nullptr);
    EXPECT_EQ(m_ctrl.GetCount(), 2);
    EXPECT_EQ(m_ctrl.GetTreeListItem(1), pSecond);
    EXPECT_EQ(m_ctrl.GetItemIndex(pSecond), 1);
    EXPECT_EQ(m_ctrl.GetTreeListItem(2), nullptr);
    EXPECT_EQ(m_ctrl.GetTreeListItem(-1), nullptr);

    EXPECT_STREQ(m_ctrl.GetItemText(pSecond, 0), "Driver Pack");
    EXPECT_STREQ(m_ctrl.GetItemText(pSecond, 1), "3.0.1");
    EXPECT_STREQ(m_ctrl.GetItemText(1, 2), "beta");
    EXPECT_STREQ(m_ctrl.GetItemText(0, 1), "7.2");
    EXPECT_STREQ(m_ctrl.GetItemText(pFirst, 7), "");    // never written
    EXPECT_TRUE(m_ctrl.SetItemText(0, "7.3", 1));
    EXPECT_STREQ(m_ctrl.GetItemText(pFirst, 1), "7.3");
    EXPECT_FALSE(m_ctrl.SetItemText(5, "x", 1));
    EXPECT_FALSE(m_ctrl.SetItemText(pFirst, "x", -1));
    // Texts come back whole whatever their length.
    CString strLong('n', 700);
    EXPECT_TRUE(m_ctrl.SetItemText(pFirst, strLong, 2));
    EXPECT_STREQ(m_ctrl.GetItemText(pFirst, 2), strLong);

    EXPECT_EQ(m_ctrl.GetItemData(pFirst), 0u);
    EXPECT_TRUE(m_ctrl.SetItemData(pFirst, reinterpret_cast<DWORD_PTR>(pFirst)));
    EXPECT_TRUE(m_ctrl.SetItemData(1, ~static_cast<DWORD_PTR>(0)));
    EXPECT_EQ(m_ctrl.GetItemData(0), reinterpret_cast<DWORD_PTR>(pFirst));
    EXPECT_EQ(m_ctrl.GetItemData(pSecond), ~static_cast<DWORD_PTR>(0));

    EXPECT_EQ(m_ctrl.GetRootItem(), pFirst);
    EXPECT_EQ(m_ctrl.GetNextItem(pFirst, TLGN_NEXT), pSecond);
    EXPECT_EQ(m_ctrl.GetNextItem(pSecond, TLGN_NEXT), nullptr);
    EXPECT_TRUE(m_host.m_notes.empty());    // the program's changes are not announced
}

TEST_F(TreeListTest, InsertPlacesRowsLastFirstSortedOrAfterARow)
{
    AddRow("Gamma");
    AddRow("Alpha", "1", "", TLI_FIRST);
    CTreeListItem* pDelta = AddRow("Delta");
    AddRow("Epsilon", "1", "", pDelta);
    AddRow("Zeta");
    EXPECT_EQ(Names(), (std::vector<CString>{"Alpha", "Gamma", "Delta", "Epsilon", "Zeta"}));

    EXPECT_EQ(m_ctrl.InsertItem("Child", pDelta, TLI_LAST), nullptr);     // rows have no children
    EXPECT_TRUE(m_ctrl.DeleteItem(pDelta));
    EXPECT_EQ(m_ctrl.InsertItem("Orphan", TLI_ROOT, pDelta), nullptr);   // after a row that is gone
    EXPECT_EQ(m_ctrl.GetCount(), 4);

    // Sorted: by column 0 without case, a new equal text after the ones there.
    m_ctrl.DeleteAllItems();
    for (LPCSTR psz : {"beta", "Alpha", "Gamma", "BETA", "alpha"})
        m_ctrl.InsertItem(psz, TLI_ROOT, TLI_SORT);
    EXPECT_EQ(Names(), (std::vector<CString>{"Alpha", "alpha", "beta", "BETA", "Gamma"}));
}

TEST_F(TreeListTest, ColumnsAppendAndTakeWidthsWithinLimits)
{
    HWND hHeader = FindWindowExA(m_ctrl, nullptr, WC_HEADERA, nullptr);
    ASSERT_NE(hHeader, nullptr);
    EXPECT_EQ(m_ctrl.GetColumnCount(), 3);
    EXPECT_EQ(::SendMessageA(hHeader, HDM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(m_ctrl.GetColumnWidth(1), 100);
    EXPECT_EQ(m_ctrl.GetColumnWidth(3), -1);

    EXPECT_TRUE(m_ctrl.SetColumnWidth(2, 5, 40, 0));
    EXPECT_EQ(m_ctrl.GetColumnWidth(2), 40);
    EXPECT_TRUE(m_ctrl.SetColumnWidth(2, 500, 0, 120));
    EXPECT_EQ(m_ctrl.GetColumnWidth(2), 120);
    EXPECT_FALSE(m_ctrl.SetColumnWidth(3, 50));

    EXPECT_TRUE(m_ctrl.SetColumnModify(0, 0));
    EXPECT_FALSE(m_ctrl.SetColumnModify(0, 1));         // no in-place editing
    EXPECT_FALSE(m_ctrl.SetColumnComboSorted(3, 0));

    // A column put in front moves the texts already written along with their columns.
    CTreeListItem* pItem = AddRow("Studio", "7.2", "beta");
    EXPECT_EQ(m_ctrl.InsertColumn("Mark", 0, 30, 0), 0);
    EXPECT_STREQ(m_ctrl.GetItemText(pItem, 0), "");
    EXPECT_STREQ(m_ctrl.GetItemText(pItem, 1), "Studio");
    EXPECT_STREQ(m_ctrl.GetItemText(pItem, 3), "beta");
}

TEST_F(TreeListTest, ChecksFollowTheProgramAndTheUserUnlessLocked)
{
    CTreeListItem* pFree = AddRow("Free");
    CTreeListItem* pLocked = AddRow("Locked");
    EXPECT_FALSE(m_ctrl.GetCheck(pFree));
    EXPECT_TRUE(m_ctrl.SetCheck(pFree, TRUE));
    EXPECT_TRUE(m_ctrl.GetCheck(pFree));
    EXPECT_TRUE(m_ctrl.DisableCheck(pLocked, TRUE));
    EXPECT_TRUE(m_ctrl.IsCheckDisabled(pLocked));
    EXPECT_FALSE(m_ctrl.IsCheckDisabled(pFree));
    EXPECT_TRUE(m_ctrl.SetCheck(pLocked, TRUE));    // the lock keeps only the user out
    EXPECT_TRUE(m_ctrl.GetCheck(pLocked));
    EXPECT_TRUE(m_host.m_notes.empty());

    Mouse(WM_LBUTTONDOWN, PointAt(1, -1));
    EXPECT_TRUE(m_ctrl.GetCheck(pLocked));
    EXPECT_TRUE(m_host.m_notes.empty());

    Mouse(WM_LBUTTONDOWN, PointAt(0, -1));
    EXPECT_FALSE(m_ctrl.GetCheck(pFree));
    ASSERT_EQ(m_host.Codes(), (std::vector<UINT>{TLN_CHECKCHANGING, TLN_CHECKCHANGED}));
    EXPECT_EQ(m_host.m_notes[1].pItem, pFree);
    EXPECT_EQ(m_host.m_notes[1].nColumn, 0);
    EXPECT_EQ(m_host.m_notes[1].nId, kId);
    EXPECT_EQ(m_host.m_notes[1].hFrom, m_ctrl.GetSafeHwnd());
    EXPECT_EQ(m_ctrl.GetSelectedItem(), nullptr);       // the box leaves the selection alone

    // A quick second click on the box arrives as a double click: a second toggle.
    Mouse(WM_LBUTTONDBLCLK, PointAt(0, -1));
    EXPECT_TRUE(m_ctrl.GetCheck(pFree));

    // Space toggles the selected row, not a locked one.
    Mouse(WM_LBUTTONDOWN, PointAt(0, 1));
    m_host.m_notes.clear();
    Key(VK_SPACE);
    EXPECT_FALSE(m_ctrl.GetCheck(pFree));
    EXPECT_EQ(m_host.Codes(), (std::vector<UINT>{TLN_CHECKCHANGING, TLN_CHECKCHANGED}));
    Key(VK_DOWN);
    m_host.m_notes.clear();
    Key(VK_SPACE);
    EXPECT_TRUE(m_ctrl.GetCheck(pLocked));
    EXPECT_TRUE(m_host.m_notes.empty());

    // Unlocked again, the user may change it; without check boxes the box cell is just the row.
    EXPECT_TRUE(m_ctrl.DisableCheck(pLocked, FALSE));
    Mouse(WM_LBUTTONDOWN, PointAt(1, -1));
    EXPECT_FALSE(m_ctrl.GetCheck(pLocked));
    m_ctrl.SetStyle(0x60DB08);
    Mouse(WM_LBUTTONDOWN, PointAt(0, -1));
    EXPECT_FALSE(m_ctrl.GetCheck(pFree));
    EXPECT_EQ(m_ctrl.GetSelectedItem(), pFree);
}

TEST_F(TreeListTest, ClicksSelectAndNotifyTheParentWithRowAndColumn)
{
    CTreeListItem* pRows[3] = {AddRow("One"), AddRow("Two"), AddRow("Three")};

    Mouse(WM_LBUTTONDOWN, PointAt(1, 1));
    EXPECT_EQ(m_ctrl.GetSelectedItem(), pRows[1]);
    ASSERT_EQ(m_host.Codes(), (std::vector<UINT>{TLN_SELCHANGING, TLN_SELCHANGED}));
    EXPECT_EQ(m_host.m_notes[1].pItem, pRows[1]);
    EXPECT_EQ(m_host.m_notes[1].nColumn, 1);

    m_host.m_notes.clear();
    Mouse(WM_LBUTTONDOWN, PointAt(1, 2));    // already selected
    Mouse(WM_LBUTTONDOWN, PointAt(5, 0));    // below the rows
    EXPECT_TRUE(m_host.m_notes.empty());
    EXPECT_EQ(m_ctrl.GetSelectedItem(), pRows[1]);

    // A right click selects its row first, for the menu that acts on the selection.
    Mouse(WM_RBUTTONDOWN, PointAt(2, 2));
    EXPECT_EQ(m_ctrl.GetSelectedItem(), pRows[2]);
    ASSERT_EQ(m_host.Codes(), (std::vector<UINT>{TLN_SELCHANGING, TLN_SELCHANGED, TLN_RCLICK}));
    EXPECT_EQ(m_host.m_notes[2].pItem, pRows[2]);
    EXPECT_EQ(m_host.m_notes[2].nColumn, 2);

    m_host.m_notes.clear();
    Mouse(WM_LBUTTONDBLCLK, PointAt(0, 2));
    Mouse(WM_RBUTTONDOWN, PointAt(6, 0));
    ASSERT_EQ(m_host.Codes(), (std::vector<UINT>{TLN_DBLCLICK, TLN_RCLICK}));
    EXPECT_EQ(m_host.m_notes[0].pItem, pRows[0]);
    EXPECT_EQ(m_host.m_notes[0].nColumn, 2);
    EXPECT_EQ(m_host.m_notes[1].pItem, nullptr);
    EXPECT_EQ(m_ctrl.GetSelectedItem(), pRows[2]);

    // Up and down move the selection, stopping at the ends.
    m_host.m_notes.clear();
    Key(VK_UP);
    Key(VK_UP);
    Key(VK_UP);
    EXPECT_EQ(m_ctrl.GetSelectedItem(), pRows[0]);
    EXPECT_EQ(m_host.Codes().size(), 4u);
    Key(VK_DOWN);
    EXPECT_EQ(m_ctrl.GetSelectedItem(), pRows[1]);
    EXPECT_EQ(m_host.m_notes.back().nColumn, 0);
}

TEST_F(TreeListTest, ParentMayRefuseSelectionAndCheckChanges)
{
    CTreeListItem* pItem = AddRow("One");
    m_host.m_nRefusedCode = TLN_SELCHANGING;
    Mouse(WM_LBUTTONDOWN, PointAt(0, 1));
    EXPECT_EQ(m_ctrl.GetSelectedItem(), nullptr);
    m_host.m_nRefusedCode = TLN_CHECKCHANGING;
    Mouse(WM_LBUTTONDOWN, PointAt(0, -1));
    EXPECT_FALSE(m_ctrl.GetCheck(pItem));
    EXPECT_EQ(m_host.Codes(), (std::vector<UINT>{TLN_SELCHANGING, TLN_CHECKCHANGING}));
}

TEST_F(TreeListReflectTest, AViewAnswersChangingNotificationsBeforeTheParent)
{
    CTreeListItem* pItem = AddRow("One");
    m_host.m_nRefusedCode = TLN_CHECKCHANGING;     // never asked
    Mouse(WM_LBUTTONDOWN, PointAt(0, 1));
    Mouse(WM_LBUTTONDOWN, PointAt(0, -1));
    EXPECT_EQ(m_ctrl.GetSelectedItem(), pItem);
    EXPECT_TRUE(m_ctrl.GetCheck(pItem));
    EXPECT_EQ(m_ctrl.m_nTaken, 2);
    EXPECT_EQ(m_host.Codes(), (std::vector<UINT>{TLN_SELCHANGED, TLN_CHECKCHANGED}));
}

TEST_F(TreeListTest, DeletedRowsLeaveTheWalkAndTheSelection)
{
    CTreeListItem* pOne = AddRow("One");
    CTreeListItem* pTwo = AddRow("Two");
    CTreeListItem* pThree = AddRow("Three");
    Mouse(WM_LBUTTONDOWN, PointAt(1, 1));
    ASSERT_EQ(m_ctrl.GetSelectedItem(), pTwo);

    EXPECT_TRUE(m_ctrl.DeleteItem(pTwo));
    EXPECT_EQ(m_ctrl.GetSelectedItem(), nullptr);
    EXPECT_EQ(m_ctrl.GetNextItem(pOne, TLGN_NEXT), pThree);
    EXPECT_EQ(m_ctrl.GetItemIndex(pThree), 1);
    EXPECT_EQ(m_ctrl.GetCount(), 2);
    // The handle is dead: every operation on it fails.
    EXPECT_FALSE(m_ctrl.DeleteItem(pTwo));
    EXPECT_FALSE(m_ctrl.SetCheck(pTwo));
    EXPECT_FALSE(m_ctrl.SetItemText(pTwo, "x"));
    EXPECT_EQ(m_ctrl.GetNextItem(pTwo, TLGN_NEXT), nullptr);
    EXPECT_EQ(m_ctrl.GetItemIndex(pTwo), -1);

    EXPECT_TRUE(m_ctrl.DeleteAllItems());
    EXPECT_EQ(m_ctrl.GetCount(), 0);
    EXPECT_EQ(m_ctrl.GetRootItem(), nullptr);
    EXPECT_STREQ(m_ctrl.GetItemText(0, 0), "");
}

TEST_F(TreeListTest, ScrollingKeepsClicksOnTheRowsShown)
{
    // Filled with drawing held back, the rows are laid out once at the end.
    ::SendMessageA(m_ctrl, WM_SETREDRAW, FALSE, 0);
    char szName[16];
    for (int i = 0; i < 40; ++i) {
        wsprintfA(szName, "Row %02d", i);
        AddRow(szName);
    }
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    GetScrollInfo(m_ctrl, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 0);
    ::SendMessageA(m_ctrl, WM_SETREDRAW, TRUE, 0);
    ASSERT_TRUE(GetScrollInfo(m_ctrl, SB_VERT, &si));
    EXPECT_EQ(si.nMax, 39);
    int nPage = static_cast<int>(si.nPage);
    ASSERT_GT(nPage, 3);
    ASSERT_LT(nPage, 40);

    for (int i = 0; i < 3; ++i)
        ::SendMessageA(m_ctrl, WM_VSCROLL, SB_LINEDOWN, 0);
    Mouse(WM_LBUTTONDOWN, PointAt(0, 1));
    EXPECT_STREQ(m_ctrl.GetItemText(m_ctrl.GetSelectedItem()), "Row 03");

    // The keyboard brings the selection into view.
    ::SendMessageA(m_ctrl, WM_VSCROLL, SB_TOP, 0);
    Mouse(WM_LBUTTONDOWN, PointAt(nPage - 1, 1));
    Key(VK_DOWN);
    EXPECT_EQ(GetScrollPos(m_ctrl, SB_VERT), 1);
    ::SendMessageA(m_ctrl, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(GetScrollPos(m_ctrl, SB_VERT), 40 - nPage);

    // Rows deleted while drawing is held: the top row moves up by those above it, a row
    // appended meanwhile comes last.
    ::SendMessageA(m_ctrl, WM_VSCROLL, SB_TOP, 0);
    for (int i = 0; i < 5; ++i)
        ::SendMessageA(m_ctrl, WM_VSCROLL, SB_LINEDOWN, 0);
    std::vector<CTreeListItem*> gone = {m_ctrl.GetTreeListItem(0), m_ctrl.GetTreeListItem(2), m_ctrl.GetTreeListItem(5)};
    CTreeListItem* pSix = m_ctrl.GetTreeListItem(6);
    ::SendMessageA(m_ctrl, WM_SETREDRAW, FALSE, 0);
    for (CTreeListItem* pRow : gone)
        EXPECT_TRUE(m_ctrl.DeleteItem(pRow));
    EXPECT_FALSE(m_ctrl.DeleteItem(gone[1]));
    CTreeListItem* pLast = AddRow("Row 40");
    ::SendMessageA(m_ctrl, WM_SETREDRAW, TRUE, 0);
    EXPECT_EQ(GetScrollPos(m_ctrl, SB_VERT), 3);
    EXPECT_EQ(m_ctrl.GetItemIndex(pSix), 3);
    EXPECT_EQ(m_ctrl.GetItemIndex(pLast), 37);
    Mouse(WM_LBUTTONDOWN, PointAt(0, 1));
    EXPECT_EQ(m_ctrl.GetSelectedItem(), pSix);

    // Columns wider than the view scroll sideways, header and cells together.
    for (int i = 0; i < 3; ++i)
        m_ctrl.SetColumnWidth(i, 300);
    ::SendMessageA(m_ctrl, WM_HSCROLL, SB_RIGHT, 0);
    EXPECT_GT(GetScrollPos(m_ctrl, SB_HORZ), 400);
    m_host.m_notes.clear();
    RECT rcClient;
    GetClientRect(m_ctrl, &rcClient);
    Mouse(WM_LBUTTONDBLCLK, {rcClient.right - 5, HeaderHeight() + 2});
    ASSERT_EQ(m_host.m_notes.size(), 1u);
    EXPECT_EQ(m_host.m_notes[0].nColumn, 2);
    ::SendMessageA(m_ctrl, WM_HSCROLL, SB_LEFT, 0);
    EXPECT_EQ(GetScrollPos(m_ctrl, SB_HORZ), 0);
}

TEST_F(TreeListTest, ImagesAreKeptAndDrawnFromTheImageList)
{
    // A 16x16 image list of two solid colours, made the way the views make theirs.
    HIMAGELIST hImages = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 1);
    HDC hScreen = GetDC(nullptr);
    HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, 32, 16);
    HDC hMem = CreateCompatibleDC(hScreen);
    HGDIOBJ hOld = SelectObject(hMem, hBitmap);
    RECT rcGreen = {0, 0, 16, 16}, rcBlue = {16, 0, 32, 16};
    HBRUSH hGreen = CreateSolidBrush(RGB(0, 200, 0)), hBlue = CreateSolidBrush(RGB(0, 0, 200));
    FillRect(hMem, &rcGreen, hGreen);
    FillRect(hMem, &rcBlue, hBlue);
    SelectObject(hMem, hOld);
    ASSERT_EQ(ImageList_AddMasked(hImages, hBitmap, RGB(255, 0, 255)), 0);

    EXPECT_EQ(m_ctrl.SetImageList(hImages), nullptr);
    CTreeListItem* pPlain = AddRow("Plain");
    CTreeListItem* pBlue = AddRow("Blue");
    int n[4];
    ASSERT_TRUE(m_ctrl.GetItemImage(pPlain, n[0], n[1], n[2], n[3]));
    EXPECT_EQ(n[0], -1);
    EXPECT_TRUE(m_ctrl.SetItemImage(pBlue, 1, 1, 1, 1));
    ASSERT_TRUE(m_ctrl.GetItemImage(pBlue, n[0], n[1], n[2], n[3]));
    EXPECT_EQ(n[0], 1);
    EXPECT_EQ(n[3], 1);

    InvalidateRect(m_ctrl, nullptr, FALSE);
    UpdateWindow(m_ctrl);
    HDC hDC = GetDC(m_ctrl);
    int x = CTreeListCtrl::kCheckBoxCell + 8;
    EXPECT_EQ(GetPixel(hDC, x, PointAt(1, 0).y), RGB(0, 0, 200));
    EXPECT_EQ(GetPixel(hDC, x, PointAt(0, 0).y), GetSysColor(COLOR_WINDOW));
    ReleaseDC(m_ctrl, hDC);

    EXPECT_EQ(m_ctrl.SetImageList(nullptr), hImages);
    DeleteObject(hGreen);
    DeleteObject(hBlue);
    DeleteDC(hMem);
    DeleteObject(hBitmap);
    ReleaseDC(nullptr, hScreen);
    ImageList_Destroy(hImages);
}

TEST_F(TreeListColourTest, ADerivedViewColoursEachRowItDraws)
{
    CTreeListItem* pRows[3] = {AddRow("Plain", "1.0", ""), AddRow("Beta", "2.0", "BETA"), AddRow("Other", "3.0", "beta ")};
    m_ctrl.m_asked.clear();
    InvalidateRect(m_ctrl, nullptr, FALSE);
    UpdateWindow(m_ctrl);
    EXPECT_EQ(m_ctrl.m_asked, (std::set<CTreeListItem*>{pRows[0], pRows[1], pRows[2]}));

    // Text pixels of the beta row are red-tinted (smoothed text blends towards the background).
    HDC hDC = GetDC(m_ctrl);
    auto redPixels = [&](int nRow) {
        int nCount = 0;
        POINT pt = PointAt(nRow, 0);
        for (int y = pt.y - kRowHeight / 2; y < pt.y + kRowHeight / 2; ++y)
            for (int x = CTreeListCtrl::kCheckBoxCell; x < kWidths[0]; ++x) {
                COLORREF cr = GetPixel(hDC, x, y);
                nCount += GetRValue(cr) > GetGValue(cr) + 40;
            }
        return nCount;
    };
    EXPECT_GT(redPixels(1), 10);
    EXPECT_EQ(redPixels(0), 0);
    EXPECT_EQ(redPixels(2), 0);
    ReleaseDC(m_ctrl, hDC);

    // A row's new text redraws that row alone.
    m_ctrl.m_asked.clear();
    m_ctrl.SetItemText(pRows[1], "2.1", 1);
    UpdateWindow(m_ctrl);
    EXPECT_EQ(m_ctrl.m_asked, std::set<CTreeListItem*>{pRows[1]});
}

TEST_F(TreeListTest, WorkerThreadsCallWhileTheWindowThreadPumps)
{
    std::atomic<int> nRunning{2};
    std::atomic<bool> bDone{false};
    std::atomic<int> nFailures{0};
    auto work = [&](int nThread) {
        char szText[32];
        for (int i = 0; i < 50; ++i) {
            wsprintfA(szText, "T%d-%02d", nThread, i);
            CTreeListItem* pItem = m_ctrl.InsertItem(szText, TLI_ROOT, TLI_LAST);
            bool bOk = pItem && m_ctrl.SetItemText(pItem, szText, 1)
                && m_ctrl.SetItemData(pItem, static_cast<DWORD_PTR>(nThread * 100 + i))
                && m_ctrl.SetCheck(pItem, i % 2) && m_ctrl.GetCheck(pItem) == i % 2
                && m_ctrl.GetItemText(pItem, 1) == szText;
            nFailures += bOk ? 0 : 1;
        }
        if (--nRunning == 0)
            bDone = true;
    };
    std::thread first(work, 1), second(work, 2);
    PumpUntil(bDone);
    first.join();
    second.join();

    EXPECT_EQ(nFailures, 0);
    ASSERT_EQ(m_ctrl.GetCount(), 100);
    for (int i = 0; i < 100; ++i) {
        CString strText = m_ctrl.GetItemText(i, 0);
        int nThread = strText[1] - '0';
        int nIndex = atoi(static_cast<LPCSTR>(strText) + 3);
        EXPECT_EQ(m_ctrl.GetItemData(i), static_cast<DWORD_PTR>(nThread * 100 + nIndex)) << strText;
    }
}

TEST(TreeListWithoutWindowTest, OperationsFailQuietlyBeforeCreateAndAfterDestroy)
{
    CTreeListCtrl ctrl;
    EXPECT_EQ(ctrl.InsertItem("x"), nullptr);
    EXPECT_EQ(ctrl.InsertColumn("x"), -1);
    EXPECT_EQ(ctrl.GetCount(), 0);
    EXPECT_STREQ(ctrl.GetItemText(0, 0), "");

    HostWindow& host = HostWindow::Get();
    RECT rc = {0, 0, 200, 100};
    ASSERT_TRUE(ctrl.Create(WS_CHILD | WS_VISIBLE, rc, &host.m_wnd, kId));
    EXPECT_FALSE(ctrl.Create(WS_CHILD | WS_VISIBLE, rc, &host.m_wnd, kId));   // already made
    ASSERT_NE(ctrl.InsertItem("x"), nullptr);
    DestroyWindow(ctrl);
    EXPECT_EQ(ctrl.GetSafeHwnd(), nullptr);
    EXPECT_EQ(ctrl.GetCount(), 0);
    EXPECT_EQ(ctrl.GetRootItem(), nullptr);
}

} // namespace

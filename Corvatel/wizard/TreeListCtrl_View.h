// CTreeListCtrl_View: what the wizard's three list views share: a 10-point Arial font, rows 16
// pixels high with images from a bitmap resource, a column table whose widths are percentages
// of the view's width, and two private messages: the column set-up the view posts itself when
// it is created, and the refresh the pages post after creating it.
#pragma once

#include <CImageList.h>
#include <TreeListCtrl.h>

// Posted by the view to itself when its window is created: inserts the columns.
#define WM_TREE_SETUP_COLUMNS (WM_USER + 200)
// Posted by the pages: sizes the columns and, depending on the view, fills it.
#define WM_TREE_REFRESH (WM_USER + 201)

// Styles of the views (TLS_ bits of the control): the selection page's lists have check boxes,
// the install list has none.
const DWORD kSelectionListStyle = 0x68DB08;
const DWORD kInstallListStyle = 0x60DB08;

// One row of a view's column table.
struct TreeListColumn
{
    const char* pszName;
    unsigned nPercent;  // of the client width
    UINT nFormat = 0x104145;
    int nModify = 0;
    int nComboSorted = 0;
    int nIndex = 0;     // written when the column is inserted
};

// A column table and its length, as GetColumns gives them.
template <size_t N>
TreeListColumn* ColumnTable(TreeListColumn (&columns)[N], int& nCount)
{
    nCount = static_cast<int>(N);
    return columns;
}

// Holds back a list's layout and drawing while many of its rows change; the list is laid out
// and drawn once when it ends. A null list is left alone.
class CRedrawHeld
{
public:
    explicit CRedrawHeld(CTreeListCtrl* pList) : m_pList(pList)
    {
        if (m_pList)
            m_pList->SendMessage(WM_SETREDRAW, FALSE);
    }
    ~CRedrawHeld()
    {
        if (m_pList)
            m_pList->SendMessage(WM_SETREDRAW, TRUE);
    }
    CRedrawHeld(const CRedrawHeld&) = delete;
    CRedrawHeld& operator=(const CRedrawHeld&) = delete;

private:
    CTreeListCtrl* m_pList;
};

class CTreeListCtrl_View : public CTreeListCtrl
{
public:
    CTreeListCtrl_View(UINT nBitmapID, DWORD dwViewStyle);

    // Creates the window as the parent's child in the place of one of its controls, and shows it.
    BOOL CreateOver(CWnd* pParent, int nPlaceholderID, UINT nID);
    // All four images of the row at once.
    void SetRowImage(CTreeListItem* pRow, int nImage);

    CImageList m_imageList;

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    // The view's column table as it stands now; nCount receives its length.
    virtual TreeListColumn* GetColumns(int& nCount) = 0;
    // WM_TREE_REFRESH; the result goes back to the sender.
    virtual LRESULT OnRefresh() = 0;

    void SetupColumns();
    void ResizeColumns();

private:
    UINT m_nBitmapID;
    DWORD m_dwViewStyle;
};

// CTreeListCtrl: a list of rows shown in columns under a header, each row with an optional
// check box (which may be locked), an image from an image list, a text per column, a value of
// the caller's and a text colour a derived view may choose.
//
// Threads: every public operation is a message sent to the control's window, and the window
// procedure does the work on the thread that created the window. Any thread may call them while
// that thread pumps messages; a caller on another thread waits until the work is done. Do not
// call them from a thread the window's thread is waiting for. Before Create, and after the
// window is gone, the operations fail (null, 0, FALSE, empty text). The messages WM_USER+0x1000
// to WM_USER+0x10FF are the control's own; a derived view picks its messages elsewhere.
// WM_VSCROLL and WM_HSCROLL with the usual SB_ codes scroll it, for the program as for the user.
// WM_SETREDRAW FALSE holds back layout and drawing while a program changes many rows; TRUE lays
// the control out and draws it once.
//
// Rows are flat (every row is top-level); a row handle stays valid until its row is deleted or
// the window is destroyed. Layout, left to right in column 0: the check box in the first 16
// pixels (with TLS_CHECKBOXES), the row's image (when an image list is set), then the text.
#pragma once

#include <CWnd.h>
#include <commctrl.h>

#include <unordered_set>
#include <vector>

#include "TreeListFont.h"

// Registers the control's window class and the common controls it uses; call once at start.
// Create registers the class too, so this only moves the work to a known moment.
BOOL TurboDllInitResourceChain();

#define TREELIST_CLASSNAME "CorvatelTreeList"

// Row handle; the row's contents are reached only through the control.
class CTreeListItem;
struct TLCellArgs;

// Special handles for InsertItem. Rows are 16-byte aligned objects, so these odd values never
// collide with a real row.
#define TLI_ROOT  reinterpret_cast<CTreeListItem*>(static_cast<ULONG_PTR>(0xFFFF0001))  // parent: top level
#define TLI_LAST  reinterpret_cast<CTreeListItem*>(static_cast<ULONG_PTR>(0xFFFF0002))  // after the last row
#define TLI_FIRST reinterpret_cast<CTreeListItem*>(static_cast<ULONG_PTR>(0xFFFF0003))  // before the first row
#define TLI_SORT  reinterpret_cast<CTreeListItem*>(static_cast<ULONG_PTR>(0xFFFF0004))  // by column 0 text, no case, after equal texts

// Control styles (SetStyle). Other bits are kept and have no effect.
#define TLS_SHOWSELALWAYS 0x00000008u   // selection highlighted even without the focus
#define TLS_CHECKBOXES    0x00080000u   // a check box at the start of every row

// Column formats (InsertColumn). Text is left-aligned unless a bit says otherwise; other bits
// are kept and have no effect.
#define TLCF_RIGHT    0x00000002u
#define TLCF_ELLIPSIS 0x00000004u       // "..." ends a text too wide for its cell
#define TLCF_CENTER   0x00000008u

// GetNextItem codes.
#define TLGN_NEXT 1

// Notifications: WM_NOTIFY to the parent with an NMTREELIST. Each is first offered to the control
// itself as WM_TREELIST_REFLECT (see below).
#define TLN_DBLCLICK      0xFE51u   // double click on a row or below the rows (pItem null)
#define TLN_RCLICK        0xFE52u   // right click; the row under the cursor was selected first
#define TLN_CHECKCHANGED  0xFE55u   // the user toggled pItem's box: a click on it (the selection
                                    // stays as it was) or space on the selected row
#define TLN_SELCHANGING   0xFE5Bu   // the user is about to select pItem; non-zero result refuses
#define TLN_CHECKCHANGING 0xFE5Cu   // the user is about to toggle pItem's box; non-zero result refuses
#define TLN_SELCHANGED    0xFE6Eu   // the user selected pItem

struct NMTREELIST
{
    NMHDR hdr;
    CTreeListItem* pItem;   // the row concerned, null when the click hit no row
    int nColumn;            // the column clicked, 0 for the keyboard, -1 right of the last column
};

// Sent by the control to itself before a notification goes to the parent: wParam = control id,
// lParam = NMTREELIST*. A derived view that handles it returns the notification's result and the
// parent never sees it; the base procedure forwards it to the parent as WM_NOTIFY.
#define WM_TREELIST_REFLECT (WM_USER + 0x1000)

class CTreeListCtrl : public CWnd
{
public:
    static constexpr int kCheckBoxCell = 16;    // width of the check box cell at the start of column 0

    CTreeListCtrl();
    // Destroys the window through its own thread, which must be pumping messages.
    ~CTreeListCtrl() override;

    // Non-zero on success. The window gets WS_CLIPCHILDREN in addition to dwStyle.
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // Returns the previous style.
    DWORD SetStyle(DWORD dwStyle);
    // Not owned: the caller keeps the list alive as long as the control uses it. Returns the previous one.
    HIMAGELIST SetImageList(HIMAGELIST hImageList);
    // Pixel height of every row (at least 1); returns the previous height.
    int SetItemHeight(int nHeight);

    // Appends (nBefore -1) or inserts a column; returns its index or -1. Width limits of 0 mean none;
    // they hold for SetColumnWidth and for the user dragging the header divider.
    int InsertColumn(LPCSTR pszName, UINT nFormat = 0, int nWidth = 0, int nBefore = -1,
                     int nMinWidth = 0, int nMaxWidth = 0);
    // The control has no in-place editing, so its columns are read-only and have no drop-down
    // list: 0 is the only value these accept.
    BOOL SetColumnComboSorted(int nColumn, int nSorted);
    BOOL SetColumnModify(int nColumn, int nModify);
    // Limits of 0 leave the column's limits as they are.
    BOOL SetColumnWidth(int nColumn, int nWidth, int nMinWidth = 0, int nMaxWidth = 0);
    int GetColumnWidth(int nColumn) const;      // -1 for no such column
    int GetColumnCount() const;

    // pParent must be TLI_ROOT (or null); pInsertAfter is TLI_LAST (or null), TLI_FIRST, TLI_SORT
    // or a row. Returns the new row, null on failure.
    CTreeListItem* InsertItem(LPCSTR pszText, CTreeListItem* pParent = TLI_ROOT,
                              CTreeListItem* pInsertAfter = TLI_LAST);

    // Texts may be set for columns 0 to 255, including columns not yet inserted.
    BOOL SetItemText(CTreeListItem* pItem, LPCSTR pszText, int nColumn = 0);
    BOOL SetItemText(int nIndex, LPCSTR pszText, int nColumn = 0);
    CString GetItemText(CTreeListItem* pItem, int nColumn = 0) const;
    CString GetItemText(int nIndex, int nColumn = 0) const;

    BOOL SetItemData(CTreeListItem* pItem, DWORD_PTR dwData);
    BOOL SetItemData(int nIndex, DWORD_PTR dwData);
    DWORD_PTR GetItemData(CTreeListItem* pItem) const;     // 0 for no such row
    DWORD_PTR GetItemData(int nIndex) const;

    // Image indexes in the image list, -1 for none (a new row has none). Rows are never expanded,
    // so the row draws nImage, or nSelectedImage while selected; all four are kept and returned.
    BOOL SetItemImage(CTreeListItem* pItem, int nImage, int nSelectedImage,
                      int nExpandedImage, int nExpandedSelectedImage);
    BOOL GetItemImage(CTreeListItem* pItem, int& nImage, int& nSelectedImage,
                      int& nExpandedImage, int& nExpandedSelectedImage) const;

    int GetCount() const;
    CTreeListItem* GetTreeListItem(int nIndex) const;   // null outside 0..count-1
    int GetItemIndex(CTreeListItem* pItem) const;       // -1 for no such row
    CTreeListItem* GetRootItem() const;                 // first row, null when empty
    CTreeListItem* GetNextItem(CTreeListItem* pItem, UINT nCode) const;   // null after the last
    CTreeListItem* GetSelectedItem() const;

    // The program may tick a locked box; only the user is kept from it. None of these notify.
    BOOL GetCheck(CTreeListItem* pItem) const;
    BOOL SetCheck(CTreeListItem* pItem, BOOL bCheck = TRUE);
    BOOL DisableCheck(CTreeListItem* pItem, BOOL bDisable = TRUE);
    BOOL IsCheckDisabled(CTreeListItem* pItem) const;

    BOOL DeleteItem(CTreeListItem* pItem);
    BOOL DeleteAllItems();

    // Asked for each row as it is drawn, on the window's thread; the base gives the window text
    // colour. A selected row of the focused control is drawn in the highlight text colour instead.
    virtual COLORREF GetTextColor(CTreeListItem* pItem);

    // Rows and header are drawn with this font; the stock GUI font while it holds none.
    CTreeListFont m_font;

protected:
    // Called by Create before the window exists; FALSE stops the creation.
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    // Derived views handle their messages here and fall back to this one.
    virtual LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);

private:
    friend BOOL TurboDllInitResourceChain();

    struct Column
    {
        UINT nFormat;
        int nMinWidth;
        int nMaxWidth;
    };

    static LRESULT CALLBACK StaticWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    // Window procedure parts (TreeListWndProc.cpp).
    LRESULT OnOperation(UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate();
    void OnDestroyed();
    void OnLButtonDown(int x, int y, bool bDoubleClick);
    void OnRButtonDown(int x, int y);
    void OnKeyDown(UINT nKey, LPARAM lFlags);
    void OnScroll(int nBar, UINT nCode);
    LRESULT OnHeaderNotify(NMHDR* pHdr);

    CString CellText(TLCellArgs args) const;
    bool IsRow(const CTreeListItem* pItem) const;
    // The row's index among the rows, -1 for none; packs the rows first.
    int FindRow(const CTreeListItem* pItem);
    // By handle as the row stands, or by index among the packed rows.
    CTreeListItem* RowAt(CTreeListItem* pItem, int nIndex);
    CTreeListItem* DoInsertItem(LPCSTR pszText, CTreeListItem* pParent, CTreeListItem* pInsertAfter);
    void DoDeleteRow(CTreeListItem* pItem);
    int DoInsertColumn(LPCSTR pszName, UINT nFormat, int nWidth, int nBefore, int nMinWidth, int nMaxWidth);
    BOOL DoSetColumnWidth(int nColumn, int nWidth, int nMinWidth, int nMaxWidth);
    int ClampWidth(int nColumn, int nWidth) const;

    // Selection and check changes made by the user, with their notifications.
    void SelectByUser(int nRow, int nColumn);
    void ToggleByUser(int nRow, int nColumn);
    LRESULT Notify(UINT nCode, CTreeListItem* pItem, int nColumn);

    // Geometry.
    void Layout();
    void NumberRows(size_t nFrom);
    void PackRows();
    int HeaderHeight() const;
    int VisibleRows() const;
    int TotalColumnWidth() const;
    bool ColumnBounds(int nColumn, int& nLeft, int& nRight) const;   // client x, scroll applied
    int HitRow(int y) const;
    int HitColumn(int x) const;
    bool InCheckBox(int x) const;
    void EnsureVisible(int nRow);
    void InvalidateItem(const CTreeListItem* pItem);
    void InvalidateRow(int nRow);

    // Drawing (TreeListPaint.cpp).
    void OnPaint();
    void DrawRow(HDC hDC, int nRow, const RECT& rcRow, bool bActive);
    HFONT DrawingFont() const;

    // In order; a deleted row leaves a null until PackRows, so while m_nHoles is not 0 a row's
    // m_nIndex and m_nTopRow count the holes too.
    std::vector<CTreeListItem*> m_rows;
    size_t m_nHoles = 0;
    // The rows that exist, so a handle is checked without being dereferenced.
    std::unordered_set<const CTreeListItem*> m_liveRows;
    std::vector<Column> m_columns;
    HWND m_hHeader;
    HIMAGELIST m_hImageList;
    DWORD m_dwStyle;
    int m_nItemHeight;
    CTreeListItem* m_pSelected;
    int m_nTopRow;
    int m_nScrollX;
    bool m_bInLayout;
    bool m_bRedraw;
};

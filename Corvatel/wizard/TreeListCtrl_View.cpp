#include "TreeListCtrl_View.h"

namespace {

const int kImageSize = 16;
const COLORREF kMaskColour = RGB(255, 0, 255);

} // namespace

CTreeListCtrl_View::CTreeListCtrl_View(UINT nBitmapID, DWORD dwViewStyle)
    : m_nBitmapID(nBitmapID), m_dwViewStyle(dwViewStyle)
{
}

BOOL CTreeListCtrl_View::PreCreateWindow(CREATESTRUCTA& cs)
{
    m_font.DeleteObject();
    m_font.CreatePointFont(100, "Arial");
    return CTreeListCtrl::PreCreateWindow(cs);
}

LRESULT CTreeListCtrl_View::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE: {
        LRESULT lResult = CTreeListCtrl::WindowProc(uMsg, wParam, lParam);
        if (lResult == -1)
            return -1;
        PostMessage(WM_TREE_SETUP_COLUMNS);
        return 0;
    }
    case WM_TREE_SETUP_COLUMNS:
        SetupColumns();
        return 0;
    case WM_TREE_REFRESH:
        return OnRefresh();
    case WM_TREELIST_REFLECT: {
        // The user may always select a row and toggle an unlocked box; the parent is not asked.
        UINT nCode = reinterpret_cast<NMHDR*>(lParam)->code;
        if (nCode == TLN_SELCHANGING || nCode == TLN_CHECKCHANGING)
            return 0;
        break;
    }
    }
    return CTreeListCtrl::WindowProc(uMsg, wParam, lParam);
}

BOOL CTreeListCtrl_View::CreateOver(CWnd* pParent, int nPlaceholderID, UINT nID)
{
    RECT rc = {};
    GetWindowRect(::GetDlgItem(pParent->m_hWnd, nPlaceholderID), &rc);
    MapWindowPoints(nullptr, pParent->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    if (!Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, rc, pParent, nID))
        return FALSE;
    ShowWindow(m_hWnd, SW_SHOW);
    return TRUE;
}

void CTreeListCtrl_View::SetupColumns()
{
    m_imageList.Create(m_nBitmapID, kImageSize, 1, kMaskColour);
    SetImageList(m_imageList);
    SetItemHeight(kImageSize);
    SetStyle(m_dwViewStyle);
    int nCount = 0;
    TreeListColumn* pColumns = GetColumns(nCount);
    for (int i = 0; i < nCount; ++i) {
        InsertColumn(pColumns[i].pszName, pColumns[i].nFormat, 0, -1, 0, 0);
        pColumns[i].nIndex = i;
        SetColumnComboSorted(i, pColumns[i].nComboSorted);
    }
}

void CTreeListCtrl_View::ResizeColumns()
{
    RECT rc = {};
    GetClientRect(m_hWnd, &rc);
    unsigned nWidth = static_cast<unsigned>(rc.right - rc.left);
    int nCount = 0;
    TreeListColumn* pColumns = GetColumns(nCount);
    for (int i = 0; i < nCount; ++i) {
        SetColumnModify(pColumns[i].nIndex, pColumns[i].nModify);
        SetColumnWidth(pColumns[i].nIndex, static_cast<int>(pColumns[i].nPercent * nWidth / 100), 0, 0);
    }
}

void CTreeListCtrl_View::SetRowImage(CTreeListItem* pRow, int nImage)
{
    SetItemImage(pRow, nImage, nImage, nImage, nImage);
}

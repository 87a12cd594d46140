// The control's window procedure: the operations' messages, mouse, keyboard, scrolling and the
// header's notifications. Everything here runs on the window's thread.
#include "TreeListCtrl.h"

#include "TreeListItem.h"
#include "TreeListMessages.h"

#include <windowsx.h>

#include <algorithm>
#include <new>

namespace {

const int kMaxTextColumns = 256;    // bound on cell texts, so a stray column number cannot eat memory
const int kLineWidth = 16;          // horizontal scroll step

// The operations on one row by its handle: they work on the rows as they stand, holes and all.
bool IsRowOperation(UINT uMsg)
{
    switch (uMsg) {
    case TLM_INSERTITEM:
    case TLM_SETITEMTEXT:
    case TLM_GETITEMTEXT:
    case TLM_SETITEMDATA:
    case TLM_GETITEMDATA:
    case TLM_SETITEMIMAGE:
    case TLM_GETITEMIMAGE:
    case TLM_GETCHECK:
    case TLM_SETCHECK:
    case TLM_DISABLECHECK:
    case TLM_ISCHECKDISABLED:
    case TLM_DELETEITEM:
        return true;
    }
    return false;
}

} // namespace

LRESULT CTreeListCtrl::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // Whatever counts, walks, lays out or draws the rows finds them packed.
    if (!IsRowOperation(uMsg))
        PackRows();
    if (uMsg >= TLM_FIRST && uMsg <= TLM_LAST) {
        // An exception must not unwind through the system's message dispatch.
        try {
            return OnOperation(uMsg, wParam, lParam);
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
    switch (uMsg) {
    case WM_CREATE:
        return OnCreate();
    case WM_SIZE:
        Layout();
        return 0;
    case WM_SETREDRAW:
        m_bRedraw = wParam != FALSE;
        Layout();
        return 0;
    case WM_ERASEBKGND:
        return 1;   // WM_PAINT covers every pixel
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRow(FindRow(m_pSelected));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(DrawingFont());
    case WM_LBUTTONDOWN:
        OnLButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), false);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnLButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), true);
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_VSCROLL:
        OnScroll(SB_VERT, LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        OnScroll(SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        // Three rows per notch.
        m_nTopRow -= GET_WHEEL_DELTA_WPARAM(wParam) * 3 / WHEEL_DELTA;
        Layout();
        return 0;
    case WM_NOTIFY: {
        auto* pHdr = reinterpret_cast<NMHDR*>(lParam);
        if (pHdr->hwndFrom == m_hHeader)
            return OnHeaderNotify(pHdr);
        break;
    }
    case WM_TREELIST_REFLECT: {
        // Not taken by a derived view: the parent decides.
        HWND hParent = GetParent(m_hWnd);
        return hParent ? ::SendMessageA(hParent, WM_NOTIFY, wParam, lParam) : 0;
    }
    }
    return DefWindowProcA(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CTreeListCtrl::OnOperation(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pRow = reinterpret_cast<CTreeListItem*>(wParam);
    auto* pCell = reinterpret_cast<TLCellArgs*>(lParam);   // only for the messages that carry one
    int nColumnArg = static_cast<int>(wParam);
    switch (uMsg) {
    case TLM_SETSTYLE: {
        DWORD dwOld = m_dwStyle;
        m_dwStyle = static_cast<DWORD>(wParam);
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return dwOld;
    }
    case TLM_SETIMAGELIST: {
        HIMAGELIST hOld = m_hImageList;
        m_hImageList = reinterpret_cast<HIMAGELIST>(lParam);
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return reinterpret_cast<LRESULT>(hOld);
    }
    case TLM_SETITEMHEIGHT: {
        int nOld = m_nItemHeight;
        m_nItemHeight = std::max(1, static_cast<int>(wParam));
        Layout();
        return nOld;
    }
    case TLM_INSERTCOLUMN: {
        auto& args = *reinterpret_cast<TLColumnArgs*>(lParam);
        return DoInsertColumn(args.pszName, args.nFormat, args.nWidth, args.nColumn, args.nMinWidth, args.nMaxWidth);
    }
    case TLM_SETCOLUMNVALUE:
        return nColumnArg >= 0 && nColumnArg < static_cast<int>(m_columns.size()) && lParam == 0;
    case TLM_SETCOLUMNWIDTH: {
        auto& args = *reinterpret_cast<TLColumnArgs*>(lParam);
        return DoSetColumnWidth(args.nColumn, args.nWidth, args.nMinWidth, args.nMaxWidth);
    }
    case TLM_GETCOLUMNWIDTH: {
        HDITEMA hdi = {};
        hdi.mask = HDI_WIDTH;
        if (nColumnArg < 0 || nColumnArg >= static_cast<int>(m_columns.size())
            || !::SendMessageA(m_hHeader, HDM_GETITEMA, wParam, reinterpret_cast<LPARAM>(&hdi)))
            return -1;
        return hdi.cxy;
    }
    case TLM_GETCOLUMNCOUNT:
        return static_cast<LRESULT>(m_columns.size());
    case TLM_INSERTITEM: {
        auto& args = *reinterpret_cast<TLInsertArgs*>(lParam);
        return reinterpret_cast<LRESULT>(DoInsertItem(args.pszText, args.pParent, args.pInsertAfter));
    }
    case TLM_SETITEMTEXT: {
        CTreeListItem* pItem = RowAt(pCell->pItem, pCell->nIndex);
        if (!pItem || pCell->nColumn < 0 || pCell->nColumn >= kMaxTextColumns)
            return FALSE;
        if (static_cast<int>(pItem->m_texts.size()) <= pCell->nColumn)
            pItem->m_texts.resize(pCell->nColumn + 1);
        pItem->m_texts[pCell->nColumn] = pCell->pszText ? pCell->pszText : "";
        InvalidateItem(pItem);
        return TRUE;
    }
    case TLM_GETITEMTEXT: {
        CTreeListItem* pItem = RowAt(pCell->pItem, pCell->nIndex);
        if (!pItem || pCell->nColumn < 0 || pCell->nBufferSize <= 0)
            return 0;
        LPCSTR pszText = "";
        if (pCell->nColumn < static_cast<int>(pItem->m_texts.size()))
            pszText = pItem->m_texts[pCell->nColumn];
        lstrcpynA(pCell->pszBuffer, pszText, pCell->nBufferSize);
        return lstrlenA(pszText);
    }
    case TLM_SETITEMDATA: {
        CTreeListItem* pItem = RowAt(pCell->pItem, pCell->nIndex);
        if (!pItem)
            return FALSE;
        pItem->m_dwData = pCell->dwData;
        return TRUE;
    }
    case TLM_GETITEMDATA: {
        CTreeListItem* pItem = RowAt(pCell->pItem, pCell->nIndex);
        return pItem ? static_cast<LRESULT>(pItem->m_dwData) : 0;
    }
    case TLM_SETITEMIMAGE: {
        CTreeListItem* pItem = RowAt(pCell->pItem, pCell->nIndex);
        if (!pItem)
            return FALSE;
        std::copy(pCell->nImages, pCell->nImages + 4, pItem->m_nImages);
        InvalidateItem(pItem);
        return TRUE;
    }
    case TLM_GETITEMIMAGE: {
        CTreeListItem* pItem = RowAt(pCell->pItem, pCell->nIndex);
        if (!pItem)
            return FALSE;
        std::copy(pItem->m_nImages, pItem->m_nImages + 4, pCell->nImages);
        return TRUE;
    }
    case TLM_GETCOUNT:
        return static_cast<LRESULT>(m_rows.size());
    case TLM_GETITEM:
        return reinterpret_cast<LRESULT>(RowAt(nullptr, static_cast<int>(wParam)));
    case TLM_GETNEXTITEM: {
        int nRow = FindRow(pRow);
        if (lParam != TLGN_NEXT || nRow < 0)
            return 0;
        return reinterpret_cast<LRESULT>(RowAt(nullptr, nRow + 1));
    }
    case TLM_GETSELECTED:
        return reinterpret_cast<LRESULT>(m_pSelected);
    case TLM_GETCHECK:
        return IsRow(pRow) && pRow->m_bChecked;
    case TLM_SETCHECK:
    case TLM_DISABLECHECK:
        if (!IsRow(pRow))
            return FALSE;
        (uMsg == TLM_SETCHECK ? pRow->m_bChecked : pRow->m_bCheckDisabled) = lParam != 0;
        InvalidateItem(pRow);
        return TRUE;
    case TLM_ISCHECKDISABLED:
        return IsRow(pRow) && pRow->m_bCheckDisabled;
    case TLM_DELETEITEM:
        if (!IsRow(pRow))
            return FALSE;
        DoDeleteRow(pRow);
        Layout();
        return TRUE;
    case TLM_DELETEALLITEMS:
        for (CTreeListItem* pItem : m_rows)
            DoDeleteRow(pItem);
        PackRows();
        Layout();
        return TRUE;
    case TLM_DESTROY:
        return DestroyWindow(m_hWnd);
    case TLM_GETITEMINDEX:
        return FindRow(pRow);
    }
    return 0;
}

LRESULT CTreeListCtrl::OnCreate()
{
    auto hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE));
    m_hHeader = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_HORZ | HDS_FULLDRAG,
                                0, 0, 0, 0, m_hWnd, nullptr, hInstance, nullptr);
    if (!m_hHeader)
        return -1;
    ::SendMessageA(m_hHeader, WM_SETFONT, reinterpret_cast<WPARAM>(DrawingFont()), FALSE);
    Layout();
    return 0;
}

void CTreeListCtrl::OnDestroyed()
{
    for (CTreeListItem* pItem : m_rows)
        delete pItem;
    m_rows.clear();
    m_nHoles = 0;
    m_liveRows.clear();
    m_columns.clear();
    m_pSelected = nullptr;
    m_hHeader = nullptr;
    m_nTopRow = m_nScrollX = 0;
    m_hWnd = nullptr;
}

// ---- Rows and columns --------------------------------------------------------------------

bool CTreeListCtrl::IsRow(const CTreeListItem* pItem) const
{
    // Looked up before it is dereferenced: a stale handle from another thread is simply not found.
    return pItem && m_liveRows.find(pItem) != m_liveRows.end();
}

int CTreeListCtrl::FindRow(const CTreeListItem* pItem)
{
    if (!IsRow(pItem))
        return -1;
    PackRows();
    return static_cast<int>(pItem->m_nIndex);
}

void CTreeListCtrl::NumberRows(size_t nFrom)
{
    for (size_t i = nFrom; i < m_rows.size(); ++i)
        m_rows[i]->m_nIndex = i;
}

void CTreeListCtrl::PackRows()
{
    if (!m_nHoles)
        return;
    size_t nKept = 0;
    int nTopRow = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        CTreeListItem* pItem = m_rows[i];
        if (!pItem)
            continue;
        // The rows in view stay in view: the top row moves up by the deleted rows above it.
        if (static_cast<int>(i) < m_nTopRow)
            ++nTopRow;
        pItem->m_nIndex = nKept;
        m_rows[nKept++] = pItem;
    }
    m_rows.resize(nKept);
    m_nTopRow = nTopRow;
    m_nHoles = 0;
}

CTreeListItem* CTreeListCtrl::RowAt(CTreeListItem* pItem, int nIndex)
{
    if (pItem)
        return IsRow(pItem) ? pItem : nullptr;
    PackRows();
    return (nIndex >= 0 && nIndex < static_cast<int>(m_rows.size())) ? m_rows[nIndex] : nullptr;
}

CTreeListItem* CTreeListCtrl::DoInsertItem(LPCSTR pszText, CTreeListItem* pParent, CTreeListItem* pInsertAfter)
{
    if (pParent && pParent != TLI_ROOT)
        return nullptr;     // rows have no children
    CString strText = pszText ? pszText : "";
    // Appending keeps the holes; any other place is counted among packed rows.
    if (pInsertAfter && pInsertAfter != TLI_LAST)
        PackRows();
    size_t nPos;
    if (!pInsertAfter || pInsertAfter == TLI_LAST) {
        nPos = m_rows.size();
    } else if (pInsertAfter == TLI_FIRST) {
        nPos = 0;
    } else if (pInsertAfter == TLI_SORT) {
        auto it = std::upper_bound(m_rows.begin(), m_rows.end(), strText,
                                   [](const CString& strNew, const CTreeListItem* pRow) {
                                       return strNew.CompareNoCase(pRow->m_texts[0]) < 0;
                                   });
        nPos = static_cast<size_t>(it - m_rows.begin());
    } else {
        int nAfter = FindRow(pInsertAfter);
        if (nAfter < 0)
            return nullptr;
        nPos = static_cast<size_t>(nAfter) + 1;
    }
    auto* pItem = new CTreeListItem;
    try {
        pItem->m_texts.push_back(strText);
        m_liveRows.insert(pItem);
        m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(nPos), pItem);
    } catch (...) {
        m_liveRows.erase(pItem);
        delete pItem;
        throw;
    }
    NumberRows(nPos);
    Layout();
    return pItem;
}

void CTreeListCtrl::DoDeleteRow(CTreeListItem* pItem)
{
    if (!pItem)
        return;
    if (pItem == m_pSelected)
        m_pSelected = nullptr;
    // A hole rather than an erase: thousands of rows deleted one by one would each move and
    // renumber every row after them. PackRows closes the holes, once, when the rows are needed.
    m_rows[pItem->m_nIndex] = nullptr;
    ++m_nHoles;
    m_liveRows.erase(pItem);
    delete pItem;
}

int CTreeListCtrl::DoInsertColumn(LPCSTR pszName, UINT nFormat, int nWidth, int nBefore, int nMinWidth, int nMaxWidth)
{
    if (!m_hHeader)
        return -1;
    int nCount = static_cast<int>(m_columns.size());
    int nIndex = (nBefore < 0 || nBefore > nCount) ? nCount : nBefore;
    m_columns.insert(m_columns.begin() + nIndex, Column{nFormat, std::max(0, nMinWidth), std::max(0, nMaxWidth)});

    HDITEMA hdi = {};
    hdi.mask = HDI_TEXT | HDI_FORMAT | HDI_WIDTH;
    hdi.pszText = const_cast<LPSTR>(pszName ? pszName : "");
    hdi.cxy = ClampWidth(nIndex, nWidth);
    hdi.fmt = HDF_STRING | ((nFormat & TLCF_RIGHT) ? HDF_RIGHT : (nFormat & TLCF_CENTER) ? HDF_CENTER : HDF_LEFT);
    if (::SendMessageA(m_hHeader, HDM_INSERTITEMA, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&hdi)) != nIndex) {
        m_columns.erase(m_columns.begin() + nIndex);
        return -1;
    }
    // Texts already written stay with their columns.
    for (CTreeListItem* pItem : m_rows) {
        if (static_cast<int>(pItem->m_texts.size()) > nIndex)
            pItem->m_texts.insert(pItem->m_texts.begin() + nIndex, CString());
    }
    Layout();
    return nIndex;
}

BOOL CTreeListCtrl::DoSetColumnWidth(int nColumn, int nWidth, int nMinWidth, int nMaxWidth)
{
    if (nColumn < 0 || nColumn >= static_cast<int>(m_columns.size()))
        return FALSE;
    if (nMinWidth > 0)
        m_columns[nColumn].nMinWidth = nMinWidth;
    if (nMaxWidth > 0)
        m_columns[nColumn].nMaxWidth = nMaxWidth;
    HDITEMA hdi = {};
    hdi.mask = HDI_WIDTH;
    hdi.cxy = ClampWidth(nColumn, nWidth);
    if (!::SendMessageA(m_hHeader, HDM_SETITEMA, static_cast<WPARAM>(nColumn), reinterpret_cast<LPARAM>(&hdi)))
        return FALSE;
    Layout();
    return TRUE;
}

int CTreeListCtrl::ClampWidth(int nColumn, int nWidth) const
{
    const Column& column = m_columns[nColumn];
    if (column.nMaxWidth > 0)
        nWidth = std::min(nWidth, column.nMaxWidth);
    return std::max(nWidth, column.nMinWidth);
}

LRESULT CTreeListCtrl::OnHeaderNotify(NMHDR* pHdr)
{
    auto* pNm = reinterpret_cast<NMHEADERA*>(pHdr);
    switch (pHdr->code) {
    case HDN_ITEMCHANGINGA:
    case HDN_ITEMCHANGINGW:
        // Refuse a drag beyond the column's limits (TRUE stops the change).
        if (pNm->pitem && (pNm->pitem->mask & HDI_WIDTH) && pNm->iItem >= 0
            && pNm->iItem < static_cast<int>(m_columns.size()))
            return ClampWidth(pNm->iItem, pNm->pitem->cxy) != pNm->pitem->cxy;
        return FALSE;
    case HDN_ITEMCHANGEDA:
    case HDN_ITEMCHANGEDW:
        Layout();
        return 0;
    }
    return 0;
}

// ---- User input --------------------------------------------------------------------------

LRESULT CTreeListCtrl::Notify(UINT nCode, CTreeListItem* pItem, int nColumn)
{
    if (!m_hWnd)
        return 0;
    NMTREELIST nm = {};
    nm.hdr.hwndFrom = m_hWnd;
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_hWnd));
    nm.hdr.code = nCode;
    nm.pItem = pItem;
    nm.nColumn = nColumn;
    return WindowProc(WM_TREELIST_REFLECT, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

// Every handler may delete rows, so each step after a notification finds its row again.
void CTreeListCtrl::SelectByUser(int nRow, int nColumn)
{
    CTreeListItem* pItem = m_rows[nRow];
    if (pItem == m_pSelected) {
        EnsureVisible(nRow);
        return;
    }
    if (Notify(TLN_SELCHANGING, pItem, nColumn) != 0 || (nRow = FindRow(pItem)) < 0)
        return;
    InvalidateRow(FindRow(m_pSelected));
    m_pSelected = pItem;
    InvalidateRow(nRow);
    EnsureVisible(nRow);
    Notify(TLN_SELCHANGED, pItem, nColumn);
}

void CTreeListCtrl::ToggleByUser(int nRow, int nColumn)
{
    CTreeListItem* pItem = m_rows[nRow];
    if (!(m_dwStyle & TLS_CHECKBOXES) || pItem->m_bCheckDisabled)
        return;
    if (Notify(TLN_CHECKCHANGING, pItem, nColumn) != 0 || (nRow = FindRow(pItem)) < 0)
        return;
    pItem->m_bChecked = !pItem->m_bChecked;
    InvalidateRow(nRow);
    Notify(TLN_CHECKCHANGED, pItem, nColumn);
}

void CTreeListCtrl::OnLButtonDown(int x, int y, bool bDoubleClick)
{
    SetFocus(m_hWnd);
    int nRow = HitRow(y);
    int nColumn = HitColumn(x);
    if (nRow >= 0 && nColumn == 0 && InCheckBox(x)) {
        // The box only toggles, leaving the selection alone; a quick second click is a second
        // toggle, not a double click on the row.
        ToggleByUser(nRow, nColumn);
    } else if (bDoubleClick) {
        Notify(TLN_DBLCLICK, nRow >= 0 ? m_rows[nRow] : nullptr, nColumn);
    } else if (nRow >= 0) {
        SelectByUser(nRow, nColumn);
    }
}

void CTreeListCtrl::OnRButtonDown(int x, int y)
{
    SetFocus(m_hWnd);
    int nRow = HitRow(y);
    int nColumn = HitColumn(x);
    CTreeListItem* pItem = nRow >= 0 ? m_rows[nRow] : nullptr;
    // The menu a parent shows acts on the selected row, so the clicked row is selected first.
    if (pItem) {
        SelectByUser(nRow, nColumn);
        if (FindRow(pItem) < 0)
            pItem = nullptr;
    }
    Notify(TLN_RCLICK, pItem, nColumn);
}

void CTreeListCtrl::OnKeyDown(UINT nKey, LPARAM lFlags)
{
    int nRow = FindRow(m_pSelected);
    switch (nKey) {
    case VK_UP:
    case VK_DOWN: {
        int nTarget = nRow < 0 ? 0 : nRow + (nKey == VK_UP ? -1 : 1);
        if (nTarget >= 0 && nTarget < static_cast<int>(m_rows.size()))
            SelectByUser(nTarget, 0);
        break;
    }
    case VK_SPACE:
        // Held down, the key repeats; one press is one toggle.
        if (nRow >= 0 && !(lFlags & (1L << 30)))
            ToggleByUser(nRow, 0);
        break;
    }
}

void CTreeListCtrl::OnScroll(int nBar, UINT nCode)
{
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    GetScrollInfo(m_hWnd, nBar, &si);
    int nLine = nBar == SB_VERT ? 1 : kLineWidth;
    int nPage = std::max(1, static_cast<int>(si.nPage));
    int nPos = si.nPos;
    switch (nCode) {
    case SB_LINEUP:        nPos -= nLine; break;
    case SB_LINEDOWN:      nPos += nLine; break;
    case SB_PAGEUP:        nPos -= nPage; break;
    case SB_PAGEDOWN:      nPos += nPage; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: nPos = si.nTrackPos; break;
    case SB_TOP:           nPos = 0; break;
    case SB_BOTTOM:        nPos = si.nMax; break;
    default:               return;
    }
    (nBar == SB_VERT ? m_nTopRow : m_nScrollX) = nPos;
    Layout();   // clamps the position
}

// ---- Geometry ----------------------------------------------------------------------------

void CTreeListCtrl::Layout()
{
    // Showing or hiding a scroll bar resizes the client area and sends WM_SIZE back here; the
    // loop settles the layout instead.
    if (!m_hHeader || m_bInLayout || !m_bRedraw)
        return;
    PackRows();
    m_bInLayout = true;
    for (int nPass = 0; nPass < 3; ++nPass) {
        RECT rcClient;
        GetClientRect(m_hWnd, &rcClient);
        RECT rcLayout = rcClient;
        WINDOWPOS wp = {};
        HDLAYOUT hdl = {&rcLayout, &wp};
        ::SendMessageA(m_hHeader, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&hdl));

        int cxTotal = TotalColumnWidth();
        int cxClient = static_cast<int>(rcClient.right - rcClient.left);
        m_nScrollX = std::max(0, std::min(m_nScrollX, cxTotal - cxClient));
        // The header scrolls with the cells: it starts left of the client area.
        SetWindowPos(m_hHeader, nullptr, -m_nScrollX, wp.y, std::max(cxTotal, cxClient + m_nScrollX), wp.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);

        int nCount = static_cast<int>(m_rows.size());
        int nVisible = std::max(1, static_cast<int>(rcClient.bottom - wp.cy) / m_nItemHeight);
        m_nTopRow = std::max(0, std::min(m_nTopRow, nCount - nVisible));
        SCROLLINFO si = {};
        si.cbSize = sizeof(si);
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMax = std::max(0, nCount - 1);
        si.nPage = static_cast<UINT>(nVisible);
        si.nPos = m_nTopRow;
        SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
        si.nMax = std::max(0, cxTotal - 1);
        si.nPage = static_cast<UINT>(std::max(1, cxClient));
        si.nPos = m_nScrollX;
        SetScrollInfo(m_hWnd, SB_HORZ, &si, TRUE);

        RECT rcAfter;
        GetClientRect(m_hWnd, &rcAfter);
        if (EqualRect(&rcClient, &rcAfter))
            break;
    }
    m_bInLayout = false;
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

int CTreeListCtrl::HeaderHeight() const
{
    RECT rc;
    if (!m_hHeader || !GetWindowRect(m_hHeader, &rc))
        return 0;
    return static_cast<int>(rc.bottom - rc.top);
}

int CTreeListCtrl::VisibleRows() const
{
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    return std::max(1, static_cast<int>(rc.bottom - HeaderHeight()) / m_nItemHeight);
}

int CTreeListCtrl::TotalColumnWidth() const
{
    int nLeft, nRight;
    if (m_columns.empty() || !ColumnBounds(static_cast<int>(m_columns.size()) - 1, nLeft, nRight))
        return 0;
    return nRight + m_nScrollX;
}

bool CTreeListCtrl::ColumnBounds(int nColumn, int& nLeft, int& nRight) const
{
    RECT rc;
    if (!::SendMessageA(m_hHeader, HDM_GETITEMRECT, static_cast<WPARAM>(nColumn), reinterpret_cast<LPARAM>(&rc)))
        return false;
    nLeft = rc.left - m_nScrollX;
    nRight = rc.right - m_nScrollX;
    return true;
}

int CTreeListCtrl::HitRow(int y) const
{
    int nTop = HeaderHeight();
    if (y < nTop)
        return -1;
    int nRow = m_nTopRow + (y - nTop) / m_nItemHeight;
    return nRow < static_cast<int>(m_rows.size()) ? nRow : -1;
}

int CTreeListCtrl::HitColumn(int x) const
{
    for (int nColumn = 0; nColumn < static_cast<int>(m_columns.size()); ++nColumn) {
        int nLeft, nRight;
        if (ColumnBounds(nColumn, nLeft, nRight) && x >= nLeft && x < nRight)
            return nColumn;
    }
    return -1;
}

bool CTreeListCtrl::InCheckBox(int x) const
{
    int nLeft, nRight;
    return (m_dwStyle & TLS_CHECKBOXES) && !m_columns.empty() && ColumnBounds(0, nLeft, nRight)
        && x >= nLeft && x < std::min(nRight, nLeft + kCheckBoxCell);
}

void CTreeListCtrl::EnsureVisible(int nRow)
{
    int nVisible = VisibleRows();
    if (nRow < m_nTopRow)
        m_nTopRow = nRow;
    else if (nRow >= m_nTopRow + nVisible)
        m_nTopRow = nRow - nVisible + 1;
    else
        return;
    Layout();
}

void CTreeListCtrl::InvalidateItem(const CTreeListItem* pItem)
{
    // Held back, nothing is drawn: the row's place is not asked for.
    if (m_bRedraw)
        InvalidateRow(FindRow(pItem));
}

void CTreeListCtrl::InvalidateRow(int nRow)
{
    if (nRow < 0 || nRow < m_nTopRow || !m_bRedraw)
        return;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    rc.top = HeaderHeight() + (nRow - m_nTopRow) * m_nItemHeight;
    if (rc.top >= rc.bottom)
        return;
    rc.bottom = rc.top + m_nItemHeight;
    InvalidateRect(m_hWnd, &rc, FALSE);
}

// Drawing the rows below the header; the header draws itself.
#include "TreeListCtrl.h"

#include "TreeListItem.h"

#include <algorithm>

namespace {

const int kCheckBox = 13;
const int kTextMargin = 4;

UINT AlignmentOf(UINT nFormat)
{
    UINT nFlags = (nFormat & TLCF_RIGHT) ? DT_RIGHT : (nFormat & TLCF_CENTER) ? DT_CENTER : DT_LEFT;
    if (nFormat & TLCF_ELLIPSIS)
        nFlags |= DT_END_ELLIPSIS;
    return nFlags;
}

} // namespace

HFONT CTreeListCtrl::DrawingFont() const
{
    HFONT hFont = m_font.GetSafeHandle();
    return hFont ? hFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void CTreeListCtrl::OnPaint()
{
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(m_hWnd, &ps);
    RECT rcClient;
    GetClientRect(m_hWnd, &rcClient);
    int nTop = HeaderHeight();
    // Only the rows the update region reaches are drawn: a row's new text redraws that row alone.
    RECT rcRows = {0, std::max<LONG>(nTop, ps.rcPaint.top), rcClient.right, std::min(rcClient.bottom, ps.rcPaint.bottom)};
    int cx = rcRows.right;
    int cy = rcRows.bottom - rcRows.top;
    if (cx > 0 && cy > 0) {
        // Drawn off screen first so that a refill does not flicker.
        HDC hMemDC = CreateCompatibleDC(hDC);
        HBITMAP hBitmap = CreateCompatibleBitmap(hDC, cx, cy);
        HGDIOBJ hOldBitmap = SelectObject(hMemDC, hBitmap);
        SetWindowOrgEx(hMemDC, 0, rcRows.top, nullptr);   // client coordinates in the bitmap
        HGDIOBJ hOldFont = SelectObject(hMemDC, DrawingFont());
        SetBkMode(hMemDC, TRANSPARENT);

        FillRect(hMemDC, &rcRows, GetSysColorBrush(COLOR_WINDOW));
        bool bActive = GetFocus() == m_hWnd || (m_dwStyle & TLS_SHOWSELALWAYS);
        for (int nRow = m_nTopRow + (rcRows.top - nTop) / m_nItemHeight; nRow < static_cast<int>(m_rows.size()); ++nRow) {
            RECT rcRow = {0, nTop + (nRow - m_nTopRow) * m_nItemHeight, cx, 0};
            if (rcRow.top >= rcRows.bottom)
                break;
            rcRow.bottom = rcRow.top + m_nItemHeight;
            DrawRow(hMemDC, nRow, rcRow, bActive);
        }

        BitBlt(hDC, 0, rcRows.top, cx, cy, hMemDC, 0, rcRows.top, SRCCOPY);
        SelectObject(hMemDC, hOldFont);
        SelectObject(hMemDC, hOldBitmap);
        DeleteObject(hBitmap);
        DeleteDC(hMemDC);
    }
    EndPaint(m_hWnd, &ps);
}

void CTreeListCtrl::DrawRow(HDC hDC, int nRow, const RECT& rcRow, bool bActive)
{
    CTreeListItem* pItem = m_rows[nRow];
    bool bSelected = pItem == m_pSelected;
    COLORREF crText = GetTextColor(pItem);
    RECT rcSelection = rcRow;
    rcSelection.right = std::min<LONG>(rcRow.right, TotalColumnWidth() - m_nScrollX);
    if (bSelected) {
        FillRect(hDC, &rcSelection, GetSysColorBrush(bActive ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
        if (bActive)
            crText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    ::SetTextColor(hDC, crText);

    for (int nColumn = 0; nColumn < static_cast<int>(m_columns.size()); ++nColumn) {
        int nLeft, nRight;
        if (!ColumnBounds(nColumn, nLeft, nRight) || nRight <= nLeft || nRight <= 0 || nLeft >= rcRow.right)
            continue;
        int nSaved = SaveDC(hDC);
        IntersectClipRect(hDC, nLeft, rcRow.top, nRight, rcRow.bottom);
        int x = nLeft;
        if (nColumn == 0 && (m_dwStyle & TLS_CHECKBOXES)) {
            int nOffset = (kCheckBoxCell - kCheckBox) / 2;
            RECT rcBox = {x + nOffset, rcRow.top + (m_nItemHeight - kCheckBox) / 2, 0, 0};
            rcBox.right = rcBox.left + kCheckBox;
            rcBox.bottom = rcBox.top + kCheckBox;
            UINT nState = DFCS_BUTTONCHECK | DFCS_FLAT;
            if (pItem->m_bChecked)
                nState |= DFCS_CHECKED;
            if (pItem->m_bCheckDisabled)
                nState |= DFCS_INACTIVE;
            DrawFrameControl(hDC, &rcBox, DFC_BUTTON, nState);
            x += kCheckBoxCell;
        }
        if (nColumn == 0 && m_hImageList) {
            int cxImage = 0, cyImage = 0;
            ImageList_GetIconSize(m_hImageList, &cxImage, &cyImage);
            int nImage = pItem->m_nImages[bSelected ? 1 : 0];
            if (nImage >= 0)
                ImageList_Draw(m_hImageList, nImage, hDC, x, rcRow.top + (m_nItemHeight - cyImage) / 2, ILD_TRANSPARENT);
            x += cxImage;   // texts line up whether or not a row has an image
        }
        if (nColumn < static_cast<int>(pItem->m_texts.size()) && !pItem->m_texts[nColumn].IsEmpty()) {
            RECT rcText = {x + kTextMargin, rcRow.top, nRight - kTextMargin, rcRow.bottom};
            const CString& strText = pItem->m_texts[nColumn];
            DrawTextA(hDC, strText, strText.GetLength(), &rcText,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | AlignmentOf(m_columns[nColumn].nFormat));
        }
        RestoreDC(hDC, nSaved);
    }
    if (bSelected && GetFocus() == m_hWnd)
        DrawFocusRect(hDC, &rcSelection);
}

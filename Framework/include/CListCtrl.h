// CListCtrl: a report-style list view control of a dialog, reached through its window handle
// (attach one with m_hWnd = GetDlgItem(...)). Rows are inserted at an index; one beyond the last
// row is appended.
#pragma once

#include "CWnd.h"

#include <commctrl.h>

class CListCtrl : public CWnd
{
public:
    // Returns the column's index, -1 on failure.
    int InsertColumn(int nColumn, LPCSTR pszHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
    // Returns the row's index, -1 on failure; without an image the row shows none.
    int InsertItem(int nItem, LPCSTR pszText, int nImage = -1);
    BOOL SetItemText(int nItem, int nSubItem, LPCSTR pszText);
    // nType is LVSIL_SMALL or LVSIL_NORMAL; returns the list used before. The caller keeps it alive.
    HIMAGELIST SetImageList(HIMAGELIST hImageList, int nType);
};

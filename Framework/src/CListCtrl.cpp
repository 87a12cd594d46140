#include "CListCtrl.h"

int CListCtrl::InsertColumn(int nColumn, LPCSTR pszHeading, int nFormat, int nWidth)
{
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_FMT | (nWidth >= 0 ? LVCF_WIDTH : 0);
    column.fmt = nFormat;
    column.cx = nWidth;
    column.pszText = const_cast<LPSTR>(pszHeading);
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(nColumn), reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int nItem, LPCSTR pszText, int nImage)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | (nImage >= 0 ? LVIF_IMAGE : 0);
    item.iItem = nItem;
    item.iImage = nImage;
    item.pszText = const_cast<LPSTR>(pszText);
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCSTR pszText)
{
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<LPSTR>(pszText);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
}

HIMAGELIST CListCtrl::SetImageList(HIMAGELIST hImageList, int nType)
{
    return reinterpret_cast<HIMAGELIST>(
        SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(nType), reinterpret_cast<LPARAM>(hImageList)));
}

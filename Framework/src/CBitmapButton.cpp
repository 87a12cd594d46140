#include "CBitmapButton.h"
#include "CDialog.h"

#include <commctrl.h>

namespace {

const UINT_PTR kSubclassId = 1;

} // namespace

CBitmapButton::~CBitmapButton()
{
    if (m_hWnd)
        RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
}

BOOL CBitmapButton::LoadBitmaps(LPCSTR pszUp, LPCSTR pszDown, LPCSTR pszFocus, LPCSTR pszDisabled)
{
    if (!m_bitmap.LoadBitmap(pszUp))
        return FALSE;
    if (pszDown)
        m_bitmapSel.LoadBitmap(pszDown);
    if (pszFocus)
        m_bitmapFocus.LoadBitmap(pszFocus);
    if (pszDisabled)
        m_bitmapDisabled.LoadBitmap(pszDisabled);
    return TRUE;
}

BOOL CBitmapButton::AutoLoad(UINT nID, CWnd* pParent)
{
    HWND hButton = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    if (!hButton)
        return FALSE;
    char szCaption[64] = {};
    ::GetWindowTextA(hButton, szCaption, sizeof(szCaption));
    CString strCaption(szCaption);
    if (!LoadBitmaps(strCaption + "U", strCaption + "D", strCaption + "F", strCaption + "X"))
        return FALSE;
    if (!SetWindowSubclass(hButton, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    m_hWnd = hButton;
    LONG_PTR lStyle = GetWindowLongPtrA(hButton, GWL_STYLE);
    SetWindowLongPtrA(hButton, GWL_STYLE, (lStyle & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    SizeToContent();
    return TRUE;
}

void CBitmapButton::SizeToContent()
{
    BITMAP info = {};
    if (!m_hWnd || !GetObjectA(m_bitmap, sizeof(info), &info))
        return;
    SetWindowPos(m_hWnd, nullptr, 0, 0, info.bmWidth, info.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBitmapButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    HBITMAP hBitmap = m_bitmap;
    if ((item.itemState & ODS_SELECTED) && m_bitmapSel.m_hObject)
        hBitmap = m_bitmapSel;
    else if ((item.itemState & ODS_FOCUS) && m_bitmapFocus.m_hObject)
        hBitmap = m_bitmapFocus;
    else if ((item.itemState & ODS_DISABLED) && m_bitmapDisabled.m_hObject)
        hBitmap = m_bitmapDisabled;
    HDC hMemory = CreateCompatibleDC(item.hDC);
    HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
    const RECT& rc = item.rcItem;
    BitBlt(item.hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, hMemory, 0, 0, SRCCOPY);
    SelectObject(hMemory, hOld);
    DeleteDC(hMemory);
}

LRESULT CALLBACK CBitmapButton::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR dwRefData)
{
    auto* pButton = reinterpret_cast<CBitmapButton*>(dwRefData);
    switch (uMsg) {
    case WM_REFLECT_DRAWITEM:
        pButton->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hWnd, SubclassProc, kSubclassId);
        pButton->m_hWnd = nullptr;
        break;
    }
    return DefSubclassProc(hWnd, uMsg, wParam, lParam);
}

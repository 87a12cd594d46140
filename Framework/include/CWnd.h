// CWnd: a thin owner of a window handle. The object behind a window is stored with the window,
// so any thread holding the handle reaches it by message; there is no global handle map.
#pragma once

#include "CString.h"

class CWnd
{
public:
    CWnd() : m_hWnd(nullptr) {}
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    void SetDlgItemText(int nID, LPCSTR pszText) { ::SetDlgItemTextA(m_hWnd, nID, pszText); }
    CString GetDlgItemText(int nID) const;
    void SetWindowText(LPCSTR pszText) { ::SetWindowTextA(m_hWnd, pszText); }
    BOOL PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) { return ::PostMessageA(m_hWnd, uMsg, wParam, lParam); }
    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) { return ::SendMessageA(m_hWnd, uMsg, wParam, lParam); }
    // A message box owned by this window; without a caption it shows the program's name. Any
    // thread may show one.
    int MessageBox(LPCSTR pszText, LPCSTR pszCaption = nullptr, UINT nType = MB_OK);

    HWND m_hWnd;
};

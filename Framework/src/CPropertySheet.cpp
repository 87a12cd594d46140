#include "CPropertySheet.h"
#include "ModuleState.h"

namespace {

// The sheet whose window comctl32 is creating on this thread; its callback carries no pointer.
thread_local CPropertySheet* t_pSheetInCreation = nullptr;

} // namespace

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage, HBITMAP hbmWatermark,
                               HPALETTE hpalWatermark, HBITMAP hbmHeader)
{
    m_strCaption.LoadString(nIDCaption);
    CommonConstruct(pParentWnd, iSelectPage, hbmWatermark, hpalWatermark, hbmHeader);
}

CPropertySheet::CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage, HBITMAP hbmWatermark,
                               HPALETTE hpalWatermark, HBITMAP hbmHeader)
    : m_strCaption(pszCaption)
{
    CommonConstruct(pParentWnd, iSelectPage, hbmWatermark, hpalWatermark, hbmHeader);
}

void CPropertySheet::CommonConstruct(CWnd* pParentWnd, UINT iSelectPage, HBITMAP hbmWatermark,
                                     HPALETTE hpalWatermark, HBITMAP hbmHeader)
{
    m_pParentWnd = pParentWnd;
    m_bFinished = false;
    m_psh = PROPSHEETHEADERA();
    m_psh.dwSize = sizeof(m_psh);
    m_psh.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    m_psh.hInstance = AfxGetResourceHandle();
    m_psh.nStartPage = iSelectPage;
    m_psh.hbmWatermark = hbmWatermark;
    m_psh.hplWatermark = hpalWatermark;
    m_psh.hbmHeader = hbmHeader;
    m_psh.pfnCallback = SheetCallback;
}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    m_pages.push_back(pPage);
}

int CPropertySheet::GetActiveIndex() const
{
    if (!m_hWnd)
        return -1;
    HWND hPage = reinterpret_cast<HWND>(::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
    return static_cast<int>(::SendMessageA(m_hWnd, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(hPage), 0));
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    int nIndex = GetActiveIndex();
    return (nIndex >= 0 && nIndex < GetPageCount()) ? m_pages[nIndex] : nullptr;
}

INT_PTR CPropertySheet::DoModal()
{
    m_pageRecords.clear();
    for (CPropertyPage* pPage : m_pages) {
        m_pageRecords.push_back(pPage->m_psp);
        // A sheet with a Help button offers it on every page.
        if (m_psh.dwFlags & PSH_HASHELP)
            m_pageRecords.back().dwFlags |= PSP_HASHELP;
    }
    m_psh.pszCaption = m_strCaption;
    m_psh.nPages = static_cast<UINT>(m_pageRecords.size());
    m_psh.ppsp = m_pageRecords.data();
    m_psh.hwndParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    m_psh.dwFlags |= PSH_MODELESS;
    m_bFinished = false;

    t_pSheetInCreation = this;
    HWND hSheet = reinterpret_cast<HWND>(PropertySheetA(&m_psh));
    t_pSheetInCreation = nullptr;
    if (!hSheet || hSheet == reinterpret_cast<HWND>(-1))
        return -1;
    if (m_psh.hwndParent)
        ::EnableWindow(m_psh.hwndParent, FALSE);

    // The sheet tells it is done by having no current page left.
    MSG msg;
    while (::SendMessageA(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0)) {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        CPropertyPage* pPage = GetActivePage();
        if (pPage && pPage->PreTranslateMessage(&msg))
            continue;
        if (::SendMessageA(hSheet, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&msg)))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    m_bFinished = ::SendMessageA(hSheet, PSM_GETRESULT, 0, 0) > 0;

    if (m_psh.hwndParent)
        ::EnableWindow(m_psh.hwndParent, TRUE);
    ::DestroyWindow(hSheet);
    return m_bFinished ? IDOK : IDCANCEL;
}

BOOL CPropertySheet::OnInitDialog()
{
    return TRUE;
}

LRESULT CPropertySheet::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // The close box acts as the Cancel button: one question to the page, not one per handler.
    if (uMsg == WM_CLOSE) {
        HWND hCancel = ::GetDlgItem(m_hWnd, IDCANCEL);
        if (hCancel && ::IsWindowEnabled(hCancel))
            PostMessage(PSM_PRESSBUTTON, PSBTN_CANCEL);
        return 0;
    }
    return Default(uMsg, wParam, lParam);
}

LRESULT CPropertySheet::Default(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return DefSubclassProc(m_hWnd, uMsg, wParam, lParam);
}

int CALLBACK CPropertySheet::SheetCallback(HWND hWnd, UINT uMsg, LPARAM)
{
    CPropertySheet* pSheet = t_pSheetInCreation;
    if (uMsg == PSCB_INITIALIZED && pSheet) {
        pSheet->m_hWnd = hWnd;
        SetWindowSubclass(hWnd, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(pSheet));
        pSheet->OnInitDialog();
    }
    return 0;
}

LRESULT CALLBACK CPropertySheet::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR dwRefData)
{
    CPropertySheet* pSheet = reinterpret_cast<CPropertySheet*>(dwRefData);
    if (uMsg == WM_NCDESTROY) {
        RemoveWindowSubclass(hWnd, SubclassProc, 1);
        pSheet->m_hWnd = nullptr;
        return DefSubclassProc(hWnd, uMsg, wParam, lParam);
    }
    return pSheet->WindowProc(uMsg, wParam, lParam);
}

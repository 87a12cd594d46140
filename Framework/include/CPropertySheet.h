// CPropertySheet: a property sheet (here always a wizard) over comctl32, run by DoModal with a
// message loop of our own so that the active page sees PreTranslateMessage before dispatch.
#pragma once

#include "CPropertyPage.h"

#include <vector>

class CPropertySheet : public CWnd
{
public:
    CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0, HBITMAP hbmWatermark = nullptr,
                   HPALETTE hpalWatermark = nullptr, HBITMAP hbmHeader = nullptr);
    CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0, HBITMAP hbmWatermark = nullptr,
                   HPALETTE hpalWatermark = nullptr, HBITMAP hbmHeader = nullptr);

    void AddPage(CPropertyPage* pPage);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    // The index of the current page, or -1 before the window exists.
    int GetActiveIndex() const;
    CPropertyPage* GetActivePage() const;

    // Shows the sheet and runs it until it closes; ID_PSRESTARTWINDOWS and the like are not used,
    // the result is IDOK when the wizard finished and IDCANCEL otherwise.
    virtual INT_PTR DoModal();

    PROPSHEETHEADERA m_psh;

protected:
    // The sheet window exists and its first page is shown.
    virtual BOOL OnInitDialog();
    // Every message to the sheet window; fall back to the base for default handling.
    virtual LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT uMsg, WPARAM wParam, LPARAM lParam);

private:
    void CommonConstruct(CWnd* pParentWnd, UINT iSelectPage, HBITMAP hbmWatermark, HPALETTE hpalWatermark,
                         HBITMAP hbmHeader);
    static int CALLBACK SheetCallback(HWND hWnd, UINT uMsg, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR uIdSubclass,
                                         DWORD_PTR dwRefData);

    CString m_strCaption;
    CWnd* m_pParentWnd;
    std::vector<CPropertyPage*> m_pages;
    std::vector<PROPSHEETPAGEA> m_pageRecords;
    bool m_bFinished;
};

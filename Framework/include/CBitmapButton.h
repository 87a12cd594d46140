// CBitmapButton: a push button drawn with bitmaps instead of its text: one for up, down (pressed),
// focused and disabled. Its dialog hands it the drawing (WM_REFLECT_DRAWITEM, see CDialog).
#pragma once

#include "CBitmap.h"
#include "CWnd.h"

class CBitmapButton : public CWnd
{
public:
    CBitmapButton() = default;
    ~CBitmapButton() override;

    // Only the up bitmap must exist; a missing one is drawn as the up bitmap.
    BOOL LoadBitmaps(LPCSTR pszUp, LPCSTR pszDown = nullptr, LPCSTR pszFocus = nullptr, LPCSTR pszDisabled = nullptr);
    // Takes over the dialog's button nID, owner-drawn from then on, with the bitmaps named after its
    // caption and "U", "D", "F" or "X" (caption "Abort": ABORTU ...), and sizes it to them. FALSE
    // when the dialog has no such control or there is no up bitmap.
    BOOL AutoLoad(UINT nID, CWnd* pParent);
    // The button takes the size of its up bitmap.
    void SizeToContent();

protected:
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR uIdSubclass,
                                         DWORD_PTR dwRefData);

    CBitmap m_bitmap;
    CBitmap m_bitmapSel;
    CBitmap m_bitmapFocus;
    CBitmap m_bitmapDisabled;
};

#include "CWnd.h"

namespace {

CString ReadWindowText(HWND hWnd)
{
    CString strText;
    int nLength = GetWindowTextLengthA(hWnd);
    if (nLength > 0) {
        int nCopied = ::GetWindowTextA(hWnd, strText.GetBuffer(nLength), nLength + 1);
        strText.ReleaseBuffer(nCopied);
    }
    return strText;
}

} // namespace

CString CWnd::GetDlgItemText(int nID) const
{
    return ReadWindowText(GetDlgItem(nID));
}

CString CWnd::GetWindowText() const
{
    return ReadWindowText(m_hWnd);
}

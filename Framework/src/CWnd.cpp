#include "CWnd.h"

CString CWnd::GetDlgItemText(int nID) const
{
    HWND hWnd = GetDlgItem(nID);
    CString strText;
    int nLength = GetWindowTextLengthA(hWnd);
    if (nLength > 0) {
        int nCopied = ::GetWindowTextA(hWnd, strText.GetBuffer(nLength), nLength + 1);
        strText.ReleaseBuffer(nCopied);
    }
    return strText;
}

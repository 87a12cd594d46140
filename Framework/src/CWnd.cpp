#include "CWnd.h"
#include "AfxMessageBox.h"

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

int CWnd::MessageBox(LPCSTR pszText, LPCSTR pszCaption, UINT nType)
{
    return ::MessageBoxA(m_hWnd, pszText, pszCaption ? pszCaption : static_cast<LPCSTR>(AfxGetMessageBoxCaption()),
                         nType);
}

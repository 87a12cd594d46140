#include "AfxMessageBox.h"

CString AfxGetMessageBoxCaption()
{
    char szPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    CString strTitle(szPath);
    strTitle = strTitle.Mid(strTitle.ReverseFind('\\') + 1);
    int nDot = strTitle.ReverseFind('.');
    return nDot > 0 ? strTitle.Left(nDot) : strTitle;
}

int AfxMessageBox(LPCSTR pszText, UINT nType, UINT /*nIDHelp*/)
{
    return MessageBoxA(GetActiveWindow(), pszText, AfxGetMessageBoxCaption(), nType);
}

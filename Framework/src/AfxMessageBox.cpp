#include "AfxMessageBox.h"
#include "CString.h"

namespace {

// The program's file title, e.g. "Corvatel" for Corvatel.exe.
CString ProgramTitle()
{
    char szPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    CString strTitle(szPath);
    strTitle = strTitle.Mid(strTitle.ReverseFind('\\') + 1);
    int nDot = strTitle.ReverseFind('.');
    return nDot > 0 ? strTitle.Left(nDot) : strTitle;
}

} // namespace

int AfxMessageBox(LPCSTR pszText, UINT nType, UINT /*nIDHelp*/)
{
    return MessageBoxA(GetActiveWindow(), pszText, ProgramTitle(), nType);
}

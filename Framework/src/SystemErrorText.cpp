#include "SystemErrorText.h"

CString AfxFormatSystemMessage(DWORD dwError, HMODULE hSource)
{
    char* pszText = nullptr;
    DWORD dwFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (hSource)
        dwFlags |= FORMAT_MESSAGE_FROM_HMODULE;
    FormatMessageA(dwFlags, hSource, dwError, 0, reinterpret_cast<LPSTR>(&pszText), 0, nullptr);
    CString strText;
    if (pszText) {
        strText = pszText;
        LocalFree(pszText);
    }
    // The system's texts end in CR LF, which would break a row's text or a log line in two.
    strText.TrimRight();
    return strText;
}

CString AfxGetSystemErrorText(DWORD dwError, HMODULE hSource)
{
    CString strText = AfxFormatSystemMessage(dwError, hSource);
    if (strText.IsEmpty())
        strText.Format("Error 0x%08lX", static_cast<unsigned long>(dwError));
    return strText;
}

#include "SystemErrorText.h"

CString AfxGetSystemErrorText(DWORD dwError, HMODULE hSource)
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
    } else {
        strText.Format("Error 0x%08lX", static_cast<unsigned long>(dwError));
    }
    return strText;
}

#include "CWinApp.h"

#include <stdlib.h>

namespace {

CWinApp* g_pApp = nullptr;

} // namespace

CWinApp::CWinApp(LPCSTR pszAppName)
    : m_pszAppName(pszAppName), m_hInstance(nullptr), m_pszHelpFilePath(nullptr), m_bHtmlHelp(FALSE)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    free(m_pszHelpFilePath);
    if (g_pApp == this)
        g_pApp = nullptr;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rInfo)
{
    for (int i = 1; i < __argc; ++i) {
        const char* pszParam = __argv[i];
        BOOL bFlag = pszParam[0] == '/' || pszParam[0] == '-';
        rInfo.ParseParam(bFlag ? pszParam + 1 : pszParam, bFlag, i + 1 == __argc);
    }
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    pApp->m_hInstance = hInstance;
    // The program runs inside InitInstance; there is no message loop after it.
    pApp->InitInstance();
    return pApp->ExitInstance();
}

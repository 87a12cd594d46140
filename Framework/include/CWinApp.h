// CWinApp: the one application object of a module (the program, or a DLL), reachable
// through AfxGetApp from the module's own code.
#pragma once

#include "CCommandLineInfo.h"

#include <windows.h>

class CWinApp
{
public:
    explicit CWinApp(LPCSTR pszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called when the module starts; a program does all its work here and returns FALSE.
    virtual BOOL InitInstance();
    // Called when the module ends; the result is the exit code.
    virtual int ExitInstance();

    // Hands each argument of the program's command line to rInfo, in order.
    void ParseCommandLine(CCommandLineInfo& rInfo);
    // Help is shown as HTML help from m_pszHelpFilePath.
    void EnableHtmlHelp() { m_bHtmlHelp = TRUE; }

    LPCSTR m_pszAppName;
    HINSTANCE m_hInstance;
    // Heap copy owned by the application object; replace it with a copy made by _strdup.
    char* m_pszHelpFilePath;
    BOOL m_bHtmlHelp;
};

CWinApp* AfxGetApp();

// The program's start: runs the application object's InitInstance, then its ExitInstance,
// whose result becomes the exit code.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR pszCmdLine, int nCmdShow);

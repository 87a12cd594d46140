// CCommandLineInfo: receives the program's arguments one at a time from CWinApp::ParseCommandLine.
#pragma once

#include <windows.h>

class CCommandLineInfo
{
public:
    virtual ~CCommandLineInfo() = default;

    // pszParam has one leading '/' or '-' removed, and then bFlag is TRUE; bLast marks the final argument.
    virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) = 0;
};

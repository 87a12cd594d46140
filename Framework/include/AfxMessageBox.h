// AfxMessageBox: a message box owned by the calling thread's active window (if any), captioned
// with the program's name. Safe to call from any thread.
#pragma once

#include "CString.h"

#include <windows.h>

int AfxMessageBox(LPCSTR pszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The program's name as its message boxes show it: the program file's title ("Corvatel").
CString AfxGetMessageBoxCaption();

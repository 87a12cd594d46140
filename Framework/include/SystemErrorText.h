#pragma once

#include "CString.h"

// The system's text for an error code (a Win32 error or an HRESULT), looked up first in hSource
// when given, without its line end; inserts such as "%1" are left as they stand. Empty when the
// system has no text for the code.
CString AfxFormatSystemMessage(DWORD dwError, HMODULE hSource = nullptr);

// The same, where a code without text reads "Error 0x...".
CString AfxGetSystemErrorText(DWORD dwError, HMODULE hSource = nullptr);

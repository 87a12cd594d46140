#pragma once

#include "CString.h"

// The system's text for an error code (a Win32 error or an HRESULT), looked up first in hSource
// when given; a code without text reads "Error 0x...".
CString AfxGetSystemErrorText(DWORD dwError, HMODULE hSource = nullptr);

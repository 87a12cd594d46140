// Whether a path the catalogue or the registry names is on this PC. The library and the program
// both ask it, so it lives here, inline, outside the export table.
#pragma once

#include <string.h>

// False for a network or device path: two separators of either kind at its start (\\host\share,
// \\.\device, \\?\...) or the object manager's \??\. Reading such a path may sign in to another
// machine, and running from it runs what that machine serves.
inline bool IsLocalPath(const char* pszPath)
{
    auto isSeparator = [](char ch) { return ch == '\\' || ch == '/'; };
    if (isSeparator(pszPath[0]) && isSeparator(pszPath[1]))
        return false;
    return strncmp(pszPath, "\\??\\", 4) != 0;
}

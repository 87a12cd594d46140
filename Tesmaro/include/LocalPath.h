// Whether a path the catalogue or the registry names is on this PC, and whether a name is one
// Windows takes for a device. The library and the program both ask them, so they live here,
// inline, outside the export table.
#pragma once

#include <string.h>
#include <windows.h>

#include <initializer_list>

// True for a name that Windows takes for a device (CON, PRN, AUX, NUL, COM0-9, LPT0-9, COM and
// LPT with a superscript 1-3, CONIN$, CONOUT$), whatever its extension and letter case. The name
// ends at a path separator, so each component of a path can be asked in place.
inline bool IsReservedDeviceName(const char* pszName)
{
    // The device is named by what comes before the first dot or colon, blanks at its end ignored.
    size_t nLength = strcspn(pszName, ".:\\/");
    while (nLength > 0 && pszName[nLength - 1] == ' ')
        --nLength;
    for (const char* pszDevice : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (nLength == strlen(pszDevice) && _strnicmp(pszName, pszDevice, nLength) == 0)
            return true;
    if (nLength != 4 || (_strnicmp(pszName, "COM", 3) != 0 && _strnicmp(pszName, "LPT", 3) != 0))
        return false;
    // Windows takes the superscript digits one to three for port numbers too; which byte spells
    // them depends on the code page.
    char chDigit = pszName[3];
    wchar_t wchDigit = 0;
    return (chDigit >= '0' && chDigit <= '9') ||
           (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &chDigit, 1, &wchDigit, 1) == 1 &&
            (wchDigit == L'\u00B9' || wchDigit == L'\u00B2' || wchDigit == L'\u00B3'));
}

// False for a path off this PC or naming a device: two separators of either kind at its start
// (\\host\share, \\.\device, \\?\...), the object manager's \??\, or a device name as any of its
// components (C:\COM1, C:\x\NUL.txt\y). Reading such a path may sign in to another machine or wait
// on a device, and running from it runs what that machine serves.
inline bool IsLocalPath(const char* pszPath)
{
    auto isSeparator = [](char ch) { return ch == '\\' || ch == '/'; };
    if ((isSeparator(pszPath[0]) && isSeparator(pszPath[1])) || strncmp(pszPath, "\\??\\", 4) == 0)
        return false;
    for (const char* p = pszPath; *p;) {
        if (IsReservedDeviceName(p))
            return false;
        // A trail byte of a double-byte character may look like a backslash.
        while (*p && !isSeparator(*p))
            p += IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] ? 2 : 1;
        if (*p)
            ++p;
    }
    return true;
}

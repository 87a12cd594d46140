// Whether a path the catalogue or the registry names is on this PC, and whether a name is one
// Windows takes for a device. The library and the program both ask them, so they live here,
// inline, outside the export table.
#pragma once

#include <string.h>
#include <windows.h>

#include <atomic>
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

// GetDriveType of the lettered drive's root. A listing asks it for every product and Windows may
// be slow to answer, so each letter's answer is kept for a second: a letter mapped to a share is
// taken for one within a second.
inline UINT GetLetteredDriveType(char chLetter)
{
    // The tick count of the answer in the high half, a mark and the type in the low; zero for none.
    static std::atomic<unsigned long long> s_answers[26];
    std::atomic<unsigned long long>& answer = s_answers[(chLetter | 0x20) - 'a'];
    DWORD dwNow = GetTickCount();
    unsigned long long ullAnswer = answer.load();
    if (ullAnswer && dwNow - static_cast<DWORD>(ullAnswer >> 32) < 1000)
        return static_cast<UINT>(ullAnswer & 0xFFFF);
    char szRoot[] = {chLetter, ':', '\\', '\0'};
    UINT nType = GetDriveTypeA(szRoot);
    answer.store(static_cast<unsigned long long>(dwNow) << 32 | 0x10000 | nType);
    return nType;
}

// False for a path off this PC or naming a device: two separators of either kind at its start
// (\\host\share, \\.\device, \\?\...), the object manager's \??\, a drive letter that Windows maps
// to a network share (for a path without one, the current folder's drive), or a device name as
// any of its components (C:\COM1, C:\x\NUL.txt\y). Reading such a path may sign in to another
// machine or wait on a device, and running from it runs what that machine serves. An empty path
// names nothing to read.
inline bool IsLocalPath(const char* pszPath)
{
    auto isSeparator = [](char ch) { return ch == '\\' || ch == '/'; };
    if (!*pszPath)
        return true;
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
    char chLetter = static_cast<char>(pszPath[0] | 0x20);
    bool bDrive = chLetter >= 'a' && chLetter <= 'z' && pszPath[1] == ':';
    return (bDrive ? GetLetteredDriveType(pszPath[0]) : GetDriveTypeA(nullptr)) != DRIVE_REMOTE;
}

// CWindowsVersion: the Windows version this process runs on, read once into one process-wide
// record before WinMain, and what the program derives from it: a version code and name, the
// Windows 6.0 edition and the operating-system caption from WMI.
// The object has no data of its own; constructing one retries the fill only if it never succeeded.
#pragma once

#include <CString.h>

class CWindowsVersion
{
public:
    // Version codes that callers compare against.
    enum : UINT
    {
        codeUnknown = 0,
        codeWindows95 = 1,
        codeWindows95Sp1 = 2,
        codeWindows95Osr2 = 3,
        codeWindows98 = 4,
        codeWindows98Sp1 = 5,
        codeWindows98Se = 6,
        codeWindowsMe = 7,
        codeWindowsNt351 = 101,
        codeWindowsNt4 = 102,
        codeWindows2000 = 103,
        codeWindowsXp = 104,
        codeWindowsServer2003 = 105,
        codeWindowsVista = 106,
        codeWindows7 = 107,
        codeWindowsCe = 201,
    };

    CWindowsVersion();

    // Fills the record; the result of the last GetVersionExA call.
    static BOOL InitWindowsVersionInfo();

    UINT WindowsVersionCode() const;
    CString WindowsVersionName() const;
    // GetProductInfo's product type, fetched on first need; 0 when it cannot be fetched.
    DWORD QueryProductType() const;
    // Edition of the product type fetched so far (by WindowsVersionCode on Windows 6.0).
    CString WindowsEditionName() const;
    // Win32_OperatingSystem's Caption and CSDVersion; queried while empty. Needs COM on the thread.
    const CString& WmiOsCaption() const;
    bool IsWindowsVista() const;

    // The record as GetVersionExA filled it.
    static const OSVERSIONINFOEXA& VersionInfo();
    static bool IsVersionInfoValid();
};

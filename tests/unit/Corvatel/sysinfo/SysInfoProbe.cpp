// Writes the Windows version facts and the collected system facts this process sees, one
// "name=value" line each, to the file named by its argument. The tests start it under the
// Windows versions Wine reports per program.
#include "SysInfo.h"
#include "WindowsVersion.h"

#include <objbase.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    CWindowsVersion version;
    const OSVERSIONINFOEXA& info = CWindowsVersion::VersionInfo();
    UINT nCode = version.WindowsVersionCode();
    CString strEdition = version.WindowsEditionName();

    CSysInfo sysInfo;
    sysInfo.CollectSystemInfo();

    FILE* pFile = fopen(argv[1], "w");
    if (!pFile)
        return 3;
    fprintf(pFile, "version=%lu.%lu.%lu\n", info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
    fprintf(pFile, "platform=%lu\n", info.dwPlatformId);
    fprintf(pFile, "code=%u\n", nCode);
    fprintf(pFile, "name=%s\n", static_cast<const char*>(version.WindowsVersionName()));
    fprintf(pFile, "producttype=%lu\n", version.QueryProductType());
    fprintf(pFile, "edition=%s\n", static_cast<const char*>(strEdition));
    fprintf(pFile, "vista=%d\n", version.IsWindowsVista() ? 1 : 0);
    fprintf(pFile, "caption=%s\n", static_cast<const char*>(version.WmiOsCaption()));
    fprintf(pFile, "osname=%s\n", static_cast<const char*>(sysInfo.m_strOsName));
    fprintf(pFile, "servicepack=%d\n", sysInfo.m_nServicePack);
    fprintf(pFile, "nt=%d\n", sysInfo.m_bIsNT);
    fprintf(pFile, "admin=%d\n", sysInfo.m_bAdmin);
    fprintf(pFile, "uac=%d\n", sysInfo.m_bUacEnabled);
    fprintf(pFile, "user=%s\n", static_cast<const char*>(sysInfo.m_strUserName));
    fprintf(pFile, "folder=%s\n", static_cast<const char*>(sysInfo.m_strProgramFolder));
    fprintf(pFile, "psapi=%d\n", sysInfo.m_bPsApiLoaded);
    fprintf(pFile, "memory=%llu\n", sysInfo.m_ullTotalPhys);
    fclose(pFile);

    CoUninitialize();
    return 0;
}

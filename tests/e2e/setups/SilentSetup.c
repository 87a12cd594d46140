/* SilentSetup.exe: a stand-in for a component's Inno Setup installer, for the demo and the
 * end-to-end tests. It takes the switches Corvatel passes (/CORVATEL=TRUE /VERYSILENT /NORESTART
 * /DIR="folder" /LOG="file" [/STARTMENUTEXT="text"] [/NOSTARTMENU=TRUE]), "installs" a marker
 * file into the folder, writes the installer log and the component result file
 * Corvatel_Install.log beside the log, and exits with the chosen code.
 *
 * What it does is chosen per copy: SilentSetup.ini beside the program, in the section named after
 * the program's file name (e.g. [QuendarRuntime_2.4.0.240.exe]), else in [Default]:
 *   ExitCode=0          exit code, also written to the log as "Process exit code: N"
 *   RestartAnswer=      when set, the log says "Need to restart Windows?: <answer>"
 *   Reboot=0            Corvatel_Install.log [Install] Reboot
 *   InfoMessage=        Corvatel_Install.log [Install] InfoMessage, when set
 *   ErrorMessage=       Corvatel_Install.log [Install] ErrorMessage, when set
 *   ResultFile=1        0: no Corvatel_Install.log at all
 *   DelayMs=0           time the "install" takes
 *   RegistryKey=        HKLM key that receives Version, Build and InstallDir, e.g. SOFTWARE\Quendar\Runtime
 *   Version= Build=     the values written under RegistryKey
 * Command-line arguments are split as the installer splits them: quotes group, a backslash is an
 * ordinary character, so /DIR="C:\Folder\" keeps its trailing backslash. */
#include <windows.h>
#include <shlobj.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define TEXT_MAX 1024

typedef struct
{
    char szDir[MAX_PATH];
    char szLog[MAX_PATH];
    char szStartMenuText[TEXT_MAX];
    int bVerySilent;
    int bNoStartMenu;
} Switches;

typedef struct
{
    char szIni[MAX_PATH];
    char szName[MAX_PATH];    /* the program's file name */
    char szSection[MAX_PATH]; /* its section, or Default */
} Behaviour;

/* The next argument of the command line into pszArg; returns the rest, or NULL when none is left. */
static const char* NextArgument(const char* p, char* pszArg, size_t nSize)
{
    size_t n = 0;
    int bQuoted = 0;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!*p)
        return NULL;
    for (; *p && (bQuoted || (*p != ' ' && *p != '\t')); ++p) {
        if (*p == '"')
            bQuoted = !bQuoted;
        else if (n + 1 < nSize)
            pszArg[n++] = *p;
    }
    pszArg[n] = '\0';
    return p;
}

/* The value of "/NAME=value" when pszArg is that switch (without regard to case). */
static const char* SwitchValue(const char* pszArg, const char* pszName)
{
    size_t n = strlen(pszName);
    if (_strnicmp(pszArg, pszName, n) != 0)
        return NULL;
    return pszArg + n;
}

static void CopyText(char* pszTo, size_t nSize, const char* pszFrom)
{
    lstrcpynA(pszTo, pszFrom, (int)nSize);
}

static void ParseSwitches(const char* pszCommandLine, Switches* pSwitches)
{
    char szArg[TEXT_MAX];
    const char* pValue;
    const char* p = NextArgument(pszCommandLine, szArg, sizeof(szArg)); /* the program itself */
    while (p && (p = NextArgument(p, szArg, sizeof(szArg))) != NULL) {
        if (_stricmp(szArg, "/VERYSILENT") == 0)
            pSwitches->bVerySilent = 1;
        else if ((pValue = SwitchValue(szArg, "/DIR=")) != NULL)
            CopyText(pSwitches->szDir, sizeof(pSwitches->szDir), pValue);
        else if ((pValue = SwitchValue(szArg, "/LOG=")) != NULL)
            CopyText(pSwitches->szLog, sizeof(pSwitches->szLog), pValue);
        else if ((pValue = SwitchValue(szArg, "/STARTMENUTEXT=")) != NULL)
            CopyText(pSwitches->szStartMenuText, sizeof(pSwitches->szStartMenuText), pValue);
        else if ((pValue = SwitchValue(szArg, "/NOSTARTMENU=")) != NULL)
            pSwitches->bNoStartMenu = _stricmp(pValue, "TRUE") == 0;
        /* /CORVATEL=TRUE, /NORESTART and anything else: accepted, nothing to do */
    }
}

static void FolderOf(const char* pszPath, char* pszFolder, size_t nSize)
{
    const char* pSlash = strrchr(pszPath, '\\');
    size_t n = pSlash ? (size_t)(pSlash - pszPath) : 0;
    if (n >= nSize)
        n = nSize - 1;
    memcpy(pszFolder, pszPath, n);
    pszFolder[n] = '\0';
}

static void InitBehaviour(Behaviour* pBehaviour, const char* pszProgram)
{
    const char* pName = strrchr(pszProgram, '\\');
    char szFolder[MAX_PATH];
    char szProbe[8];
    FolderOf(pszProgram, szFolder, sizeof(szFolder));
    snprintf(pBehaviour->szIni, sizeof(pBehaviour->szIni), "%s\\SilentSetup.ini", szFolder);
    CopyText(pBehaviour->szName, sizeof(pBehaviour->szName), pName ? pName + 1 : pszProgram);
    CopyText(pBehaviour->szSection, sizeof(pBehaviour->szSection), pBehaviour->szName);
    /* A copy without a section of its own follows [Default]. */
    if (!GetPrivateProfileStringA(pBehaviour->szSection, NULL, "", szProbe, sizeof(szProbe), pBehaviour->szIni))
        CopyText(pBehaviour->szSection, sizeof(pBehaviour->szSection), "Default");
}

static void ReadSetting(const Behaviour* pBehaviour, const char* pszKey, char* pszValue, size_t nSize)
{
    GetPrivateProfileStringA(pBehaviour->szSection, pszKey, "", pszValue, (DWORD)nSize, pBehaviour->szIni);
}

static int ReadNumber(const Behaviour* pBehaviour, const char* pszKey, int nDefault)
{
    return (int)GetPrivateProfileIntA(pBehaviour->szSection, pszKey, nDefault, pBehaviour->szIni);
}

static void LogLine(FILE* pLog, const char* pszText)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    fprintf(pLog, "%04u-%02u-%02u %02u:%02u:%02u.%03u   %s\r\n", now.wYear, now.wMonth, now.wDay, now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds, pszText);
}

static void WriteLog(const Switches* pSwitches, const Behaviour* pBehaviour, int nExitCode)
{
    char szLine[TEXT_MAX + 64];
    char szAnswer[64];
    FILE* pLog;
    if (!pSwitches->szLog[0] || (pLog = fopen(pSwitches->szLog, "wb")) == NULL)
        return;
    LogLine(pLog, "Log opened.");
    snprintf(szLine, sizeof(szLine), "Setup command line: %s", GetCommandLineA());
    LogLine(pLog, szLine);
    snprintf(szLine, sizeof(szLine), "Setup: %s", pBehaviour->szName);
    LogLine(pLog, szLine);
    snprintf(szLine, sizeof(szLine), "Directory: %s", pSwitches->szDir);
    LogLine(pLog, szLine);
    if (pSwitches->szStartMenuText[0]) {
        snprintf(szLine, sizeof(szLine), "Start menu folder: %s", pSwitches->szStartMenuText);
        LogLine(pLog, szLine);
    }
    LogLine(pLog, pSwitches->bNoStartMenu ? "No start menu entries." : "Start menu entries created.");
    LogLine(pLog, nExitCode ? "Installation process failed." : "Installation process succeeded.");
    ReadSetting(pBehaviour, "RestartAnswer", szAnswer, sizeof(szAnswer));
    if (szAnswer[0]) {
        snprintf(szLine, sizeof(szLine), "Need to restart Windows?: %s", szAnswer);
        LogLine(pLog, szLine);
    }
    snprintf(szLine, sizeof(szLine), "Process exit code: %d", nExitCode);
    LogLine(pLog, szLine);
    LogLine(pLog, "Log closed.");
    fclose(pLog);
}

/* Corvatel_Install.log goes into the folder of the installer log (Corvatel's download folder). */
static void WriteResultFile(const Switches* pSwitches, const Behaviour* pBehaviour, const char* pszProgram)
{
    char szFolder[MAX_PATH], szPath[MAX_PATH], szValue[TEXT_MAX];
    if (!ReadNumber(pBehaviour, "ResultFile", 1))
        return;
    FolderOf(pSwitches->szLog[0] ? pSwitches->szLog : pszProgram, szFolder, sizeof(szFolder));
    snprintf(szPath, sizeof(szPath), "%s\\Corvatel_Install.log", szFolder);
    snprintf(szValue, sizeof(szValue), "%d", ReadNumber(pBehaviour, "Reboot", 0));
    WritePrivateProfileStringA("Install", "Reboot", szValue, szPath);
    ReadSetting(pBehaviour, "InfoMessage", szValue, sizeof(szValue));
    if (szValue[0])
        WritePrivateProfileStringA("Install", "InfoMessage", szValue, szPath);
    ReadSetting(pBehaviour, "ErrorMessage", szValue, sizeof(szValue));
    if (szValue[0])
        WritePrivateProfileStringA("Install", "ErrorMessage", szValue, szPath);
    WritePrivateProfileStringA(NULL, NULL, NULL, szPath); /* flush */
}

static void Install(const Switches* pSwitches, const Behaviour* pBehaviour)
{
    char szPath[MAX_PATH + 32], szKey[MAX_PATH], szValue[64];
    FILE* pMarker;
    HKEY hKey;
    if (pSwitches->szDir[0]) {
        SHCreateDirectoryExA(NULL, pSwitches->szDir, NULL);
        snprintf(szPath, sizeof(szPath), "%s\\%s.installed", pSwitches->szDir, pBehaviour->szName);
        if ((pMarker = fopen(szPath, "wb")) != NULL) {
            fprintf(pMarker, "%s\r\n", GetCommandLineA());
            fclose(pMarker);
        }
    }
    ReadSetting(pBehaviour, "RegistryKey", szKey, sizeof(szKey));
    if (!szKey[0] ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL) != ERROR_SUCCESS)
        return;
    ReadSetting(pBehaviour, "Version", szValue, sizeof(szValue));
    RegSetValueExA(hKey, "Version", 0, REG_SZ, (const BYTE*)szValue, (DWORD)strlen(szValue) + 1);
    ReadSetting(pBehaviour, "Build", szValue, sizeof(szValue));
    RegSetValueExA(hKey, "Build", 0, REG_SZ, (const BYTE*)szValue, (DWORD)strlen(szValue) + 1);
    RegSetValueExA(hKey, "InstallDir", 0, REG_SZ, (const BYTE*)pSwitches->szDir, (DWORD)strlen(pSwitches->szDir) + 1);
    RegCloseKey(hKey);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR pszCmdLine, int nCmdShow)
{
    Switches switches;
    Behaviour behaviour;
    char szProgram[MAX_PATH] = "";
    int nExitCode;
    (void)hInstance;
    (void)hPrevInstance;
    (void)pszCmdLine;
    (void)nCmdShow;

    memset(&switches, 0, sizeof(switches));
    GetModuleFileNameA(NULL, szProgram, sizeof(szProgram));
    ParseSwitches(GetCommandLineA(), &switches);
    InitBehaviour(&behaviour, szProgram);
    nExitCode = ReadNumber(&behaviour, "ExitCode", 0);

    if (!switches.bVerySilent) {
        char szText[MAX_PATH + 128];
        snprintf(szText, sizeof(szText), "%s is a demonstration setup.\n\nIt installs only a marker file.",
                 behaviour.szName);
        MessageBoxA(NULL, szText, "Setup", MB_OK | MB_ICONINFORMATION);
    }
    Sleep((DWORD)ReadNumber(&behaviour, "DelayMs", 0));
    if (nExitCode == 0)
        Install(&switches, &behaviour);
    WriteResultFile(&switches, &behaviour, szProgram);
    WriteLog(&switches, &behaviour, nExitCode);
    return nExitCode;
}

/* SilentSetup.exe: a stand-in for a component's setup, for the demo, the end-to-end tests and the
 * benchmark. One binary plays every kind, chosen per copy by Style in its sidecar:
 *   Inno           takes /CORVATEL=TRUE /VERYSILENT /NORESTART /DIR="folder" /LOG="file"
 *                  [/STARTMENUTEXT="text"] [/NOSTARTMENU=TRUE]; writes the installer log with
 *                  "Process exit code: N" and exits with that code
 *   InstallShield  takes [ShowStartMenu=FALSE | StartMenuText="text"] [/a] /s or /r, /f1"response
 *                  file"; /s plays the response file back (installs into its [SdAskDestPath-0]
 *                  szDir) and writes setup.log beside the setup with [ResponseResult] ResultCode;
 *                  /r records a response file naming RecordDir and installs there
 *   Program        an installed program: it only records that it ran
 * A setup "installs" a marker file into its folder, sets the registry values of an installed
 * product, writes the component result file Corvatel_Install.log, and may install a program.
 * Every run, of any kind, appends a line to SilentSetup.runs beside the program: its file name,
 * how long it ran in milliseconds (from its process's creation), and its command line.
 *
 * The sidecar is SilentSetup.ini beside the program; the section named after the program's file
 * name (e.g. [QuendarRuntime_2.4.0.240.exe]) is read, else [Default]:
 *   Style=Inno          Inno, InstallShield or Program
 *   ExitCode=0          Inno: exit code, also in the log; nothing is installed unless it is 0
 *   ResultCode=0        InstallShield: setup.log's ResultCode; nothing is installed unless it is 0
 *   RecordDir=          InstallShield /r: the folder recorded into the response file
 *   RestartAnswer=      Inno: when set, the log says "Need to restart Windows?: <answer>"
 *   Reboot=0            Corvatel_Install.log [Install] Reboot
 *   InfoMessage=        Corvatel_Install.log [Install] InfoMessage, when set
 *   ErrorMessage=       Corvatel_Install.log [Install] ErrorMessage, when set
 *   ResultFile=1        0: no Corvatel_Install.log at all; a Program writes one only when this is 1
 *   DelayMs=0           time the "install" takes
 *   ReleaseFile=        then the "install" goes on only once this file exists (waited for up to a minute)
 *   RegistryKey=        HKLM key that receives Version, Build and InstallDir, e.g. SOFTWARE\Quendar\Runtime
 *   Version= Build=     the values written under RegistryKey
 *   Program=            a program file name: a copy of this binary installed into the folder as that
 *                       program (Style=Program in a sidecar beside it)
 * Command-line arguments are split as the installers split them: quotes group, a backslash is an
 * ordinary character, so /DIR="C:\Folder\" keeps its trailing backslash. */
#include <windows.h>
#include <shlobj.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define TEXT_MAX 1024

enum Style
{
    StyleInno,
    StyleInstallShield,
    StyleProgram
};

typedef struct
{
    char szDir[MAX_PATH];
    char szLog[MAX_PATH];
    char szResponseFile[MAX_PATH];
    char szStartMenuText[TEXT_MAX];
    int bVerySilent;
    int bNoStartMenu;
    int bPlayBack; /* InstallShield /s */
    int bRecord;   /* InstallShield /r */
} Switches;

typedef struct
{
    char szIni[MAX_PATH];
    char szFolder[MAX_PATH];  /* the program's folder */
    char szName[MAX_PATH];    /* the program's file name */
    char szSection[MAX_PATH]; /* its section, or Default */
    enum Style style;
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
        else if (_stricmp(szArg, "/s") == 0)
            pSwitches->bPlayBack = 1;
        else if (_stricmp(szArg, "/r") == 0)
            pSwitches->bRecord = 1;
        else if ((pValue = SwitchValue(szArg, "/f1")) != NULL)
            CopyText(pSwitches->szResponseFile, sizeof(pSwitches->szResponseFile), pValue);
        else if ((pValue = SwitchValue(szArg, "/DIR=")) != NULL)
            CopyText(pSwitches->szDir, sizeof(pSwitches->szDir), pValue);
        else if ((pValue = SwitchValue(szArg, "/LOG=")) != NULL)
            CopyText(pSwitches->szLog, sizeof(pSwitches->szLog), pValue);
        else if ((pValue = SwitchValue(szArg, "/STARTMENUTEXT=")) != NULL ||
                 (pValue = SwitchValue(szArg, "StartMenuText=")) != NULL)
            CopyText(pSwitches->szStartMenuText, sizeof(pSwitches->szStartMenuText), pValue);
        else if ((pValue = SwitchValue(szArg, "/NOSTARTMENU=")) != NULL)
            pSwitches->bNoStartMenu = _stricmp(pValue, "TRUE") == 0;
        else if ((pValue = SwitchValue(szArg, "ShowStartMenu=")) != NULL)
            pSwitches->bNoStartMenu = _stricmp(pValue, "FALSE") == 0;
        /* /CORVATEL=TRUE, /NORESTART, /a and anything else: accepted, nothing to do */
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

static void ReadSetting(const Behaviour* pBehaviour, const char* pszKey, char* pszValue, size_t nSize)
{
    GetPrivateProfileStringA(pBehaviour->szSection, pszKey, "", pszValue, (DWORD)nSize, pBehaviour->szIni);
}

static int ReadNumber(const Behaviour* pBehaviour, const char* pszKey, int nDefault)
{
    return (int)GetPrivateProfileIntA(pBehaviour->szSection, pszKey, nDefault, pBehaviour->szIni);
}

static void InitBehaviour(Behaviour* pBehaviour, const char* pszProgram)
{
    const char* pName = strrchr(pszProgram, '\\');
    char szProbe[8], szStyle[32];
    FolderOf(pszProgram, pBehaviour->szFolder, sizeof(pBehaviour->szFolder));
    snprintf(pBehaviour->szIni, sizeof(pBehaviour->szIni), "%s\\SilentSetup.ini", pBehaviour->szFolder);
    CopyText(pBehaviour->szName, sizeof(pBehaviour->szName), pName ? pName + 1 : pszProgram);
    CopyText(pBehaviour->szSection, sizeof(pBehaviour->szSection), pBehaviour->szName);
    /* A copy without a section of its own follows [Default]. */
    if (!GetPrivateProfileStringA(pBehaviour->szSection, NULL, "", szProbe, sizeof(szProbe), pBehaviour->szIni))
        CopyText(pBehaviour->szSection, sizeof(pBehaviour->szSection), "Default");
    ReadSetting(pBehaviour, "Style", szStyle, sizeof(szStyle));
    pBehaviour->style = _stricmp(szStyle, "InstallShield") == 0 ? StyleInstallShield
                        : _stricmp(szStyle, "Program") == 0     ? StyleProgram
                                                                : StyleInno;
}

static void LogLine(FILE* pLog, const char* pszText)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    fprintf(pLog, "%04u-%02u-%02u %02u:%02u:%02u.%03u   %s\r\n", now.wYear, now.wMonth, now.wDay, now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds, pszText);
}

static void WriteInnoLog(const Switches* pSwitches, const Behaviour* pBehaviour, int nExitCode)
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

static void WriteSetupLog(const Behaviour* pBehaviour, int nResultCode)
{
    char szPath[MAX_PATH + 16], szValue[16];
    snprintf(szPath, sizeof(szPath), "%s\\setup.log", pBehaviour->szFolder);
    snprintf(szValue, sizeof(szValue), "%d", nResultCode);
    WritePrivateProfileStringA("InstallShield Silent", "Version", "v7.00", szPath);
    WritePrivateProfileStringA("ResponseResult", "ResultCode", szValue, szPath);
    WritePrivateProfileStringA(NULL, NULL, NULL, szPath); /* flush */
}

/* Corvatel_Install.log goes into the folder of the installer log (Corvatel's download folder). */
static void WriteResultFile(const Switches* pSwitches, const Behaviour* pBehaviour)
{
    char szFolder[MAX_PATH], szPath[MAX_PATH + 32], szValue[TEXT_MAX];
    if (!ReadNumber(pBehaviour, "ResultFile", 1))
        return;
    if (pSwitches->szLog[0])
        FolderOf(pSwitches->szLog, szFolder, sizeof(szFolder));
    else
        CopyText(szFolder, sizeof(szFolder), pBehaviour->szFolder);
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

/* A copy of this binary in the folder, under the program's name, that runs as that program. */
static void InstallProgram(const Behaviour* pBehaviour, const char* pszProgram, const char* pszDir)
{
    char szName[MAX_PATH], szPath[2 * MAX_PATH], szIni[MAX_PATH + 32];
    ReadSetting(pBehaviour, "Program", szName, sizeof(szName));
    if (!szName[0])
        return;
    snprintf(szPath, sizeof(szPath), "%s\\%s", pszDir, szName);
    CopyFileA(pszProgram, szPath, FALSE);
    snprintf(szIni, sizeof(szIni), "%s\\SilentSetup.ini", pszDir);
    WritePrivateProfileStringA(szName, "Style", "Program", szIni);
    WritePrivateProfileStringA(NULL, NULL, NULL, szIni); /* flush */
}

static void Install(const Behaviour* pBehaviour, const char* pszProgram, const char* pszDir)
{
    char szPath[MAX_PATH + 32], szKey[MAX_PATH], szValue[64];
    FILE* pMarker;
    HKEY hKey;
    if (pszDir[0]) {
        SHCreateDirectoryExA(NULL, pszDir, NULL);
        snprintf(szPath, sizeof(szPath), "%s\\%s.installed", pszDir, pBehaviour->szName);
        if ((pMarker = fopen(szPath, "wb")) != NULL) {
            fprintf(pMarker, "%s\r\n", GetCommandLineA());
            fclose(pMarker);
        }
        InstallProgram(pBehaviour, pszProgram, pszDir);
    }
    ReadSetting(pBehaviour, "RegistryKey", szKey, sizeof(szKey));
    if (!szKey[0] ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL) != ERROR_SUCCESS)
        return;
    ReadSetting(pBehaviour, "Version", szValue, sizeof(szValue));
    RegSetValueExA(hKey, "Version", 0, REG_SZ, (const BYTE*)szValue, (DWORD)strlen(szValue) + 1);
    ReadSetting(pBehaviour, "Build", szValue, sizeof(szValue));
    RegSetValueExA(hKey, "Build", 0, REG_SZ, (const BYTE*)szValue, (DWORD)strlen(szValue) + 1);
    RegSetValueExA(hKey, "InstallDir", 0, REG_SZ, (const BYTE*)pszDir, (DWORD)strlen(pszDir) + 1);
    RegCloseKey(hKey);
}

/* The time the "install" takes: the delay, then the release file. */
static void TakeTime(const Behaviour* pBehaviour)
{
    char szRelease[MAX_PATH];
    int i;
    Sleep((DWORD)ReadNumber(pBehaviour, "DelayMs", 0));
    ReadSetting(pBehaviour, "ReleaseFile", szRelease, sizeof(szRelease));
    for (i = 0; szRelease[0] && i < 1200 && GetFileAttributesA(szRelease) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
}

static int RunInno(const Switches* pSwitches, const Behaviour* pBehaviour, const char* pszProgram)
{
    int nExitCode = ReadNumber(pBehaviour, "ExitCode", 0);
    if (!pSwitches->bVerySilent) {
        char szText[MAX_PATH + 128];
        snprintf(szText, sizeof(szText), "%s is a demonstration setup.\n\nIt installs only a marker file.",
                 pBehaviour->szName);
        MessageBoxA(NULL, szText, "Setup", MB_OK | MB_ICONINFORMATION);
    }
    TakeTime(pBehaviour);
    if (nExitCode == 0)
        Install(pBehaviour, pszProgram, pSwitches->szDir);
    WriteResultFile(pSwitches, pBehaviour);
    WriteInnoLog(pSwitches, pBehaviour, nExitCode);
    return nExitCode;
}

static int RunInstallShield(const Switches* pSwitches, const Behaviour* pBehaviour, const char* pszProgram)
{
    char szDir[MAX_PATH];
    int nResultCode = ReadNumber(pBehaviour, "ResultCode", 0);
    TakeTime(pBehaviour);
    if (pSwitches->bRecord) {
        /* The answers a user would give, recorded for the next run. */
        ReadSetting(pBehaviour, "RecordDir", szDir, sizeof(szDir));
        WritePrivateProfileStringA("SdAskDestPath-0", "szDir", szDir, pSwitches->szResponseFile);
        WritePrivateProfileStringA("SdAskDestPath-0", "Result", "1", pSwitches->szResponseFile);
        WritePrivateProfileStringA(NULL, NULL, NULL, pSwitches->szResponseFile); /* flush */
        Install(pBehaviour, pszProgram, szDir);
        WriteResultFile(pSwitches, pBehaviour);
        return 0;
    }
    if (!pSwitches->bPlayBack)
        return -2;
    GetPrivateProfileStringA("SdAskDestPath-0", "szDir", "", szDir, sizeof(szDir), pSwitches->szResponseFile);
    if (nResultCode == 0)
        Install(pBehaviour, pszProgram, szDir);
    WriteResultFile(pSwitches, pBehaviour);
    WriteSetupLog(pBehaviour, nResultCode);
    return nResultCode;
}

/* SilentSetup.runs beside the program: name, milliseconds since the process was created, command line. */
static void RecordRun(const Behaviour* pBehaviour)
{
    char szPath[MAX_PATH + 32];
    FILETIME created, exited, kernel, user, now;
    ULONGLONG ullMs = 0;
    FILE* pRuns;
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER from = {{created.dwLowDateTime, created.dwHighDateTime}};
        ULARGE_INTEGER to = {{now.dwLowDateTime, now.dwHighDateTime}};
        ullMs = (to.QuadPart - from.QuadPart) / 10000;
    }
    snprintf(szPath, sizeof(szPath), "%s\\SilentSetup.runs", pBehaviour->szFolder);
    if ((pRuns = fopen(szPath, "ab")) == NULL)
        return;
    fprintf(pRuns, "%s\t%llu\t%s\r\n", pBehaviour->szName, ullMs, GetCommandLineA());
    fclose(pRuns);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR pszCmdLine, int nCmdShow)
{
    Switches switches;
    Behaviour behaviour;
    char szProgram[MAX_PATH] = "";
    int nExitCode = 0;
    (void)hInstance;
    (void)hPrevInstance;
    (void)pszCmdLine;
    (void)nCmdShow;

    memset(&switches, 0, sizeof(switches));
    GetModuleFileNameA(NULL, szProgram, sizeof(szProgram));
    ParseSwitches(GetCommandLineA(), &switches);
    InitBehaviour(&behaviour, szProgram);
    if (behaviour.style == StyleInno)
        nExitCode = RunInno(&switches, &behaviour, szProgram);
    else if (behaviour.style == StyleInstallShield)
        nExitCode = RunInstallShield(&switches, &behaviour, szProgram);
    else if (ReadNumber(&behaviour, "ResultFile", 0))
        WriteResultFile(&switches, &behaviour); /* a snip setup, started by its bare path */
    RecordRun(&behaviour);
    return nExitCode;
}

// CSysInfo: facts about the PC and its user, gathered once at start-up by CollectSystemInfo:
// Windows version and name, processor, memory, browser and data-access versions, membership of
// the local Administrators group, user name, program folder and the UAC setting.
// The wizard sheet owns one for its whole life and reads the members directly. The object also
// holds the SNMP extension agent, iphlpapi.dll and psapi.dll loaded while it lives.
// Nothing here reports a failure: what cannot be read keeps its constructed value.
#pragma once

#include <CString.h>

#include <snmp.h>
#include <time.h>

struct _MIB_IFROW;
struct _IP_ADAPTER_INFO;
struct _PROCESS_MEMORY_COUNTERS;

// The SNMP extension agent "inetmib1.dll", and Winsock 1.1 started for it.
class CSnmpMib
{
public:
    CSnmpMib();
    ~CSnmpMib();
    CSnmpMib(const CSnmpMib&) = delete;
    CSnmpMib& operator=(const CSnmpMib&) = delete;

    // The agent's SnmpExtensionInit result; 0 when the agent or the entry point is missing.
    BOOL InitExtension();

    HMODULE m_hModule;
    PFNSNMPEXTENSIONINIT m_pfnInit;
    PFNSNMPEXTENSIONINITEX m_pfnInitEx;
    PFNSNMPEXTENSIONQUERY m_pfnQuery;
    PFNSNMPEXTENSIONTRAP m_pfnTrap;

private:
    bool m_bWinsockStarted;
};

class CSysInfo
{
public:
    typedef DWORD(WINAPI* PFN_GETIFENTRY)(_MIB_IFROW*);
    typedef DWORD(WINAPI* PFN_GETADAPTERSINFO)(_IP_ADAPTER_INFO*, ULONG*);
    typedef BOOL(WINAPI* PFN_GETPROCESSMEMORYINFO)(HANDLE, _PROCESS_MEMORY_COUNTERS*, DWORD);

    CSysInfo();
    virtual ~CSysInfo();
    CSysInfo(const CSysInfo&) = delete;
    CSysInfo& operator=(const CSysInfo&) = delete;

    // Runs every collection step once, in order; returns the UAC flag.
    BYTE CollectSystemInfo();

    __time64_t m_tCreated;
    CString m_strProgramFolder;
    CString m_strUserName;
    int m_bAdmin;
    int m_bUacEnabled;
    CSnmpMib m_snmp;
    int m_bSnmpInitialised;
    PFN_GETIFENTRY m_pfnGetIfEntry;
    PFN_GETADAPTERSINFO m_pfnGetAdaptersInfo;
    int m_bIpHlpApiLoaded;
    HMODULE m_hIpHlpApi;
    CString m_strCpuName;
    CString m_strCpuIdentifier;
    CString m_strCpuVendor;
    CString m_strOsName;
    int m_bIsNT;
    DWORD m_dwCpuMhz;
    DWORD m_nProcessors;
    int m_nServicePack;
    DWORD m_dwBuildNumber;
    DWORD m_dwMinorVersion;
    DWORD m_dwMajorVersion;
    int m_bPsApiLoaded;
    HMODULE m_hPsApi;
    PFN_GETPROCESSMEMORYINFO m_pfnGetProcessMemoryInfo;
    DWORD m_dwMemoryLoad;
    ULONGLONG m_ullAvailVirtual;
    ULONGLONG m_ullTotalVirtual;
    ULONGLONG m_ullAvailPageFile;
    ULONGLONG m_ullTotalPageFile;
    ULONGLONG m_ullAvailPhys;
    ULONGLONG m_ullTotalPhys;
    // Last dotted part first: "11.0.9600.1" is stored as 1, 9600, 0, 11.
    int m_nIeVersion[4];
    int m_nMdacVersion[4];

private:
    void LoadHelperLibraries();
    void ReadOsVersion();
    void ReadProcessorCount();
    void ReadCpuInfo();
    void ReadMemoryStatus();
    void ReadIeVersion();
    void ReadDataAccessVersion();
    void IsAdmin();
    void ReadUserName();
    void ReadProgramFolder();
    void ReadUacSetting();
};

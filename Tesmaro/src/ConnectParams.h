// The record the connect dialog shares with its worker: two locations in, two bodies out.
// Both sides hold a reference; the last one to let go frees it, so a worker that outlives
// its dialog (after Cancel) still writes into live memory.
#pragma once

#include <CString.h>

struct CConnectParams
{
    CString strFirst;  // catalogue location in, catalogue body out
    CString strSecond; // second location in, second body out
    // Names this fetch in its end message; unlike the record's address it is never reused.
    LONG nFetchId = 0;
    // This fetch's own flag: its read loops run while it is set, and its dialog's Cancel clears
    // it. A worker that outlives its dialog thus never answers another dialog's Cancel.
    volatile LONG bRun = 1;
    LONG nRefs = 2;

    void Release()
    {
        if (InterlockedDecrement(&nRefs) == 0)
            delete this;
    }
};

// Module-wide state shared by every connect dialog and worker in the process.
extern UINT g_uConnectMsg;
extern UINT g_uConnectedMsg;
extern HWND g_hDlgConnect;
// The fetch of the connect dialog that opened last, and a mirror of its run flag.
extern volatile LONG g_nConnectFetchId;
extern volatile LONG g_bConnectRun;

// Sets a fetch's flag, and its mirror when the fetch is the current one.
inline void SetConnectFlag(const CConnectParams& params, volatile LONG& bFlag, volatile LONG& bMirror, LONG bValue)
{
    InterlockedExchange(&bFlag, bValue);
    if (params.nFetchId == g_nConnectFetchId)
        InterlockedExchange(&bMirror, bValue);
}

// Worker result codes.
enum : UINT
{
    CONNECT_DONE = 1,
    CONNECT_FAILED = 2,
};

UINT ConnectThreadProc(LPVOID pParam);

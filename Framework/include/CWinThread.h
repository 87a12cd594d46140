// Worker threads: AfxBeginThread starts a function on a new thread with a CWinThread object that,
// by default, deletes itself when the thread ends (by returning or through AfxEndThread).
#pragma once

#include <windows.h>

typedef UINT (*AFX_THREADPROC)(LPVOID);

class CWinThread
{
public:
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }

    HANDLE m_hThread;
    DWORD m_nThreadID;
    BOOL m_bAutoDelete;

private:
    friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES);
    static unsigned __stdcall ThreadEntry(void* pThis);

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;
};

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES pSecurityAttrs = nullptr);

// Ends the calling framework thread with nExitCode; its CWinThread is deleted when bDelete and auto-delete are set.
// Objects on the thread's stack are not destroyed: call it where none are alive.
[[noreturn]] void AfxEndThread(UINT nExitCode, BOOL bDelete = TRUE);

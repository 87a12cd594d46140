// Threads: AfxBeginThread starts either a function on a new thread or, in its class flavour, a
// CWinThread subclass whose InitInstance and Run do the work. The CWinThread object by default
// deletes itself when the thread ends (by returning or through AfxEndThread).
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

    // Starts the thread of an object made with the default constructor; FALSE when it cannot.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, LPSECURITY_ATTRIBUTES pSecurityAttrs = nullptr);
    // CreateThread with the priority set before the thread first runs; on failure the object is
    // deleted and the result is null.
    static CWinThread* BeginThread(CWinThread* pThread, int nPriority, UINT nStackSize, DWORD dwCreateFlags,
                                   LPSECURITY_ATTRIBUTES pSecurityAttrs);
    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }

    // A subclass's work, on its own thread: Run follows when InitInstance returns TRUE, ExitInstance
    // otherwise; what either returns is the thread's exit code.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int Run() { return ExitInstance(); }
    virtual int ExitInstance() { return 0; }

    HANDLE m_hThread;
    DWORD m_nThreadID;
    BOOL m_bAutoDelete;

protected:
    CWinThread();

private:
    static unsigned __stdcall ThreadEntry(void* pThis);

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;
};

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES pSecurityAttrs = nullptr);

// The class flavour: a new TThread (a CWinThread subclass with a default constructor) on a thread
// of its own; null when the thread cannot be made. With CREATE_SUSPENDED the caller fills the
// object's fields before ResumeThread.
template <class TThread>
TThread* AfxBeginThread(int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                        LPSECURITY_ATTRIBUTES pSecurityAttrs = nullptr)
{
    return static_cast<TThread*>(
        CWinThread::BeginThread(new TThread, nPriority, nStackSize, dwCreateFlags, pSecurityAttrs));
}

// Ends the calling framework thread with nExitCode; its CWinThread is deleted when bDelete and auto-delete are set.
// Objects on the thread's stack are not destroyed: call it where none are alive.
[[noreturn]] void AfxEndThread(UINT nExitCode, BOOL bDelete = TRUE);

#include "CWinThread.h"

#include <process.h>

namespace {

thread_local CWinThread* t_pCurrentThread = nullptr;

} // namespace

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_hThread(nullptr), m_nThreadID(0), m_bAutoDelete(TRUE), m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam)
{
}

CWinThread::CWinThread() : CWinThread(nullptr, nullptr)
{
}

CWinThread::~CWinThread()
{
    if (m_hThread)
        CloseHandle(m_hThread);
}

unsigned __stdcall CWinThread::ThreadEntry(void* pThis)
{
    CWinThread* pThread = static_cast<CWinThread*>(pThis);
    t_pCurrentThread = pThread;
    if (pThread->m_pfnThreadProc)
        AfxEndThread(pThread->m_pfnThreadProc(pThread->m_pThreadParams));
    AfxEndThread(static_cast<UINT>(pThread->InitInstance() ? pThread->Run() : pThread->ExitInstance()));
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES pSecurityAttrs)
{
    unsigned nThreadID = 0;
    // Started suspended so the object is complete before the thread can end and delete it.
    uintptr_t hThread = _beginthreadex(pSecurityAttrs, nStackSize, ThreadEntry, this, CREATE_SUSPENDED, &nThreadID);
    if (!hThread)
        return FALSE;
    m_hThread = reinterpret_cast<HANDLE>(hThread);
    m_nThreadID = nThreadID;
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        ResumeThread();
    return TRUE;
}

CWinThread* CWinThread::BeginThread(CWinThread* pThread, int nPriority, UINT nStackSize, DWORD dwCreateFlags,
                                    LPSECURITY_ATTRIBUTES pSecurityAttrs)
{
    if (!pThread->CreateThread(CREATE_SUSPENDED, nStackSize, pSecurityAttrs)) {
        delete pThread;
        return nullptr;
    }
    pThread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        pThread->ResumeThread();
    return pThread;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES pSecurityAttrs)
{
    return CWinThread::BeginThread(new CWinThread(pfnThreadProc, pParam), nPriority, nStackSize, dwCreateFlags,
                                   pSecurityAttrs);
}

void AfxEndThread(UINT nExitCode, BOOL bDelete)
{
    CWinThread* pThread = t_pCurrentThread;
    t_pCurrentThread = nullptr;
    if (pThread && bDelete && pThread->m_bAutoDelete)
        delete pThread;
    _endthreadex(nExitCode);
    __builtin_unreachable();
}

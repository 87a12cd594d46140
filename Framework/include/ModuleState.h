// Module state: which module's resources (dialog templates, strings) the framework loads from.
// The current state is held per thread. A DLL switches to its own state while its exported
// operations run, with AFX_MANAGE_STATE, and the caller's state comes back on every way out.
#pragma once

#include <windows.h>

struct AFX_MODULE_STATE
{
    HINSTANCE m_hCurrentInstanceHandle;
    HINSTANCE m_hCurrentResourceHandle;
};

// The state of the module this code is linked into (the program or a DLL).
AFX_MODULE_STATE* AfxGetStaticModuleState();
// The calling thread's current state; the program's own until something switches.
AFX_MODULE_STATE* AfxGetModuleState();
// Makes pState current on this thread and returns the state it replaced.
AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* pState);

HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

class AFX_MAINTAIN_STATE
{
public:
    explicit AFX_MAINTAIN_STATE(AFX_MODULE_STATE* pNewState) : m_pPrevState(AfxSetModuleState(pNewState)) {}
    ~AFX_MAINTAIN_STATE() { AfxSetModuleState(m_pPrevState); }
    AFX_MAINTAIN_STATE(const AFX_MAINTAIN_STATE&) = delete;
    AFX_MAINTAIN_STATE& operator=(const AFX_MAINTAIN_STATE&) = delete;

private:
    AFX_MODULE_STATE* m_pPrevState;
};

#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE _afxModuleStateGuard(p)

#include "ModuleState.h"

// Every module links its own copy of the framework, so __ImageBase names that module.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

AFX_MODULE_STATE* ProgramModuleState()
{
    static AFX_MODULE_STATE state = {GetModuleHandleA(nullptr), GetModuleHandleA(nullptr)};
    return &state;
}

thread_local AFX_MODULE_STATE* t_pCurrentState = nullptr;

} // namespace

AFX_MODULE_STATE* AfxGetStaticModuleState()
{
    static AFX_MODULE_STATE state = {reinterpret_cast<HINSTANCE>(&__ImageBase),
                                     reinterpret_cast<HINSTANCE>(&__ImageBase)};
    return &state;
}

AFX_MODULE_STATE* AfxGetModuleState()
{
    return t_pCurrentState ? t_pCurrentState : ProgramModuleState();
}

AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* pState)
{
    AFX_MODULE_STATE* pPrev = AfxGetModuleState();
    t_pCurrentState = pState;
    return pPrev;
}

HINSTANCE AfxGetInstanceHandle()
{
    return AfxGetModuleState()->m_hCurrentInstanceHandle;
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetModuleState()->m_hCurrentResourceHandle;
}

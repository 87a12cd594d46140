// The library module: its application object and the two COM entry points. The library
// serves no COM class; the entry points exist so the module can be asked like any COM server.
#include <ModuleState.h>
#include <CWinApp.h>

class CTesmaro : public CWinApp
{
public:
    CTesmaro() : CWinApp(nullptr) {}
    BOOL InitInstance() override { return CWinApp::InitInstance(); }
    int ExitInstance() override { return CWinApp::ExitInstance(); }
};

CTesmaro theApp;

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (dwReason == DLL_PROCESS_ATTACH)
        return theApp.InitInstance();
    if (dwReason == DLL_PROCESS_DETACH)
        theApp.ExitInstance();
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    // No COM object of this module is ever alive or locked.
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (ppv)
        *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

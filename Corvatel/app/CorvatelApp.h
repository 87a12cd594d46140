// CCorvatelApp: the program. It parses the command line, builds the wizard sheet (which loads
// the catalogue), runs it modally and ends: there is no message loop after the wizard.
#pragma once

#include "CommandLineInfo_Corvatel.h"

#include <CWinApp.h>

class CPropSheet_Corvatel;

class CCorvatelApp : public CWinApp
{
public:
    CCorvatelApp();
    ~CCorvatelApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // The sheet's Help button: opens "Corvatel.chm" beside the program while the wizard is up.
    void OnHelp();

    CPropSheet_Corvatel* m_pSheet;
    CCommandLineInfo_Corvatel m_cmdInfo;
};

// The running program's application object.
CCorvatelApp* GetCorvatelApp();

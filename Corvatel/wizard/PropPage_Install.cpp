#include "PropPage_Install.h"

#include "Utilities.h"
#include "resource.h"

CPropPage_Install::CPropPage_Install(CPropSheet_Corvatel* pSheet)
    : CPropPage_Base(pSheet, IDD_INSTALL, IDS_INSTALL_TITLE, IDS_INSTALL_SUBTITLE)
{
}

BOOL CPropPage_Install::OnInitDialog()
{
    CPropPage_Base::OnInitDialog();
    // A run starts a new log; the dialog is initialised once, so Back and Next keep it.
    DeleteFileIfExists(GetLogFilePath());
    return TRUE;
}

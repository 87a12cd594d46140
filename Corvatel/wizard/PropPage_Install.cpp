#include "PropPage_Install.h"

#include "resource.h"

CPropPage_Install::CPropPage_Install(CPropSheet_Corvatel* pSheet) : CPropPage_Base(pSheet, IDD_INSTALL, IDS_INSTALL_TITLE, IDS_INSTALL_SUBTITLE)
{
}

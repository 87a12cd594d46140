#include "PropPage_AppSelection.h"

#include "resource.h"

CPropPage_AppSelection::CPropPage_AppSelection(CPropSheet_Corvatel* pSheet) : CPropPage_Base(pSheet, IDD_APP_SELECTION, IDS_SELECTION_TITLE, IDS_SELECTION_SUBTITLE)
{
}

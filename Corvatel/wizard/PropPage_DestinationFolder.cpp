#include "PropPage_DestinationFolder.h"

#include "resource.h"

CPropPage_DestinationFolder::CPropPage_DestinationFolder(CPropSheet_Corvatel* pSheet) : CPropPage_Base(pSheet, IDD_DESTINATION_FOLDER, IDS_FOLDER_TITLE, IDS_FOLDER_SUBTITLE)
{
}

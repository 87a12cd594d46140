#include "PropPage_License.h"

#include "resource.h"

CPropPage_License::CPropPage_License(CPropSheet_Corvatel* pSheet) : CPropPage_Base(pSheet, IDD_LICENSE, IDS_LICENSE_TITLE, IDS_LICENSE_SUBTITLE)
{
}

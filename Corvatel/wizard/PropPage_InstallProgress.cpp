// The install page's side of a running transfer.
#include "PropPage_Install.h"

void CPropPage_Install::OnDownloadProgress(CFtpMgr* /*pFtpMgr*/, CString /*strFile*/, int /*nPercent*/,
                                           unsigned long long /*ullTotal*/, unsigned long long /*ullDone*/)
{
}

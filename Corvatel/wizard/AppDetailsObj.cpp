#include "AppDetailsObj.h"

CAppDetailsObj::CAppDetailsObj(CProductInfo* pProductInfo)
    : m_pProductInfo(pProductInfo), m_pFtpMgr(nullptr), m_lstDependencies(10), m_ullBytesDone(0), m_ullBytesTotal(0),
      m_nListCount(0), m_nStatus(0), m_nInstallPart(0), m_nDownloadAttempts(0), m_bChecked(false), m_bQueueable(true),
      m_bLocalFileExists(false)
{
}

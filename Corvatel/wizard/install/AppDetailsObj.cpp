#include "AppDetailsObj.h"

CAppDetailsObj::CAppDetailsObj(CProductInfo* pProductInfo)
    : m_pProductInfo(pProductInfo), m_pFtpMgr{nullptr, nullptr}, m_lstDependencies(10), m_ullBytesDone(0), m_ullBytesTotal(0),
      m_nListCount(0), m_nStatus(ItemNotQueued), m_nInstallPart(0), m_nDownloadAttempts(0), m_bChecked(false),
      m_bQueueable(true), m_bLocalFileExists(false), m_nTransfer{TransferSetupFile, TransferResponseFile},
      m_nStartedAtStatus(-1)
{
}

std::mutex& CAppDetailsObj::SharedLock()
{
    static std::mutex s_lock;
    return s_lock;
}

void CAppDetailsObj::SetStatusText(CString strText)
{
    std::lock_guard<std::mutex> guard(SharedLock());
    m_strStatusText = strText;
}

CString CAppDetailsObj::GetStatusText() const
{
    std::lock_guard<std::mutex> guard(SharedLock());
    return m_strStatusText;
}

int CAppDetailsObj::GetStatus() const
{
    std::lock_guard<std::mutex> guard(SharedLock());
    return m_nStatus;
}

void CAppDetailsObj::SetInstallPart(int nPart)
{
    std::lock_guard<std::mutex> guard(SharedLock());
    m_nInstallPart = nPart;
}

bool CAppDetailsObj::IsQueueablePart() const
{
    return m_pProductInfo->m_bShowDependency == 0 && m_bQueueable;
}

float CAppDetailsObj::GetDownloadSize(bool bSkipLocalFiles) const
{
    float fSize = (bSkipLocalFiles && m_bLocalFileExists) ? 0.0f : m_pProductInfo->m_fSize;
    for (POSITION pos = m_lstDependencies.GetHeadPosition(); pos;) {
        auto* pPart = static_cast<const CAppDetailsObj*>(m_lstDependencies.GetNext(pos));
        if (pPart && pPart->IsQueueablePart() && !(bSkipLocalFiles && pPart->m_bLocalFileExists))
            fSize += pPart->m_pProductInfo->m_fSize;
    }
    return fSize;
}

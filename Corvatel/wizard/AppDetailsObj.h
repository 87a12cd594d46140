// CAppDetailsObj: the queue record of one catalogue product, carrying its download and install
// state through the run. The wizard sheet owns every record; lists elsewhere only point at them.
#pragma once

#include <CObList.h>
#include <CString.h>
#include <ProductInfo.h>

class CFtpMgr;

class CAppDetailsObj : public CObject
{
public:
    explicit CAppDetailsObj(CProductInfo* pProductInfo);
    ~CAppDetailsObj() override = default;

    void SetStatusText(CString strText) { m_strStatusText = strText; }

    CProductInfo* m_pProductInfo;
    CFtpMgr* m_pFtpMgr;
    CObList m_lstDependencies;
    unsigned long long m_ullBytesDone;
    unsigned long long m_ullBytesTotal;
    CString m_strStatusText;
    int m_nListCount;
    int m_nStatus;
    int m_nInstallPart;
    int m_nDownloadAttempts;
    bool m_bChecked;
    bool m_bQueueable;
    bool m_bLocalFileExists;
};

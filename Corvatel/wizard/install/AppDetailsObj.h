// CAppDetailsObj: the queue record of one catalogue product, carrying its download and install
// state through the run. The wizard sheet owns every record; lists elsewhere only point at them.
#pragma once

#include "ItemStatus.h"

#include <CObList.h>
#include <CString.h>
#include <ProductInfo.h>

#include <mutex>

class CFtpMgr;

class CAppDetailsObj : public CObject
{
public:
    explicit CAppDetailsObj(CProductInfo* pProductInfo);
    ~CAppDetailsObj() override = default;

    // Download threads and the user-interface thread share the records' status codes, status
    // texts, byte counts and running transfers, and the progress display's busy flag: this one
    // lock guards them all. It is never held while a window of another thread is sent a message.
    static std::mutex& SharedLock();

    void SetStatusText(CString strText);
    CString GetStatusText() const;
    int GetStatus() const;
    void SetInstallPart(int nPart);

    // A part that takes part in a run: its product is hidden (ShowDependency 0) and the
    // selection page found its catalogue entry usable.
    bool IsQueueablePart() const;
    // Megabytes of the product and its queueable parts, leaving out with bSkipLocalFiles those
    // whose setup file was already in the download folder when the run started.
    float GetDownloadSize(bool bSkipLocalFiles) const;

    CProductInfo* m_pProductInfo;
    // A record's two kinds of transfer, its setup file and its response file, run side by side:
    // each kind has its own manager and its own latest transfer. A transfer's number tells its kind.
    enum { TransferSetupFile, TransferResponseFile, TransferKinds };
    static int TransferKind(unsigned nTransfer) { return static_cast<int>(nTransfer % TransferKinds); }
    CFtpMgr* m_pFtpMgr[TransferKinds];
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
    // The record's latest transfer of each kind; a download thread of an earlier one is superseded.
    unsigned m_nTransfer[TransferKinds];
    // The status at which the page last started a transfer for the record, so that two passes that
    // meet start it once; -1 once the status has moved on.
    int m_nStartedAtStatus;
};

// CPropPage_Install: the last page, "Review and Install": the install list of the ticked
// components, the program log, and the queue records' statuses. Its work is split by concern:
//   PropPage_Install.cpp          the page's life and its install list window
//   PropPage_InstallLog.cpp       the program log, Corvatel.log in the download folder
//   PropPage_InstallStatus.cpp    statuses, the progress text and the look-ups over the queue
//   PropPage_InstallProgress.cpp  a running transfer's progress
// The status operations and look-ups may be called from any thread.
#pragma once

#include "PropPage_Base.h"

#include <CStringList.h>

#include <mutex>
#include <vector>

class CAppDetailsObj;
class CFtpMgr;
class CTreeListCtrl_Install;
class CTreeListItem;

class CPropPage_Install : public CPropPage_Base
{
public:
    explicit CPropPage_Install(CPropSheet_Corvatel* pSheet);
    ~CPropPage_Install() override;

    int GetPageId() const override { return 104; }

    // Adds a line stamped with the local time to the log in memory; with bWrite the whole log is
    // written to the file again. Any thread may log.
    void WriteLogLine(const CString& strText, bool bWrite);
    // Corvatel.log in the catalogue client's download folder, as that folder is now.
    CString GetLogFilePath();

    // The one way a record's status changes: sets the code (and, for a failure, the owner's),
    // the status text and row image the code calls for, logs "text:  name" in memory and
    // refreshes the row. pOwner is the row record when pItem is one of its parts.
    void UpdateItemStatus(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nStatus, CString strText);
    // "Downloading..." with the percentage and megabytes of the row the record belongs to.
    void ShowDownloadProgress(CAppDetailsObj* pItem);

    // The install list's row of the record; null when it has none.
    CTreeListItem* FindRow(CAppDetailsObj* pItem);
    // The first row record listing pItem among its parts, with its row; null for none.
    CAppDetailsObj* FindOwnerItem(CAppDetailsObj* pItem, CTreeListItem** ppRow);
    // The record a transferred file belongs to, matched by file title (so a response file maps
    // to its setup's record). Returns the row when the file is a row record's own; a part comes
    // back with its owner and a null result.
    CTreeListItem* FindItemByFile(CString strFile, CAppDetailsObj** ppItem, CAppDetailsObj** ppOwner);
    // The download folder and the product's download file name.
    CString GetLocalFilePath(CAppDetailsObj* pItem);
    // A part that takes part in a run.
    static bool IsItemQueued(CAppDetailsObj* pItem);

    // Queries over the rows and their queueable parts.
    bool IsAnyDownloading();
    bool IsAnyInstalling();
    // Nothing waits to download or is downloading; with a row record, in that row only.
    bool AreAllDownloaded(CAppDetailsObj* pRowItem);
    bool AnyDownloadFailed();

    // A transfer's progress, called on the download thread: the manager that serves the file,
    // the local file name, the percentage (not used), the file's size (0 when unknown) and the
    // bytes received.
    void OnDownloadProgress(CFtpMgr* pFtpMgr, CString strFile, int nPercent, unsigned long long ullTotal,
                            unsigned long long ullDone);

    // Created by OnInitDialog; null when that failed.
    CTreeListCtrl_Install* m_pInstallList;

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;

private:
    void CreateInstallList();
    // The records a run walks, in its order: row by row, each row's queueable parts before the
    // row record itself; with a row record given, that row only.
    std::vector<CAppDetailsObj*> GetQueueOrder(CAppDetailsObj* pRowItem);
    // Whether some record in the queue order has one of the statuses.
    bool AnyInStatus(CAppDetailsObj* pRowItem, std::initializer_list<int> statuses);

    // Every line logged since the page was made, oldest first, each ending in CR LF.
    CStringList m_lstLogLines{10};
    // Held for an append and the rewrite that follows it, so threads never interleave them.
    std::mutex m_logLock;
};

// CPropPage_Install: the last page, "Review and Install": the install list of the ticked
// components, the program log, the queue records' statuses, and the installs. Its work is split
// by concern:
//   PropPage_Install.cpp            the page's life, its controls and the messages it handles
//   PropPage_InstallLog.cpp         the program log, Corvatel.log in the download folder
//   PropPage_InstallStatus.cpp      statuses, the progress text and the look-ups over the queue
//   PropPage_InstallCommands.cpp    the buttons, the row menu, Cancel and Finish
//   PropPage_InstallDownloads.cpp   the download queue: credentials, the two passes, the threads' reports
//   PropPage_InstallTransfers.cpp   the running download threads: current transfers, aborts, the close's wait
//   PropPage_InstallWatchdog.cpp    the timers, the watchdog, the aborts and the retry
//   PropPage_InstallCompletion.cpp  the end of a run: the completion check, the local install road,
//                                   and the page's close
//   PropPage_InstallChecks.cpp      the checks before anything is fetched or run
//   PropPage_InstallPhase.cpp       the install phase: each setup run silently and judged
//   PropPage_InstallInnoSetup.cpp   the Inno Setup driver
//   PropPage_InstallShield.cpp      the InstallShield driver and its response file
//   PropPage_InstallProgress.cpp    a running transfer's progress
//   PropPage_InstallLocalNames.cpp  whose file each name in the download folder is
// The status operations and look-ups may be called from any thread. What follows a transfer's end
// (the next download, the completion check, the retry question, the install phase) runs on the
// window's thread: a download thread posts it there.
#pragma once

#include "PropPage_Base.h"

#include <CBitmapButton.h>
#include <CObList.h>
#include <CStringList.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class CAppDetailsObj;
class CCorvatelInstallIniObj;
class CFtpMgr;
class CProductInfo;
class CTreeListCtrl_Install;
class CTreeListItem;
class CTransferLink;
struct NMTREELIST;

class CPropPage_Install : public CPropPage_Base
{
public:
    explicit CPropPage_Install(CPropSheet_Corvatel* pSheet);
    ~CPropPage_Install() override;

    int GetPageId() const override { return 104; }

    // Adds a line stamped with the local time to the log in memory; with bWrite the whole log is
    // written to the file again. Any thread may log. Line breaks in the text become blanks, so
    // that no name or message from the catalogue or a setup can make a line of its own.
    void WriteLogLine(const CString& strText, bool bWrite);
    // The same for a message of several lines, its line breaks kept: what it quotes from the
    // catalogue or a setup goes through OneLine first.
    void WriteLogMessage(const CString& strMessage, bool bWrite);
    // The text with each CR and LF replaced by a blank.
    static CString OneLine(CString strText);
    // Corvatel.log in the catalogue client's download folder, as that folder is now.
    CString GetLogFilePath();

    // The one way a record's status changes: sets the code (and, for a failure, the owner's),
    // the status text and row image the code calls for, logs "text:  name" in memory and
    // refreshes the row. pOwner is the row record when pItem is one of its parts.
    void UpdateItemStatus(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nStatus, CString strText);
    // "Downloading..." with the percentage and megabytes of the row the record belongs to.
    void ShowDownloadProgress(CAppDetailsObj* pItem);
    // The latest figures of the running transfers in their rows, on the window's thread, so no
    // transfer waits for the window: on every animation tick all of them, and when a download
    // thread posts kShowProgressMessage those whose figure asked to be shown since.
    void ShowTransfersProgress(bool bAskedOnly);
    static constexpr UINT kShowProgressMessage = WM_USER + 207;

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

    // "Download and Install", or "Install" in the install-from-folder mode.
    void OnDownloadAndInstall();
    // Ends a run once no queueable record is left below "Downloaded.": marks the rows "Done." in a
    // download-only run, or installs. FALSE while something is still to come, or when another
    // call is ending the run. Called when transfers end, by the timers and by the start message.
    BOOL CheckDownloadsComplete();
    // The "Install" button's road in the install-from-folder mode: the setups already lie there.
    void InstallLocalFiles();
    // The start buttons and the two check boxes together.
    void EnableControls(BOOL bEnable);
    // Finish is offered only while nothing is busy, downloading or installing; Back never. The sheet
    // is told on kFinishButtonMessage, once for all the asks that wait: a run's start asks once per
    // record, and every change of the sheet's buttons walks its controls.
    void UpdateFinishButton(BOOL bBusy);
    void ShowFinishButton();
    static constexpr UINT kFinishButtonMessage = WM_USER + 209;

    // Checks before anything is fetched or run; true means stop.
    bool CheckBeforeInstall();
    bool CheckUninstallFirst();
    bool NeedsUninstallFirst(std::vector<CAppDetailsObj*>& report, CAppDetailsObj* pItem);
    bool IsUninstallPending(CAppDetailsObj* pItem);
    bool ShowPreinstallMessages();
    bool ShowPreinstallMessage(CAppDetailsObj* pItem);
    bool NeedsPreinstallMessage(CAppDetailsObj* pItem);
    void ShowDriverNotice();
    // The maker's programs must not run while their components install; true means go on.
    bool CheckRunningApplications(bool bAbortDownloadsOnCancel);
    static void BuildRunningAppList(const char* pszProcess, const CString& strProgram, CAppDetailsObj* pItem,
                                    CString& strList, std::vector<CString>& names);
    // The catalogue's records by the program file names they name (additional ones first), each in
    // catalogue order; made at the first check, since the catalogue does not change under the page.
    const std::unordered_map<std::string, std::vector<CAppDetailsObj*>>& GetProgramRecords();

    // The install phase: downloaded records to "Preparing to install...", then each row's queueable
    // parts and the row record, one setup at a time.
    void MarkItemsForInstall();
    void RunInstallPhase();
    bool InstallIfReady(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nPart);
    bool InstallItem(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nPart);
    bool RunInstaller(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nPart);
    void ShowInstallingStatus(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nPart);
    // Starts the setup hidden and waits for it while this thread's windows keep working. FALSE
    // when it did not start (the record then shows why).
    bool RunProcessAndWait(CString strCommandLine, CAppDetailsObj* pItem, CAppDetailsObj* pOwner);
    bool CheckInstallResult(CAppDetailsObj* pItem, CAppDetailsObj* pOwner);
    void ShowInstallProblems();
    void ShowInstallerInfoMessages();
    CCorvatelInstallIniObj* ReadInstallResultFile(CAppDetailsObj* pItem);
    // By install type: 1 is Inno Setup, anything else InstallShield. The command lines are empty
    // when a value that goes inside quotes is refused, and strRefused then names that value.
    CString BuildInstallCommandLine(CAppDetailsObj* pItem, CString& strResponseFile, CString& strRefused);
    CString ReadInstallerResult(CAppDetailsObj* pItem);
    CString GetInstallerLogPath(CAppDetailsObj* pItem);

    // Inno Setup.
    CString BuildInnoSetupCommandLine(CAppDetailsObj* pItem, CString& strRefused);
    CString GetInstallDir(CAppDetailsObj* pItem);
    CString GetInnoSetupLogPath();
    // The error text of the setup's log, empty for success; the log may set the product's restart flag.
    CString ParseInnoSetupLog(CAppDetailsObj* pItem);

    // InstallShield.
    CString BuildInstallShieldCommandLine(CAppDetailsObj* pItem, CString& strResponseFile, CString& strRefused);
    CString GetResponseFilePath(CAppDetailsObj* pItem);
    CString GetRemoteResponseFilePath(CAppDetailsObj* pItem);
    bool SetResponseFileInstallDir(CAppDetailsObj* pItem, CString strResponseFile);
    bool ReplaceResponseFileDir(CString strPath, CString strSection, CString strNewDir);
    bool ReplaceResponseFileDirUnderRoot(CString strPath, CString strSection, CString strInstallRoot);
    CString ReadInstallShieldResult();
    CString GetSetupLogPath();

    // The window the install phase keeps pumping while a setup runs.
    HWND GetPageWindow() const { return m_hWnd; }

    // Downloads: a run's start, its response-file and setup-file passes, and what the download
    // threads report on their own threads.
    void OnDownloadOnly();
    void OnDownloadItem();
    // Queues every row not under way and starts the run; with bRetryFailed also every record,
    // row or part, whose download failed.
    void StartAllDownloads(bool bRetryFailed = false);
    // Asks for the server's user name and password when none are known; TRUE when downloads may start.
    bool EnsureCredentials();
    void StartResponsePhase(CAppDetailsObj* pItem);
    // Starts the eligible transfers of a pass (the response-file pass when bResponsePhase), of one
    // record only when pOnly is given.
    void StartDownloads(BOOL bResponsePhase, CAppDetailsObj* pOnly);
    // TRUE when it started the record's transfer, or settled the record without one.
    BOOL StartItemDownload(CAppDetailsObj* pItem, CAppDetailsObj* pRowItem, int nExpected, BOOL bResponsePhase);
    // One download thread for the file; pItem is the setup file's record (none for a response
    // file), pTransferItem the record the file belongs to either way.
    void StartDownloadThread(CAppDetailsObj* pItem, CString strLocal, CString strRemote, int nStartStatus,
                             CAppDetailsObj* pTransferItem);
    // Moves the records whose response file is in (or that need none) on to their setup files.
    BOOL ContinueDownloads();
    void ContinueItemDownload(CAppDetailsObj* pItem);
    bool IsOneAtATime();
    // The record's transfer nTransfer failed; only the record's current one acts. One that stalled
    // (no file data for the session's stall limit) leaves its record timed out, for the retry question.
    void OnDownloadError(CAppDetailsObj* pItem, unsigned nTransfer, CString strError, bool bStalled = false);
    // A transfer's error text in the log file, with the product's name.
    void LogDownloadError(CAppDetailsObj* pItem, CString strError);

    // The page's record of running download threads. Each start of a transfer for a record
    // supersedes its earlier one of the same kind (setup file or response file); only the record's
    // current transfer of a kind may report or touch its files.
    // A thread attaches its manager before it connects, so an abort reaches it at any point; it
    // detaches the manager under the same lock before deleting it. False or a closing page: the
    // thread reports nothing more. A record whose abort came before its thread attached ("Aborting
    // Download..." or "Download Aborted") is not attached: nothing of it is fetched.
    bool BeginTransfer(CAppDetailsObj* pItem, HANDLE hThread, bool bResponseFile, unsigned& nTransfer);
    bool AttachTransferManager(CAppDetailsObj* pItem, unsigned nTransfer, CFtpMgr* pFtpMgr);
    bool DetachTransferManager(CAppDetailsObj* pItem, unsigned nTransfer, CFtpMgr* pFtpMgr);
    // The connected transfer begins to receive: the bytes of a setup file start from 0 and a row
    // record takes the start status (a part keeps its own until its progress arrives). False, and
    // nothing changed, when the transfer was superseded or aborted (its manager's abort, or the
    // record's) meanwhile: the abort is never overwritten by "Downloading...".
    bool BeginReceipt(CAppDetailsObj* pItem, unsigned nTransfer, CFtpMgr* pFtpMgr, bool bSetupFile, int nStartStatus);
    // A setup file already in the download folder: the record says "Downloaded.", unless the
    // transfer was superseded or aborted (false then).
    bool TakePresentFile(CAppDetailsObj* pItem, unsigned nTransfer);
    // The threads of the record's superseded transfers of the kind (handles of the caller's own),
    // and a wait (bounded) until they have ended, so that they are done with the record's files.
    std::vector<HANDLE> GetEarlierTransfers(CAppDetailsObj* pItem, unsigned nTransfer);
    static void WaitForEarlierTransfers(std::vector<HANDLE>& threads);
    // The end of the current transfer's receipt, decided under the records' lock against the aborts:
    // a receipt aborted (bAborted, or an abort that came since) keeps nothing and its record says
    // "Download Aborted"; a whole one takes its own name and its record "Downloaded." (a response
    // file's "Response File Downloaded." while it is still receiving). A file that cannot take its
    // name (the old one held open by another program) fails its record, the system's reason logged,
    // and is not kept.
    void EndReceipt(CAppDetailsObj* pItem, unsigned nTransfer, bool bAborted, bool bSetupFile,
                    const CString& strTemporary, const CString& strFile);
    // The thread's last call on the page.
    void EndTransfer(CAppDetailsObj* pItem, unsigned nTransfer);
    // A current transfer has ended (a setup file's when bSetupFile): the window's thread, on
    // kTransfersEndedMessage, starts the next download in the one-at-a-time mode, moves records on
    // to their setup files and checks whether the run is complete. Ends that come together are
    // handled together.
    void PostTransferEnded(bool bSetupFile);
    void OnTransfersEnded();
    static constexpr UINT kTransfersEndedMessage = WM_USER + 208;
    // Aborts every transfer and waits (bounded) for their threads to end, then cuts the threads'
    // link to the page: one still running reaches neither the page nor its records. The page is closing.
    void CloseTransfers(DWORD dwTimeout);
    // What each download thread holds to reach the page.
    std::shared_ptr<CTransferLink> GetTransferLink() const { return m_pTransferLink; }

    // The timers, the watchdog, the aborts and the retry. The one-second tick animates the rows;
    // the watchdog takes a transfer with no byte received in its period for stalled.
    static constexpr UINT_PTR kAnimationTimer = 1000;
    static constexpr UINT kAnimationMs = 1000;
    static constexpr UINT_PTR kWatchdogTimer = 1001;
    static constexpr UINT kWatchdogMs = 15000;
    void OnTimer(UINT_PTR nIDEvent);
    void AbortDownload(CAppDetailsObj* pItem, bool bTimeout);
    void AbortItemDownload(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, bool bTimeout);
    void RetryDownload(CAppDetailsObj* pItem, CAppDetailsObj* pOwner);
    void AbortAllDownloads(bool bAsk);
    void OnAbortDownload();
    void OnAbortAllDownloads();
    void OnAbortPendingInstalls();
    void AnimateDownloadImage(CTreeListItem* pRow);
    void AnimateInstallImage(CTreeListItem* pRow);
    static int GetMaxDownloadAttempts() { return 20; }

    // The server's user name and password, in memory only; read and written under the records' lock.
    CString m_strUser;
    CString m_strPassword;

    // Created by OnInitDialog; null when that failed.
    CTreeListCtrl_Install* m_pInstallList;
    CBitmapButton m_btnAbort;
    // What the components' setups reported, kept from one install phase to the next; owned.
    CObList m_lstInstallResults{10};
    std::atomic<bool> m_bInstallAfterDownload;
    // Set by "Abort All Downloads": the run ends without installing.
    std::atomic<bool> m_bAbortAll;
    // A component asked for a restart; Finish offers it.
    std::atomic<bool> m_bRebootNeeded;
    // The last InstallShield setup had no response file: it records one and is taken as installed.
    std::atomic<bool> m_bRecording;
    // The first missing setup file of a start has been logged.
    std::atomic<bool> m_bFileMissingLogged;
    // A setup's process runs; a second one waits for the next turn.
    std::atomic<bool> m_bSetupRunning;
    // The record whose setup's process runs now; null between setups.
    std::atomic<CAppDetailsObj*> m_pRunningSetup{nullptr};
    // Counts "Abort Pending Installations": the row menu's "Install" stops at the next part.
    std::atomic<unsigned> m_nInstallsWithdrawn{0};

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnQueryCancel() override;
    BOOL OnWizardFinish() override;
    BOOL DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    // The two halves of UpdateItemStatus: the record's fields, under the records' lock held by the
    // caller (returns the row image the code calls for, -1 for none), then the log and the row.
    int ApplyItemStatus(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nStatus, const CString& strText);
    void ShowItemStatus(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nStatus, int nImage);

    class CRunEnd;

    void CreateInstallList();
    // The page's start message: a queue already downloaded is finished at once.
    LRESULT OnStartProcessing();
    void OnItemRClicked(const NMTREELIST& notify);
    void OnItemDblClicked(const NMTREELIST& notify);
    void OnInstallItem();
    void OnComponentDetails();
    void OnApplicationDependencies();
    void OfferRunApplication();
    // The record of the install list's selected row; null when none is selected.
    CAppDetailsObj* GetSelectedItem();
    // The window is going: the transfers are stopped and the threads' link to the page is cut.
    void OnDestroy();
    // A file of the download folder.
    CString DownloadFolderFile(LPCSTR pszName);
    // The response file's install folder replaced by newDir(old folder); false and a log line when
    // the file cannot be read or written.
    bool RewriteResponseFileDir(const CString& strPath, const CString& strSection,
                                const std::function<CString(const CString&)>& newDir);
    // The key under which Windows takes a name in the download folder for a file: the file's long
    // name for a short one, its letter case and the dots and blanks at its end left out; with
    // bTitle, of its name without the extension. Transfers' files and the names records may have
    // are told apart by it alike.
    static std::string LocalNameKey(const CString& strPath, bool bTitle = false);
    // The names a record has in the download folder, each as its key and as shown: its setup file
    // and, unless it is an Inno Setup one, its response file, each with its temporary name, and the
    // title its transfers' reports are matched by.
    std::vector<std::pair<std::string, CString>> GetLocalNames(CAppDetailsObj* pItem);
    // Who has each name in the download folder (null: the program itself), made in queue order on
    // the first ask after the page is shown: a record that would share a name keeps none.
    void MakeLocalNames();
    // True, and the record (with its owner) shows why, when its download entry would not name a
    // plain file inside the download folder, or one of its names is another's or the program's;
    // pszNotDone begins the log line ("Nothing downloaded", "Not installed"). Both roads ask it
    // before they look for the record's file.
    bool RefuseLocalName(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, LPCSTR pszNotDone);
    // The row records, in row order.
    std::vector<CAppDetailsObj*> GetRowItems();
    // Walks the records a run walks, in its order: row by row, each row's queueable parts (with their
    // row record and their place among all the row's parts, from 1) before the row record itself
    // (with none and 0); with a row record given, that row only. A visit returning false ends the
    // walk, which then returns false.
    using QueueVisit = std::function<bool(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nPart)>;
    bool ForEachQueued(CAppDetailsObj* pRowItem, const QueueVisit& visit);
    // The records of that walk, for a look at them all under one lock.
    std::vector<CAppDetailsObj*> GetQueueOrder(CAppDetailsObj* pRowItem);
    // Whether some record in the queue order has one of the statuses.
    bool AnyInStatus(CAppDetailsObj* pRowItem, std::initializer_list<int> statuses);

    // Every line logged since the page was made, oldest first, each ending in CR LF.
    CStringList m_lstLogLines{10};
    // What the log file held after the last write: its path, its size, and the last line in it.
    CString m_strLogFileWritten;
    ULONGLONG m_ullLogBytesWritten = 0;
    POSITION m_posLogWritten = nullptr;
    // Held for an append and the rewrite that follows it, so threads never interleave them.
    std::mutex m_logLock;
    // Set when one completion check (or the local install road) is ending a run.
    std::atomic<bool> m_bEndingRun;
    // The row menu's "Install" runs its setups; a run's end that came meanwhile waits for them.
    std::atomic<bool> m_bMenuSetupRunning{false};
    std::atomic<bool> m_bRunEndDeferred{false};
    // The page's window is going: no thread starts new work on it.
    std::atomic<bool> m_bClosing;
    // Questions to close the maker's programs open now. The watchdog waits for their answers: a
    // thread other than the window's cannot stop its timer.
    std::atomic<int> m_nCloseProgramsQuestions{0};
    std::unordered_map<std::string, std::vector<CAppDetailsObj*>> m_programRecords;
    // By LocalNameKey; guarded by the records' lock.
    std::unordered_map<std::string, CAppDetailsObj*> m_localNames;
    std::once_flag m_programRecordsMade;

    // A running download thread: its record and transfer number, its manager while attached, and a
    // handle of its own to wait on. Guarded by the records' lock.
    struct CTransfer
    {
        CAppDetailsObj* pItem;
        unsigned nTransfer;
        CFtpMgr* pFtpMgr;
        HANDLE hThread;
        // When its progress was last asked to show, and the file's whole percent then; whether that
        // showing is still to come.
        DWORD dwShownAt;
        int nShownPercent;
        bool bShowAsked;
    };
    // The caller holds the records' lock for these: the transfer the manager serves; whether the
    // transfer is the record's current one of its kind; whether the record's setup file is coming.
    CTransfer* FindTransfer(const CFtpMgr* pFtpMgr);
    bool IsCurrentLocked(CAppDetailsObj* pItem, unsigned nTransfer);
    // Not current, or the record's abort came.
    bool IsStoppedLocked(CAppDetailsObj* pItem, unsigned nTransfer);
    bool IsSetupFileArriving(CAppDetailsObj* pItem);
    // Aborts the record's running transfers; false when it has none. With bSupersede they are no
    // longer the record's own from here on: the ones that replace them report instead.
    bool AbortTransferLocked(CAppDetailsObj* pItem, bool bSupersede);
    std::vector<CTransfer> m_transfers;
    std::shared_ptr<CTransferLink> m_pTransferLink;
    // A request to show the transfers' progress is posted and not yet handled.
    std::atomic<bool> m_bProgressPosted{false};
    // The same for the transfers' ends, and the setup files among them since the last handling.
    std::atomic<bool> m_bTransferEndPosted{false};
    std::atomic<unsigned> m_nSetupFilesEnded{0};
    // The same for the Finish button, and whether the latest ask was a busy one.
    std::atomic<bool> m_bFinishButtonPosted{false};
    std::atomic<bool> m_bFinishBusyAsked{false};
};

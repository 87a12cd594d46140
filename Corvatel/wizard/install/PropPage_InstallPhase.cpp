// The install phase: the downloaded records are marked, then each setup runs silently, one at a
// time, as a hidden child process, and is judged by the files it leaves; failures are summed up
// at the end. It runs on whichever thread ends the run, so its message boxes belong to the page.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "CorvatelInstallIniObj.h"
#include "InstallType.h"
#include "PropSheet_Corvatel.h"
#include "TreeListCtrl_Install.h"
#include "Utilities.h"
#include "resource.h"

#include <SystemErrorText.h>

#include <io.h>

#include <vector>

namespace {

// Steps of the wait for a setup, between which this thread's windows are served.
const DWORD kWaitStepMs = 10;

bool HasParts(CAppDetailsObj* pItem)
{
    return !pItem->m_lstDependencies.IsEmpty();
}

} // namespace

void CPropPage_Install::MarkItemsForInstall()
{
    // In the install-from-folder mode the setups are there whatever the records say.
    bool bLocal = m_pSheet->HasPathOverride();
    ForEachQueued(nullptr, [&](CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int) {
        if (bLocal || pItem->GetStatus() == ItemDownloaded)
            UpdateItemStatus(pItem, pOwner, ItemPreparingInstall, "");
        return true;
    });
}

void CPropPage_Install::RunInstallPhase()
{
    DeleteObListItems(&m_lstInstallResults);
    for (CAppDetailsObj* pRowItem : GetRowItems()) {
        if (m_bClosing)
            return;
        bool bPartsOk = true, bRowOk = true;
        ForEachQueued(pRowItem, [&](CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nPart) {
            bool bOk = InstallIfReady(pItem, pOwner, nPart) || pItem->GetStatus() <= ItemDone;
            (pOwner ? bPartsOk : bRowOk) &= bOk;
            return true;
        });
        // A row that failed its download keeps saying so.
        if ((!bRowOk || !bPartsOk) && pRowItem->GetStatus() != ItemDownloadAborted)
            UpdateItemStatus(pRowItem, nullptr, ItemError,
                             HasParts(pRowItem) ? "One or more components failed to download or install"
                                                : "Application failed to download or install");
    }
    if (!m_bClosing)
        ShowInstallProblems();
}

bool CPropPage_Install::InstallIfReady(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nPart)
{
    if (!pItem)
        return false;
    int nStatus = pItem->GetStatus();
    if (nStatus != ItemPreparingInstall && nStatus != ItemInstallingPart)
        return false;
    bool bIdle = false;
    if (!m_bSetupRunning.compare_exchange_strong(bIdle, true))
        return true;
    bool bResult = InstallItem(pItem, pOwner, nPart);
    m_bSetupRunning = false;
    return bResult;
}

bool CPropPage_Install::InstallItem(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nPart)
{
    CString strName = pItem->m_pProductInfo->GetName();
    CString strLine;
    switch (pItem->m_pProductInfo->GetInstallType()) {
    case InstallTypeInnoSetup:
        strLine.Format("Installing using Inno Setup: %s", static_cast<LPCSTR>(strName));
        WriteLogLine(strLine, true);
        return RunInstaller(pItem, pOwner, nPart);
    case InstallTypeNeedsNewerCorvatel: {
        CString strText;
        strText.Format("A later version of Corvatel is needed to install %s.  Please download and install the "
                       "latest version of Corvatel and try again.",
                       static_cast<LPCSTR>(strName));
        MessageBox(strText, nullptr, MB_OK);
        strLine.Format("unsupported install type: %s", static_cast<LPCSTR>(strName));
        WriteLogLine(strLine, true);
        // Nothing ran: the record must not stay at a status that counts as installing.
        UpdateItemStatus(pItem, pOwner, ItemInstallAborted, "");
        return true;
    }
    default:
        strLine.Format("Installing using InstallShield: %s", static_cast<LPCSTR>(strName));
        WriteLogLine(strLine, true);
        return RunInstaller(pItem, pOwner, nPart);
    }
}

bool CPropPage_Install::RunInstaller(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nPart)
{
    CProductInfo* pProduct = pItem->m_pProductInfo;
    if (RefuseLocalName(pItem, pOwner, "Not installed"))
        return false;
    CString strSetup = GetLocalFilePath(pItem);
    if (_access(strSetup, 0) != 0) {
        CString strText;
        strText.Format("File Not Found:  '%s'", static_cast<LPCSTR>(strSetup));
        // Once per start: a folder without its setups would fill the log otherwise.
        bool bLogged = false;
        if (m_bFileMissingLogged.compare_exchange_strong(bLogged, true))
            WriteLogLine(strText, true);
        UpdateItemStatus(pItem, pOwner, ItemError, strText);
        return false;
    }

    CString strResponseFile, strRefused;
    // Record mode covers the run that records, not the runs after it.
    m_bRecording = false;
    // Quoted, so that no program at the start of a folder's name with a blank runs in its place.
    CString strCommandLine = pProduct->GetSnip() ? "\"" + strSetup + "\""
                                                 : BuildInstallCommandLine(pItem, strResponseFile, strRefused);
    if (!strRefused.IsEmpty()) {
        // A value that leaves its quotes, its line or the install root does what the catalogue chose.
        CString strText, strLine;
        strText.Format("Install Failed (unsafe %s refused)", static_cast<LPCSTR>(strRefused));
        UpdateItemStatus(pItem, pOwner, ItemError, strText);
        strLine.Format("Not installed: the %s of %s would not stay inside its quotes, its line or the install root",
                       static_cast<LPCSTR>(strRefused), static_cast<LPCSTR>(pProduct->GetName()));
        WriteLogLine(strLine, true);
        return false;
    }
    WriteLogLine("Install Command Line = " + strCommandLine, true);
    ShowInstallingStatus(pItem, pOwner, nPart);
    // Each setup is judged by the files it writes itself, never by those an earlier setup left: one
    // taken as installed unread (a recording run) leaves its result file behind.
    DeleteFileIfExists(GetSetupLogPath());
    DeleteFileIfExists(GetInnoSetupLogPath());
    DeleteFileIfExists(CCorvatelInstallIniObj::GetFilePath(m_pSheet->m_pSkelvar->GetDownloadPath()));

    bool bResult = true;
    m_pRunningSetup = pItem;
    bool bRan = RunProcessAndWait(strCommandLine, pItem, pOwner);
    m_pRunningSetup = nullptr;
    if (bRan) {
        if (m_bClosing)
            return true;
        bResult = CheckInstallResult(pItem, pOwner);
        // The setup's log may have changed the product's flag.
        if (pProduct->GetReboot())
            m_bRebootNeeded = true;
    }
    if (IsDlgButtonChecked(m_hWnd, IDC_REMOVE_FILES) == BST_CHECKED) {
        DeleteFileIfExists(strSetup);
        if (!strResponseFile.IsEmpty())
            DeleteFileIfExists(strResponseFile);
    }
    return bResult;
}

void CPropPage_Install::ShowInstallingStatus(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, int nPart)
{
    if (pOwner) {
        pOwner->SetInstallPart(nPart);
        UpdateItemStatus(pOwner, nullptr, ItemInstallingPart, "");
    } else if (HasParts(pItem)) {
        // An application with parts installs itself as its last part.
        pItem->SetInstallPart(pItem->m_lstDependencies.GetCount() + 1);
        UpdateItemStatus(pItem, nullptr, ItemInstallingPart, "");
    } else {
        pItem->SetInstallPart(0);
        UpdateItemStatus(pItem, nullptr, ItemInstalling, "");
    }
    PumpWaitingMessages(GetPageWindow());
    UpdateWindow(GetPageWindow());
}

bool CPropPage_Install::RunProcessAndWait(CString strCommandLine, CAppDetailsObj* pItem, CAppDetailsObj* pOwner)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    // CreateProcessA may write into the command line.
    const char* pszCommandLine = strCommandLine;
    std::vector<char> commandLine(pszCommandLine, pszCommandLine + strCommandLine.GetLength() + 1);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
        DWORD dwError = GetLastError();
        CString strText = "Install Error";
        CString strMessage = AfxFormatSystemMessage(dwError);
        if (!strMessage.IsEmpty())
            strText.AppendFormat(" (0x%08lX): %s", dwError, static_cast<LPCSTR>(strMessage));
        UpdateItemStatus(pItem, pOwner, ItemError, strText);
        WriteLogLine(strText, true);
        return false;
    }

    // The thread keeps serving its windows (and the page's) while the setup runs, so the wizard
    // stays responsive however long it takes; the wait ends the moment the process does.
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, kWaitStepMs, QS_ALLINPUT) != WAIT_OBJECT_0) {
        // A closing page leaves the setup to finish on its own.
        if (m_bClosing)
            break;
        PumpWaitingMessages(nullptr);
        PumpWaitingMessages(GetPageWindow());
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool CPropPage_Install::CheckInstallResult(CAppDetailsObj* pItem, CAppDetailsObj* pOwner)
{
    CProductInfo* pProduct = pItem->m_pProductInfo;
    bool bSnip = pProduct->GetSnip() != 0;
    // A setup that recorded its answers reports nothing worth reading.
    if (m_bRecording && !bSnip) {
        UpdateItemStatus(pItem, pOwner, ItemInstalled, "");
        return true;
    }
    // A snip setup is asked for no log: only its own result file can tell that it failed.
    if (!bSnip && _access(GetInstallerLogPath(pItem), 0) != 0) {
        UpdateItemStatus(pItem, pOwner, ItemInstallAborted, "");
        return false;
    }
    CCorvatelInstallIniObj* pResult = ReadInstallResultFile(pItem);
    CString strError = bSnip ? CString() : ReadInstallerResult(pItem);
    if (pResult && !pResult->m_strErrorMessage.IsEmpty()) {
        if (!strError.IsEmpty())
            strError += "     ";
        strError += pResult->m_strErrorMessage;
    }
    if (!strError.IsEmpty()) {
        CString strText;
        strText.Format("Install Failed (%s)", static_cast<LPCSTR>(strError));
        UpdateItemStatus(pItem, pOwner, ItemError, strText);
        WriteLogLine(strText, true);
        EnableControls(TRUE);
        return false;
    }
    UpdateItemStatus(pItem, pOwner, ItemInstalled, "");
    CTreeListItem* pRow = FindRow(pItem);
    if (pRow && !m_pSheet->GetReleaseNotesPath(pItem).IsEmpty())
        m_pInstallList->SetItemText(pRow, "[ READ... ]", CTreeListCtrl_Install::kReleaseNotesColumn);
    return true;
}

void CPropPage_Install::ShowInstallProblems()
{
    std::vector<CString> names;
    ForEachQueued(nullptr, [&names](CAppDetailsObj* pItem, CAppDetailsObj*, int) {
        if (pItem->GetStatus() > ItemDone)
            names.push_back(pItem->m_pProductInfo->GetName());
        return true;
    });
    if (names.empty())
        return;
    CString strText = "There was a problem installing one or more files.  Please try running Corvatel again.\n\n"
                      "The following application(s) did not install successfully:\n\n";
    for (const CString& strName : names)
        strText.AppendFormat("     %s\n", static_cast<LPCSTR>(OneLine(strName)));
    WriteLogMessage(strText, true);
    strText += "\n\n";
    MessageBox(strText, nullptr, MB_OK);
}

void CPropPage_Install::ShowInstallerInfoMessages()
{
    for (POSITION pos = m_lstInstallResults.GetHeadPosition(); pos;) {
        auto* pResult = static_cast<CCorvatelInstallIniObj*>(m_lstInstallResults.GetNext(pos));
        if (!pResult->m_strInfoMessage.IsEmpty())
            MessageBox(pResult->m_strInfoMessage, pResult->m_pItem->m_pProductInfo->GetName(), MB_OK);
    }
}

CCorvatelInstallIniObj* CPropPage_Install::ReadInstallResultFile(CAppDetailsObj* pItem)
{
    if (!pItem)
        return nullptr;
    CString strName = pItem->m_pProductInfo->GetName();
    CString strLine;
    auto* pResult = new CCorvatelInstallIniObj(pItem, m_pSheet->m_pSkelvar->GetDownloadPath());
    if (!pResult->m_bExists) {
        strLine.Format("Corvatel_Install.log not written for %s", static_cast<LPCSTR>(strName));
        WriteLogLine(strLine, true);
        delete pResult;
        return nullptr;
    }
    m_lstInstallResults.AddTail(pResult);
    if (pResult->m_bReboot) {
        m_bRebootNeeded = true;
        strLine.Format("Corvatel_Install.log > Reboot Required for %s", static_cast<LPCSTR>(strName));
        WriteLogLine(strLine, true);
    }
    if (!pResult->m_strInfoMessage.IsEmpty()) {
        strLine.Format("Corvatel_Install.log > InfoMessage for %s: %s", static_cast<LPCSTR>(strName),
                       static_cast<LPCSTR>(pResult->m_strInfoMessage));
        WriteLogLine(strLine, true);
    }
    if (!pResult->m_strErrorMessage.IsEmpty()) {
        strLine.Format("Corvatel_Install.log > ErrorMessage for %s: %s", static_cast<LPCSTR>(strName),
                       static_cast<LPCSTR>(pResult->m_strErrorMessage));
        WriteLogLine(strLine, true);
    }
    return pResult;
}

CString CPropPage_Install::BuildInstallCommandLine(CAppDetailsObj* pItem, CString& strResponseFile, CString& strRefused)
{
    if (pItem->m_pProductInfo->GetInstallType() == InstallTypeInnoSetup)
        return BuildInnoSetupCommandLine(pItem, strRefused);
    return BuildInstallShieldCommandLine(pItem, strResponseFile, strRefused);
}

CString CPropPage_Install::ReadInstallerResult(CAppDetailsObj* pItem)
{
    if (pItem->m_pProductInfo->GetInstallType() == InstallTypeInnoSetup)
        return ParseInnoSetupLog(pItem);
    return ReadInstallShieldResult();
}

CString CPropPage_Install::GetInstallerLogPath(CAppDetailsObj* pItem)
{
    if (pItem->m_pProductInfo->GetInstallType() == InstallTypeInnoSetup)
        return GetInnoSetupLogPath();
    return GetSetupLogPath();
}

// The checks before anything is fetched or run: products to uninstall first, a restart Windows
// still owes, the catalogue's pre-install messages, the driver notice on Windows 6.0, and the
// maker's programs that are still running.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "PropSheet_Corvatel.h"
#include "WindowsVersion.h"
#include "resource.h"

#include <CRegKey.h>
#include <Skelvar.h>

#include <tlhelp32.h>

namespace {

// The files Windows will rename or delete at the next start, as one line: the names are separated
// by '`' where the value has its zeros.
CString ReadPendingFileRenameOperations()
{
    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", KEY_QUERY_VALUE) !=
        ERROR_SUCCESS)
        return CString();
    DWORD dwSize = 0;
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, nullptr, &dwSize) != ERROR_SUCCESS ||
        dwSize == 0)
        return CString();
    CString strText;
    char* pszText = strText.GetBuffer(static_cast<int>(dwSize));
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(pszText),
                         &dwSize) != ERROR_SUCCESS)
        dwSize = 0;
    for (DWORD i = 0; i < dwSize; ++i)
        if (pszText[i] == '\0')
            pszText[i] = '`';
    strText.ReleaseBuffer(static_cast<int>(dwSize));
    return strText;
}

// The product is installed, at a version below strPriorTo (when that is given).
bool IsInstalledBelow(CProductInfo* pProduct, const CString& strPriorTo)
{
    long lInstalled[4] = {};
    long lPriorTo[4] = {};
    CSkelvar::VersionStringToVersionArray(pProduct->GetInstalledVersion(), lInstalled);
    CSkelvar::VersionStringToVersionArray(strPriorTo, lPriorTo);
    return !strPriorTo.IsEmpty() && CSkelvar::IsValidVersion(lInstalled, 4) &&
           CSkelvar::CompareVersion(lInstalled, lPriorTo, 4) < 0;
}

} // namespace

bool CPropPage_Install::CheckBeforeInstall()
{
    return CheckUninstallFirst() || ShowPreinstallMessages();
}

bool CPropPage_Install::CheckUninstallFirst()
{
    std::vector<CAppDetailsObj*> report;
    bool bStop = false;
    for (CAppDetailsObj* pRowItem : GetRowItems()) {
        bStop = NeedsUninstallFirst(report, pRowItem) || bStop;
        for (POSITION pos = pRowItem->m_lstDependencies.GetHeadPosition(); pos;)
            bStop = NeedsUninstallFirst(report, static_cast<CAppDetailsObj*>(pRowItem->m_lstDependencies.GetNext(pos))) ||
                    bStop;
    }
    CString strFormat;
    strFormat.LoadString(IDS_UNINSTALL_FIRST);
    for (CAppDetailsObj* pItem : report) {
        CProductInfo* pProduct = pItem->m_pProductInfo;
        CString strText;
        strText.Format(strFormat, static_cast<LPCSTR>(pProduct->GetName()),
                       static_cast<LPCSTR>(pProduct->GetInstalledVersion()));
        if (!pProduct->GetUninstallPrompt().IsEmpty())
            strText.AppendFormat("*** MESSAGE ***\n\n%s\n\n", static_cast<LPCSTR>(pProduct->GetUninstallPrompt()));
        MessageBox(strText, nullptr, MB_OK);
    }
    return bStop;
}

bool CPropPage_Install::NeedsUninstallFirst(std::vector<CAppDetailsObj*>& report, CAppDetailsObj* pItem)
{
    if (!pItem)
        return false;
    if (IsUninstallPending(pItem)) {
        CString strText;
        strText.LoadString(IDS_RESTART_PENDING);
        MessageBox(strText, nullptr, MB_OK);
        return true;
    }
    if (IsInstalledBelow(pItem->m_pProductInfo, pItem->m_pProductInfo->GetUninstallPriorToVersion())) {
        report.push_back(pItem);
        return true;
    }
    return false;
}

bool CPropPage_Install::IsUninstallPending(CAppDetailsObj* pItem)
{
    CString strFile = pItem->m_pProductInfo->GetUninstallPendingFile();
    return !strFile.IsEmpty() && ReadPendingFileRenameOperations().Find(strFile) >= 0;
}

bool CPropPage_Install::ShowPreinstallMessages()
{
    for (CAppDetailsObj* pRowItem : GetRowItems()) {
        if (ShowPreinstallMessage(pRowItem))
            return true;
        for (POSITION pos = pRowItem->m_lstDependencies.GetHeadPosition(); pos;)
            if (ShowPreinstallMessage(static_cast<CAppDetailsObj*>(pRowItem->m_lstDependencies.GetNext(pos))))
                return true;
    }
    return false;
}

bool CPropPage_Install::ShowPreinstallMessage(CAppDetailsObj* pItem)
{
    if (!pItem || !NeedsPreinstallMessage(pItem))
        return false;
    CProductInfo* pProduct = pItem->m_pProductInfo;
    CString strMessage = pProduct->GetPreinstallMessage();
    if (strMessage.IsEmpty())
        return false;
    UINT nButtons = pProduct->GetPreinstallMessageButtons() == 1 ? MB_OKCANCEL : MB_OK;
    return MessageBox(strMessage, nullptr, nButtons) != IDOK;
}

bool CPropPage_Install::NeedsPreinstallMessage(CAppDetailsObj* pItem)
{
    return IsInstalledBelow(pItem->m_pProductInfo, pItem->m_pProductInfo->GetPreinstallMessagePriorToVersion());
}

void CPropPage_Install::ShowDriverNotice()
{
    bool bNone = ForEachQueued(nullptr, [](CAppDetailsObj* pItem, CAppDetailsObj*, int) {
        return pItem->m_pProductInfo->ShowInstallDriverWarning() == 0;
    });
    if (!bNone && CWindowsVersion().IsWindowsVista())
        MessageBox("One or more Quendar components require a driver to be installed within Windows.  When "
                   "installing, you may see a Windows Security message asking whether or not to install this "
                   "driver.  In order for the Quendar component to install properly, you must choose the "
                   "option: 'Install this driver software anyway'.",
                   nullptr, MB_OK);
}

bool CPropPage_Install::CheckRunningApplications(bool bAbortDownloadsOnCancel)
{
    for (;;) {
        CString strList;
        std::vector<CString> names;
        HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof(entry);
        // Each process is looked up by its name: every run's start checks, so no walk over the
        // catalogue per process.
        const auto& programRecords = GetProgramRecords();
        for (BOOL bMore = hSnapshot != INVALID_HANDLE_VALUE && Process32First(hSnapshot, &entry); bMore;
             bMore = Process32Next(hSnapshot, &entry)) {
            auto it = programRecords.find(entry.szExeFile);
            if (it == programRecords.end())
                continue;
            for (CAppDetailsObj* pItem : it->second)
                BuildRunningAppList(entry.szExeFile, entry.szExeFile, pItem, strList, names);
        }
        if (hSnapshot != INVALID_HANDLE_VALUE)
            CloseHandle(hSnapshot);
        if (strList.IsEmpty()) {
            SetTimer(m_hWnd, kWatchdogTimer, kWatchdogMs, nullptr);
            return true;
        }
        // No transfer times out while the user closes the programs.
        KillTimer(m_hWnd, kWatchdogTimer);
        CString strText;
        strText.LoadString(IDS_CLOSE_APPLICATIONS);
        strText.Replace("%1", strList);
        ++m_nCloseProgramsQuestions;
        int nAnswer = MessageBox(strText, nullptr, MB_RETRYCANCEL);
        --m_nCloseProgramsQuestions;
        if (nAnswer != IDRETRY) {
            if (bAbortDownloadsOnCancel)
                AbortAllDownloads(false);
            return false;
        }
    }
}

const std::unordered_map<std::string, std::vector<CAppDetailsObj*>>& CPropPage_Install::GetProgramRecords()
{
    std::call_once(m_programRecordsMade, [this] {
        for (POSITION pos = m_pSheet->m_lstProductItems.GetHeadPosition(); pos;) {
            auto* pItem = static_cast<CAppDetailsObj*>(m_pSheet->m_lstProductItems.GetNext(pos));
            auto add = [&](const CString& strProgram) {
                // A product that names no program never runs.
                if (strProgram.IsEmpty())
                    return;
                std::vector<CAppDetailsObj*>& records = m_programRecords[static_cast<LPCSTR>(strProgram)];
                if (records.empty() || records.back() != pItem)
                    records.push_back(pItem);
            };
            CStringList* pExtraPrograms = pItem->m_pProductInfo->GetAdditionalExeList();
            for (POSITION posExe = pExtraPrograms->GetHeadPosition(); posExe;)
                add(pExtraPrograms->GetNext(posExe));
            add(pItem->m_pProductInfo->GetExe());
        }
    });
    return m_programRecords;
}

void CPropPage_Install::BuildRunningAppList(const char* pszProcess, const CString& strProgram, CAppDetailsObj* pItem,
                                            CString& strList, std::vector<CString>& names)
{
    // A product that names no program never runs, whatever a process without a name shows.
    if (strProgram.IsEmpty() || strcmp(pszProcess, strProgram) != 0)
        return;
    int nId = pItem->m_pProductInfo->GetId();
    if (nId >= 200 && nId <= 299)
        return;
    CString strName = pItem->m_pProductInfo->GetName();
    for (const CString& strListed : names)
        if (strListed.CompareNoCase(strName) == 0)
            return;
    if (!strList.IsEmpty())
        strList += "\n";
    strList += "\t- " + strName;
    names.push_back(strName);
}

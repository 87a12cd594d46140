// The Inno Setup driver: the silent command line, the folder the setup installs into, and the
// setup's log read back into an error text and a restart request.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "PropSheet_Corvatel.h"
#include "Utilities.h"

#include <CFile.h>

#include <stdlib.h>

namespace {

const char kExitCodeKey[] = "Process exit code: ";
const char kRestartKey[] = "restart Windows?: ";

// The setup's exit codes in this program's words; 0 is success.
const char* const kExitCodeTexts[] = {
    "",
    "Setup failed to initialize",
    "The user clicked Cancel in the wizard before the actual installation started, or chose 'No' on the opening "
    "'This will install...' message box",
    "A fatal error occurred while preparing to move to the next installation phase",
    "A fatal error occurred during the actual installation process",
    "The user clicked Cancel during the actual installation process, or chose Abort at an Abort-Retry-Ignore box",
    "The Setup process was forcefully terminated by the debugger",
};

// The first exit code in the log that reads as a number above 0; codes are judged by their first
// two digits. 0 when there is none.
int FindExitCode(const CString& strLog)
{
    const int nKeyLength = static_cast<int>(sizeof(kExitCodeKey) - 1);
    for (int nPos = strLog.Find(kExitCodeKey); nPos >= 0; nPos = strLog.Find(kExitCodeKey, nPos + nKeyLength)) {
        CString strCode = strLog.Mid(nPos + nKeyLength, 2);
        if (!strCode.IsEmpty() && atoi(strCode) > 0)
            return atoi(strCode);
    }
    return 0;
}

} // namespace

CString CPropPage_Install::BuildInnoSetupCommandLine(CAppDetailsObj* pItem, CString& strRefused)
{
    CProductInfo* pProduct = pItem->m_pProductInfo;
    CString strStartMenuText = pProduct->GetStartMenuText();
    CString strInstallDir = GetInstallDir(pItem);
    if (!IsSafeInQuotes(strStartMenuText))
        strRefused = "start-menu text";
    else if (!IsSafeInQuotes(strInstallDir))
        strRefused = "install folder";
    if (!strRefused.IsEmpty())
        return CString();
    CString strTail;
    if (!strStartMenuText.IsEmpty())
        strTail.AppendFormat(" /STARTMENUTEXT=\"%s\"", static_cast<LPCSTR>(strStartMenuText));
    if (pProduct->GetDisplayStartMenu() == 0)
        strTail += " /NOSTARTMENU=TRUE";
    CString strCommandLine;
    strCommandLine.Format("\"%s\" /CORVATEL=TRUE /VERYSILENT /NORESTART /DIR=\"%s\" /LOG=\"%s\" %s",
                          static_cast<LPCSTR>(GetLocalFilePath(pItem)), static_cast<LPCSTR>(strInstallDir),
                          static_cast<LPCSTR>(GetInnoSetupLogPath()), static_cast<LPCSTR>(strTail));
    return strCommandLine;
}

CString CPropPage_Install::GetInstallDir(CAppDetailsObj* pItem)
{
    // A product that is installed goes back into its own folder.
    CString strFolder = CPropSheet_Corvatel::GetRegisteredFolder(pItem->m_pProductInfo);
    if (strFolder.IsEmpty())
        strFolder.Format("%s%s", static_cast<LPCSTR>(AddTrailingBackslash(m_pSheet->m_strInstallRoot)),
                         static_cast<LPCSTR>(pItem->m_pProductInfo->GetInstallFolder()));
    return strFolder;
}

CString CPropPage_Install::GetInnoSetupLogPath()
{
    return DownloadFolderFile("InnoSetup.log");
}

CString CPropPage_Install::ParseInnoSetupLog(CAppDetailsObj* pItem)
{
    CFile file;
    CString strLog;
    if (!file.Open(GetInnoSetupLogPath(), CFile::modeRead | CFile::shareDenyNone) || !ReadFileText(file, strLog))
        return "Unknown Error.";
    if (strLog.IsEmpty())
        return CString();

    int nExitCode = FindExitCode(strLog);
    int nRestart = strLog.Find(kRestartKey);
    if (nRestart >= 0) {
        // Read as it always has been: "Yes" clears the product's restart request, anything else sets it.
        bool bYes = strLog.Mid(nRestart + static_cast<int>(sizeof(kRestartKey) - 1), 3).CompareNoCase("Yes") == 0;
        pItem->m_pProductInfo->SetReboot(bYes ? 0 : 1);
    }
    const int nTexts = static_cast<int>(sizeof(kExitCodeTexts) / sizeof(kExitCodeTexts[0]));
    return nExitCode < nTexts ? kExitCodeTexts[nExitCode] : "Unknown Error";
}

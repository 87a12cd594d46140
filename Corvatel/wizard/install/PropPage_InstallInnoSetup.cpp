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

// True for a folder name that stays below the folder it is put under: no drive, stream or root of
// its own, and no component made of dots alone but ".", which Windows would take for a way up.
bool StaysBelowRoot(const CString& strName)
{
    if (strName.Find(':') >= 0 || strName.Left(1) == "\\" || strName.Left(1) == "/")
        return false;
    int nStart = 0;
    for (int i = 0; i <= strName.GetLength(); ++i) {
        if (i < strName.GetLength() && strName[i] != '\\' && strName[i] != '/')
            continue;
        CString strPart = strName.Mid(nStart, i - nStart);
        CString strRest = strPart;
        strRest.Remove('.');
        strRest.Remove(' ');
        if (strRest.IsEmpty() && strPart.Find('.') >= 0 && strPart != ".")
            return false;
        nStart = i + 1;
    }
    return true;
}

} // namespace

CString CPropPage_Install::BuildInnoSetupCommandLine(CAppDetailsObj* pItem, CString& strRefused)
{
    CProductInfo* pProduct = pItem->m_pProductInfo;
    CString strStartMenuText = pProduct->GetStartMenuText();
    CString strInstallDir = GetInstallDir(pItem);
    bool bUnderRoot = CPropSheet_Corvatel::GetRegisteredFolder(pProduct).IsEmpty();
    if (!IsSafeInQuotes(strStartMenuText))
        strRefused = "start-menu text";
    else if (!IsSafeInQuotes(strInstallDir) || (bUnderRoot && !StaysBelowRoot(pProduct->GetInstallFolder())))
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
    if (strFolder.IsEmpty()) {
        CString strName = pItem->m_pProductInfo->GetInstallFolder();
        strFolder.Format("%s%s", static_cast<LPCSTR>(AddTrailingBackslash(m_pSheet->m_strInstallRoot)),
                         static_cast<LPCSTR>(strName));
        // No folder of its own: the root itself, without the backslash that would stand before the
        // closing quote (a drive's root keeps it, and is refused for it).
        if (strName.IsEmpty() && strFolder.GetLength() > 3)
            strFolder.Delete(strFolder.GetLength() - 1);
    }
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

// The InstallShield driver: the response file that answers the setup's dialogs (its install folder
// rewritten first), the command line that plays it back or records a new one, and the result code
// the setup leaves in setup.log.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "PropSheet_Corvatel.h"
#include "Utilities.h"

#include <CStdioFile.h>

#include <io.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kDestPathSection[] = "SdAskDestPath-0]\nszDir=";
const char kDestPathHeader[] = "SdAskDestPath-0]";

struct ResultText
{
    int nCode;
    const char* pszText;
};

// The setup's documented result codes in this program's words; 0 is success.
const ResultText kResultTexts[] = {
    {0, ""},
    {-1, "General error."},
    {-2, "Invalid mode."},
    {-3, "Required data not found in the response (.iss) file."},
    {-4, "Not enough memory available."},
    {-5, "File does not exist."},
    {-6, "Cannot write to the response file."},
    {-7, "Unable to write to the log file."},
    {-8, "Invalid path to the InstallShield Silent response (.iss) file."},
    {-9, "Not a valid list type (string or number)."},
    {-10, "Data type is invalid."},
    {-11, "Unknown error during setup."},
    {-12, "Dialog boxes are out of order."},
    {-51, "Cannot create the specified folder."},
    {-52, "Cannot access the specified file or folder."},
    {-53, "Invalid option selected."},
};

// The file's text with single line breaks; false when it cannot be read.
bool ReadText(const CString& strPath, CString& strText)
{
    CStdioFile file;
    return file.Open(strPath, CFile::modeRead | CFile::typeText) && ReadFileText(file, strText);
}

bool WriteText(const CString& strPath, const CString& strText)
{
    CStdioFile file;
    return file.Open(strPath, CFile::modeCreate | CFile::modeWrite | CFile::typeText) &&
           file.Write(static_cast<LPCSTR>(strText), static_cast<UINT>(strText.GetLength()));
}

} // namespace

CString CPropPage_Install::BuildInstallShieldCommandLine(CAppDetailsObj* pItem, CString& strResponseFile,
                                                         CString& strRefused)
{
    CProductInfo* pProduct = pItem->m_pProductInfo;
    CString strArguments;
    if (pProduct->GetDisplayStartMenu() == 0) {
        strArguments = "ShowStartMenu=FALSE";
    } else if (!pProduct->GetStartMenuText().IsEmpty()) {
        // Refused before the response file is touched: nothing of this product runs.
        if (!IsSafeInQuotes(pProduct->GetStartMenuText())) {
            strRefused = "start-menu text";
            return CString();
        }
        strArguments.Format("StartMenuText=\"%s\"", static_cast<LPCSTR>(pProduct->GetStartMenuText()));
    }
    // The folder becomes a line of the response file: a line break would add lines of its own.
    if (strpbrk(CPropSheet_Corvatel::GetRegisteredFolder(pProduct), "\r\n")) {
        strRefused = "install folder";
        return CString();
    }

    strResponseFile = GetResponseFilePath(pItem);
    // Without a response file the setup runs with its dialogs and records the answers into it.
    m_bRecording = _access(strResponseFile, 0) != 0;
    SetResponseFileInstallDir(pItem, strResponseFile);

    CString strCommandLine;
    strCommandLine.Format("\"%s\" %s %s /%s /f1\"%s\"", static_cast<LPCSTR>(GetLocalFilePath(pItem)),
                          static_cast<LPCSTR>(strArguments), strArguments.IsEmpty() ? "/a" : "",
                          m_bRecording ? "r" : "s", static_cast<LPCSTR>(strResponseFile));
    return strCommandLine;
}

CString CPropPage_Install::GetResponseFilePath(CAppDetailsObj* pItem)
{
    return DownloadFolderFile(GetFileTitleFromPath(pItem->m_pProductInfo->GetDownload()) + ".iss");
}

CString CPropPage_Install::GetRemoteResponseFilePath(CAppDetailsObj* pItem)
{
    CString strDownload = pItem->m_pProductInfo->GetDownload();
    CString strPath;
    strPath.Format("%s%s%s%s", static_cast<LPCSTR>(GetFolderFromPath(strDownload)), "_iss/",
                   static_cast<LPCSTR>(GetFileTitleFromPath(strDownload)), ".iss");
    return strPath;
}

bool CPropPage_Install::SetResponseFileInstallDir(CAppDetailsObj* pItem, CString strResponseFile)
{
    if (_access(strResponseFile, 0) != 0)
        return false;
    CString strFolder = CPropSheet_Corvatel::GetRegisteredFolder(pItem->m_pProductInfo);
    if (!strFolder.IsEmpty())
        return ReplaceResponseFileDir(strResponseFile, kDestPathSection, strFolder);
    return ReplaceResponseFileDirUnderRoot(strResponseFile, kDestPathSection, m_pSheet->m_strInstallRoot);
}

bool CPropPage_Install::ReplaceResponseFileDir(CString strPath, CString strSection, CString strNewDir)
{
    return RewriteResponseFileDir(strPath, strSection, [&strNewDir](const CString&) { return strNewDir; });
}

bool CPropPage_Install::ReplaceResponseFileDirUnderRoot(CString strPath, CString strSection, CString strInstallRoot)
{
    // A component not installed yet keeps the folder name its response file gives, under the root.
    return RewriteResponseFileDir(strPath, strSection, [&strInstallRoot](const CString& strOldDir) {
        return strInstallRoot + "\\" + strOldDir.Mid(strOldDir.ReverseFind('\\') + 1);
    });
}

bool CPropPage_Install::RewriteResponseFileDir(const CString& strPath, const CString& strSection,
                                               const std::function<CString(const CString&)>& newDir)
{
    CString strText;
    CString strError;
    if (!ReadText(strPath, strText)) {
        strError.Format("Error Opening Response File\n\n%s", static_cast<LPCSTR>(OneLine(strPath)));
        WriteLogMessage(strError, true);
        return false;
    }
    int nHeader = strText.Find(kDestPathHeader);
    if (nHeader < 0)
        return true;
    // The old folder is the value of the first key in the section.
    int nEquals = strText.Find('=', nHeader);
    int nLineEnd = nEquals < 0 ? -1 : strText.Find('\n', nEquals);
    CString strOldDir;
    if (nEquals >= 0)
        strOldDir = nLineEnd < 0 ? strText.Mid(nEquals + 1) : strText.Mid(nEquals + 1, nLineEnd - nEquals - 1);
    // Only a szDir line right below the header matches, and every copy of it is replaced.
    strText.Replace(strSection + strOldDir, strSection + newDir(strOldDir));
    if (!WriteText(strPath, strText)) {
        strError.Format("Error Saving Response File\n\n%s", static_cast<LPCSTR>(OneLine(strPath)));
        WriteLogMessage(strError, true);
        return false;
    }
    return true;
}

CString CPropPage_Install::ReadInstallShieldResult()
{
    CString strPath = GetSetupLogPath();
    if (_access(strPath, 0) != 0)
        return CString();
    char szCode[25] = {};
    GetPrivateProfileStringA("ResponseResult", "ResultCode", "", szCode, sizeof(szCode), strPath);
    int nCode = atoi(szCode);
    for (const ResultText& result : kResultTexts)
        if (result.nCode == nCode)
            return result.pszText;
    return "Unknown Error";
}

CString CPropPage_Install::GetSetupLogPath()
{
    return DownloadFolderFile("setup.log");
}

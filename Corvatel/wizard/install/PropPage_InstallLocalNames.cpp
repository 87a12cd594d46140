// Whose file each name in the download folder is. Every download entry keeps only its file name
// there, so two records may name one file, or a record the program's own log or result files: the
// first record in queue order keeps a name, and a record that would share one is refused.
#include "PropPage_Install.h"

#include "AppDetailsObj.h"
#include "CorvatelInstallIniObj.h"
#include "FtpDownloadThread.h"
#include "InstallType.h"
#include "PropSheet_Corvatel.h"
#include "Utilities.h"

#include <string.h>

#include <algorithm>

std::string CPropPage_Install::LocalNameKey(const CString& strPath, bool bTitle)
{
    // A short name of an existing file stands for its long name. Only a name with a tilde can be
    // one that Windows made for another, so only such a name is looked up (each look-up takes
    // milliseconds); one with wildcards names no one file.
    CString strName = GetFileNameFromPath(strPath);
    CString strLong = strPath;
    bool bShort = strName.Find('~') >= 0 && !strpbrk(strName, "*?<>\"");
    DWORD dwSize = bShort ? GetLongPathNameA(strPath, nullptr, 0) : 0;
    if (dwSize > 0) {
        CString strFound;
        DWORD dwLength = GetLongPathNameA(strPath, strFound.GetBuffer(static_cast<int>(dwSize)), dwSize);
        strFound.ReleaseBuffer(dwLength < dwSize ? static_cast<int>(dwLength) : 0);
        if (!strFound.IsEmpty())
            strLong = strFound;
    }
    // Windows compares names without regard to case and drops dots and blanks at their end; it
    // ignores no character and takes none for two.
    strName = bTitle ? GetFileTitleFromPath(strLong) : GetFileNameFromPath(strLong);
    int nLength = strName.GetLength();
    while (nLength > 0 && (strName[nLength - 1] == '.' || strName[nLength - 1] == ' '))
        --nLength;
    strName = strName.Left(nLength);
    strName.MakeLower();
    return static_cast<LPCSTR>(strName);
}

namespace {

// A download entry that names a file inside the download folder: the remote folder before the
// file's name is the server's business, but nothing in it may lead the local file out of the
// download folder. Refused: a drive, a stream or any other colon, a ".." step, and a file name that
// is empty, "." or "..", or names a device.
bool IsSafeDownloadEntry(const CString& strEntry)
{
    if (strEntry.Find(':') >= 0)
        return false;
    CString strStep;
    for (int i = 0; i <= strEntry.GetLength(); ++i) {
        char ch = i < strEntry.GetLength() ? strEntry[i] : '/';
        if (ch != '/' && ch != '\\') {
            strStep += ch;
            continue;
        }
        if (strStep == "..")
            return false;
        strStep.Empty();
    }
    CString strName = GetFileNameFromPath(strEntry);
    return !strName.IsEmpty() && strName != "." && strName != ".." && !IsReservedDeviceName(strName);
}

} // namespace

std::vector<std::pair<std::string, CString>> CPropPage_Install::GetLocalNames(CAppDetailsObj* pItem)
{
    // An entry without a file name has no file here; the queue and the install phase say so.
    CString strEntryName = GetFileNameFromPath(pItem->m_pProductInfo->GetDownload());
    if (strEntryName.IsEmpty())
        return {};
    CString strSetup = GetLocalFilePath(pItem);
    std::vector<CString> files = {strSetup, CFtpDownloadThread::GetTemporaryName(strSetup, false)};
    if (pItem->m_pProductInfo->GetInstallType() != InstallTypeInnoSetup) {
        CString strResponse = GetResponseFilePath(pItem);
        files.push_back(strResponse);
        files.push_back(CFtpDownloadThread::GetTemporaryName(strResponse, true));
    }
    std::vector<std::pair<std::string, CString>> names;
    for (const CString& strFile : files)
        names.emplace_back(LocalNameKey(strFile), GetFileNameFromPath(strFile));
    // A transferred file is told to its record by its title, whatever its extension: "*" is in no
    // file name.
    names.emplace_back(LocalNameKey(strSetup, true) + ".*", strEntryName);
    return names;
}

void CPropPage_Install::MakeLocalNames()
{
    std::unordered_map<std::string, CAppDetailsObj*> names;
    CString strFolder = m_pSheet->m_pSkelvar->GetDownloadPath();
    for (const CString& strOwn : {GetLogFilePath(), CCorvatelInstallIniObj::GetFilePath(strFolder), GetSetupLogPath(),
                                  GetInnoSetupLogPath()})
        names[LocalNameKey(strOwn)] = nullptr;
    for (CAppDetailsObj* pItem : GetQueueOrder(nullptr)) {
        std::vector<std::string> keys;
        for (const auto& name : GetLocalNames(pItem))
            keys.push_back(name.first);
        bool bFree = true;
        for (size_t i = 0; i < keys.size() && bFree; ++i) {
            auto it = names.find(keys[i]);
            bFree = (it == names.end() || it->second == pItem) &&
                    std::find(keys.begin(), keys.begin() + i, keys[i]) == keys.begin() + i;
        }
        if (bFree)
            for (const std::string& strKey : keys)
                names[strKey] = pItem;
    }
    std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
    m_localNames.swap(names);
}

bool CPropPage_Install::RefuseLocalName(CAppDetailsObj* pItem, CAppDetailsObj* pOwner, LPCSTR pszNotDone)
{
    CString strEntry = pItem->m_pProductInfo->GetDownload();
    if (!IsSafeDownloadEntry(strEntry)) {
        CString strText, strLine;
        strText.Format("ERROR - Unsafe file name refused: %s", static_cast<LPCSTR>(strEntry));
        UpdateItemStatus(pItem, pOwner, ItemError, strText);
        strLine.Format("%s for %s: \"%s\" does not name a plain file inside the download folder", pszNotDone,
                       static_cast<LPCSTR>(pItem->m_pProductInfo->GetName()), static_cast<LPCSTR>(strEntry));
        WriteLogLine(strLine, true);
        return true;
    }
    bool bMade = false;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        bMade = !m_localNames.empty();
    }
    if (!bMade)
        MakeLocalNames();
    // Looked for on disk before the lock is taken.
    std::vector<std::pair<std::string, CString>> names = GetLocalNames(pItem);
    CString strTaken;
    CAppDetailsObj* pHolder = nullptr;
    {
        std::lock_guard<std::mutex> guard(CAppDetailsObj::SharedLock());
        for (const auto& name : names) {
            auto it = m_localNames.find(name.first);
            if (it != m_localNames.end() && it->second != pItem) {
                strTaken = name.second;
                pHolder = it->second;
                break;
            }
        }
    }
    if (strTaken.IsEmpty())
        return false;
    CString strName = pItem->m_pProductInfo->GetName();
    CString strText, strLine;
    if (pHolder) {
        strText.Format("ERROR - File name already used by %s: %s",
                       static_cast<LPCSTR>(pHolder->m_pProductInfo->GetName()), static_cast<LPCSTR>(strTaken));
        strLine.Format("%s for %s: %s in the download folder is the file of %s", pszNotDone,
                       static_cast<LPCSTR>(strName), static_cast<LPCSTR>(strTaken),
                       static_cast<LPCSTR>(pHolder->m_pProductInfo->GetName()));
    } else {
        strText.Format("ERROR - Unsafe file name refused: %s", static_cast<LPCSTR>(strEntry));
        strLine.Format("%s for %s: %s in the download folder is the program's own file", pszNotDone,
                       static_cast<LPCSTR>(strName), static_cast<LPCSTR>(strTaken));
    }
    UpdateItemStatus(pItem, pOwner, ItemError, strText);
    WriteLogLine(strLine, true);
    return true;
}

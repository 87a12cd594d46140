// The program log: lines kept in memory, and the whole list written to Corvatel.log whenever a
// line asks for it.
#include "PropPage_Install.h"

#include "PropSheet_Corvatel.h"
#include "Utilities.h"

#include <CFile.h>

#include <time.h>

namespace {

// "month/day/year hh:mm:ss  :  text" in local time. When the time cannot be had, the clock
// fields read -01 and the date fields 00.
CString StampedLine(const CString& strText)
{
    struct tm local = {};
    time_t now = time(nullptr);
    if (localtime_s(&local, &now) != 0) {
        local = tm();
        local.tm_sec = local.tm_min = local.tm_hour = -1;
        local.tm_mon = -1;
        local.tm_year = -1900;
    }
    CString strLine;
    strLine.Format("%.02d/%.02d/%.02d %.02d:%.02d:%.02d  :  %s\r\n", local.tm_mon + 1, local.tm_mday,
                   local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec, static_cast<LPCSTR>(strText));
    return strLine;
}

} // namespace

CString CPropPage_Install::GetLogFilePath()
{
    return DownloadFolderFile("Corvatel.log");
}

CString CPropPage_Install::DownloadFolderFile(LPCSTR pszName)
{
    CString strPath;
    strPath.Format("%s%s", static_cast<LPCSTR>(AddTrailingBackslash(m_pSheet->m_pSkelvar->GetDownloadPath())), pszName);
    return strPath;
}

void CPropPage_Install::WriteLogLine(const CString& strText, bool bWrite)
{
    std::lock_guard<std::mutex> guard(m_logLock);
    m_lstLogLines.AddTail(StampedLine(strText));
    if (!bWrite)
        return;
    // A folder that is missing or locked leaves the file behind; the next rewrite catches up.
    CFile file;
    if (!file.Open(GetLogFilePath(), CFile::modeCreate | CFile::modeWrite))
        return;
    for (POSITION pos = m_lstLogLines.GetHeadPosition(); pos;) {
        const CString& strLine = m_lstLogLines.GetNext(pos);
        if (!file.Write(static_cast<LPCSTR>(strLine), static_cast<UINT>(strLine.GetLength())))
            return;
    }
}

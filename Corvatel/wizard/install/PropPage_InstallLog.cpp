// The program log: lines kept in memory, and the whole list brought to Corvatel.log whenever a
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

CString CPropPage_Install::OneLine(CString strText)
{
    strText.Replace('\r', ' ');
    strText.Replace('\n', ' ');
    return strText;
}

void CPropPage_Install::WriteLogLine(const CString& strText, bool bWrite)
{
    WriteLogMessage(OneLine(strText), bWrite);
}

void CPropPage_Install::WriteLogMessage(const CString& strMessage, bool bWrite)
{
    std::lock_guard<std::mutex> guard(m_logLock);
    m_lstLogLines.AddTail(StampedLine(strMessage));
    if (!bWrite)
        return;
    // The file must end up holding the whole list. Writing it all again for every line would make a
    // long run's logging grow with the square of its lines, so a file that is still as it was
    // left (same folder, same size) only gets the lines since; any other is written afresh.
    // A folder that is missing or locked leaves the file behind; the next write catches up.
    CString strPath = GetLogFilePath();
    CFile file;
    if (!file.Open(strPath, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite))
        return;
    POSITION pos = m_posLogWritten;
    ULONGLONG ullBytes = m_ullLogBytesWritten;
    if (pos && strPath == m_strLogFileWritten && file.GetLength() == ullBytes && file.SeekToEnd()) {
        m_lstLogLines.GetNext(pos);
    } else {
        file.Close();
        if (!file.Open(strPath, CFile::modeCreate | CFile::modeWrite))
            return;
        pos = m_lstLogLines.GetHeadPosition();
        ullBytes = 0;
    }
    // Until the lines are all written, what the file holds is not known.
    m_strLogFileWritten.Empty();
    while (pos) {
        POSITION posLine = pos;
        const CString& strLine = m_lstLogLines.GetNext(pos);
        if (!file.Write(static_cast<LPCSTR>(strLine), static_cast<UINT>(strLine.GetLength())))
            return;
        ullBytes += static_cast<ULONGLONG>(strLine.GetLength());
        m_posLogWritten = posLine;
    }
    m_strLogFileWritten = strPath;
    m_ullLogBytesWritten = ullBytes;
}

// CPropPage_Install: the last page, "Review and Install": the install list of the ticked
// components and the program log. Its work is split by concern:
//   PropPage_Install.cpp       the page's life and its install list window
//   PropPage_InstallLog.cpp    the program log, Corvatel.log in the download folder
#pragma once

#include "PropPage_Base.h"

#include <CStringList.h>

#include <mutex>

class CPropPage_Install : public CPropPage_Base
{
public:
    explicit CPropPage_Install(CPropSheet_Corvatel* pSheet);

    int GetPageId() const override { return 104; }

    // Adds a line stamped with the local time to the log in memory; with bWrite the whole log is
    // written to the file again. Any thread may log.
    void WriteLogLine(const CString& strText, bool bWrite);
    // Corvatel.log in the catalogue client's download folder, as that folder is now.
    CString GetLogFilePath();

protected:
    BOOL OnInitDialog() override;

private:
    // Every line logged since the page was made, oldest first, each ending in CR LF.
    CStringList m_lstLogLines{10};
    // Held for an append and the rewrite that follows it, so threads never interleave them.
    std::mutex m_logLock;
};

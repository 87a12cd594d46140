// CStdioFile: a CFile that, opened with typeText, reads CR LF as LF and writes LF as CR LF, so text
// is handled with single line breaks whatever the file holds.
#pragma once

#include "CFile.h"

class CStdioFile : public CFile
{
public:
    BOOL Open(LPCSTR pszFileName, UINT nOpenFlags) override;
    // In text mode the count is of bytes on disk; fewer characters may come back.
    UINT Read(void* pBuffer, UINT nCount) override;
    BOOL Write(const void* pBuffer, UINT nCount) override;

private:
    bool m_bText = false;
};

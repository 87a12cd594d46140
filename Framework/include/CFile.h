// CFile: a file opened for reading. Open reports failure by its result.
#pragma once

#include "CString.h"

class CFile
{
public:
    enum OpenFlags : UINT
    {
        modeRead = 0x0000,
        shareDenyNone = 0x0040,
    };

    CFile() : m_hFile(INVALID_HANDLE_VALUE) {}
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    BOOL Open(LPCSTR pszFileName, UINT nOpenFlags);
    // Bytes read; 0 at the end of the file or on a failed read.
    UINT Read(void* pBuffer, UINT nCount);
    void Close();

    HANDLE m_hFile;
};

// CFile: an open file handle with byte reads and writes. Open reports failure by its result.
#pragma once

#include "CString.h"

class CFile
{
public:
    enum OpenFlags : UINT
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
    };

    CFile() : m_hFile(INVALID_HANDLE_VALUE) {}
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    BOOL Open(LPCSTR pszFileName, UINT nOpenFlags);
    // Bytes read; 0 at the end of the file or on a failed read.
    UINT Read(void* pBuffer, UINT nCount);
    BOOL Write(const void* pBuffer, UINT nCount);
    ULONGLONG GetLength() const;
    void Close();

    HANDLE m_hFile;
};

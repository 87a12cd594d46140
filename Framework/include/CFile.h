// CFile: a file opened for reading, or created (emptied when present) for writing. Open and Write
// report failure by their result.
#pragma once

#include "CString.h"

class CFile
{
public:
    enum OpenFlags : UINT
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000, // with modeCreate: a file that is there is kept as it is
        typeText = 0x4000,      // CStdioFile: CR LF reads as LF, and LF writes as CR LF
    };

    CFile() : m_hFile(INVALID_HANDLE_VALUE) {}
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    virtual BOOL Open(LPCSTR pszFileName, UINT nOpenFlags);
    // Bytes read; 0 at the end of the file or on a failed read.
    virtual UINT Read(void* pBuffer, UINT nCount);
    // FALSE unless every byte was written.
    virtual BOOL Write(const void* pBuffer, UINT nCount);
    // The file's size in bytes; 0 when it cannot be had.
    ULONGLONG GetLength() const;
    // Further writes go to the end of the file; FALSE when the position cannot be set.
    BOOL SeekToEnd();
    void Close();

    HANDLE m_hFile;
};

// CFileFind: walks the entries that match a wildcard pattern, in the order the file system gives them.
#pragma once

#include "CString.h"

class CFileFind
{
public:
    CFileFind() : m_hFind(INVALID_HANDLE_VALUE), m_bHaveNext(FALSE), m_found() {}
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // TRUE when at least one entry matches; then call FindNextFile before reading the first.
    BOOL FindFile(LPCSTR pszPattern = "*.*");
    // Moves to the next entry; FALSE when the current one is the last.
    BOOL FindNextFile();
    void Close();

    CString GetFileName() const { return m_found.cFileName; }
    CString GetFilePath() const { return m_strRoot + m_found.cFileName; }
    BOOL IsDirectory() const { return (m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    BOOL IsReparsePoint() const { return (m_found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
    BOOL IsDots() const;

private:
    HANDLE m_hFind;
    BOOL m_bHaveNext;
    WIN32_FIND_DATAA m_next;
    WIN32_FIND_DATAA m_found;
    CString m_strRoot;
};

#include "CFileFind.h"

#include <string.h>

BOOL CFileFind::FindFile(LPCSTR pszPattern)
{
    Close();
    CString strPattern(pszPattern);
    int nBackslash = strPattern.ReverseFind('\\');
    int nSlash = strPattern.ReverseFind('/');
    if (nBackslash > nSlash)
        nSlash = nBackslash;
    m_strRoot = strPattern.Left(nSlash + 1);
    m_hFind = FindFirstFileA(strPattern, &m_next);
    m_bHaveNext = m_hFind != INVALID_HANDLE_VALUE;
    return m_bHaveNext;
}

BOOL CFileFind::FindNextFile()
{
    if (!m_bHaveNext)
        return FALSE;
    m_found = m_next;
    m_bHaveNext = ::FindNextFileA(m_hFind, &m_next);
    return m_bHaveNext;
}

void CFileFind::Close()
{
    if (m_hFind != INVALID_HANDLE_VALUE) {
        FindClose(m_hFind);
        m_hFind = INVALID_HANDLE_VALUE;
    }
    m_bHaveNext = FALSE;
}

BOOL CFileFind::IsDots() const
{
    return IsDirectory() && (strcmp(m_found.cFileName, ".") == 0 || strcmp(m_found.cFileName, "..") == 0);
}

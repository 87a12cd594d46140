#include "CFile.h"

CFile::~CFile()
{
    Close();
}

BOOL CFile::Open(LPCSTR pszFileName, UINT nOpenFlags)
{
    Close();
    DWORD dwShare = (nOpenFlags & shareDenyNone) ? (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) : FILE_SHARE_READ;
    DWORD dwAccess = (nOpenFlags & modeWrite) ? GENERIC_WRITE : GENERIC_READ;
    DWORD dwCreation = !(nOpenFlags & modeCreate) ? OPEN_EXISTING : (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    m_hFile = CreateFileA(pszFileName, dwAccess, dwShare, nullptr, dwCreation, FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_hFile != INVALID_HANDLE_VALUE;
}

UINT CFile::Read(void* pBuffer, UINT nCount)
{
    DWORD dwRead = 0;
    if (m_hFile == INVALID_HANDLE_VALUE || !ReadFile(m_hFile, pBuffer, nCount, &dwRead, nullptr))
        return 0;
    return dwRead;
}

BOOL CFile::Write(const void* pBuffer, UINT nCount)
{
    DWORD dwWritten = 0;
    return m_hFile != INVALID_HANDLE_VALUE && WriteFile(m_hFile, pBuffer, nCount, &dwWritten, nullptr) &&
           dwWritten == nCount;
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size = {};
    if (m_hFile == INVALID_HANDLE_VALUE || !GetFileSizeEx(m_hFile, &size))
        return 0;
    return static_cast<ULONGLONG>(size.QuadPart);
}

BOOL CFile::SeekToEnd()
{
    LARGE_INTEGER zero = {};
    return m_hFile != INVALID_HANDLE_VALUE && SetFilePointerEx(m_hFile, zero, nullptr, FILE_END);
}

void CFile::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE) {
        CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

#include "CFile.h"

CFile::~CFile()
{
    Close();
}

BOOL CFile::Open(LPCSTR pszFileName, UINT nOpenFlags)
{
    Close();
    DWORD dwShare = (nOpenFlags & shareDenyNone) ? (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) : FILE_SHARE_READ;
    m_hFile = CreateFileA(pszFileName, GENERIC_READ, dwShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_hFile != INVALID_HANDLE_VALUE;
}

UINT CFile::Read(void* pBuffer, UINT nCount)
{
    DWORD dwRead = 0;
    if (m_hFile == INVALID_HANDLE_VALUE || !ReadFile(m_hFile, pBuffer, nCount, &dwRead, nullptr))
        return 0;
    return dwRead;
}

void CFile::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE) {
        CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

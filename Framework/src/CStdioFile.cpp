#include "CStdioFile.h"

#include <vector>

BOOL CStdioFile::Open(LPCSTR pszFileName, UINT nOpenFlags)
{
    m_bText = (nOpenFlags & typeText) != 0;
    return CFile::Open(pszFileName, nOpenFlags & ~typeText);
}

UINT CStdioFile::Read(void* pBuffer, UINT nCount)
{
    char* pText = static_cast<char*>(pBuffer);
    UINT nRead = CFile::Read(pBuffer, nCount);
    if (!m_bText)
        return nRead;
    UINT nOut = 0;
    for (UINT i = 0; i < nRead; ++i) {
        if (pText[i] == '\r' && i + 1 < nRead && pText[i + 1] == '\n')
            continue;
        if (pText[i] == '\r' && i + 1 == nRead) {
            // A CR that ends the read: the next byte says whether it begins a line break.
            char chNext = 0;
            if (CFile::Read(&chNext, 1) == 1) {
                if (chNext == '\n') {
                    pText[nOut++] = '\n';
                    continue;
                }
                LARGE_INTEGER back = {};
                back.QuadPart = -1;
                SetFilePointerEx(m_hFile, back, nullptr, FILE_CURRENT);
            }
        }
        pText[nOut++] = pText[i];
    }
    return nOut;
}

BOOL CStdioFile::Write(const void* pBuffer, UINT nCount)
{
    if (!m_bText)
        return CFile::Write(pBuffer, nCount);
    const char* pText = static_cast<const char*>(pBuffer);
    std::vector<char> bytes;
    bytes.reserve(nCount + nCount / 16);
    for (UINT i = 0; i < nCount; ++i) {
        if (pText[i] == '\n')
            bytes.push_back('\r');
        bytes.push_back(pText[i]);
    }
    return CFile::Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

#include "CString.h"
#include "ModuleState.h"

#include <ctype.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <new>

namespace {

// The longest string: its length and its buffer, the NUL included, both fit an int.
const int kMaxLength = INT_MAX - 1;

int ClampLength(int nLength)
{
    return nLength < 0 ? 0 : nLength;
}

bool IsSpace(char ch)
{
    return isspace(static_cast<unsigned char>(ch)) != 0;
}

} // namespace

CString::CString() : m_pchData(nullptr), m_nDataLength(0), m_nAllocLength(0) {}

CString::CString(const CString& other) : CString()
{
    Assign(other.m_pchData, other.m_nDataLength);
}

CString::CString(CString&& other) noexcept
    : m_pchData(other.m_pchData), m_nDataLength(other.m_nDataLength), m_nAllocLength(other.m_nAllocLength)
{
    other.m_pchData = nullptr;
    other.m_nDataLength = other.m_nAllocLength = 0;
}

CString::CString(LPCSTR psz) : CString()
{
    if (psz)
        Assign(psz, static_cast<int>(strlen(psz)));
}

CString::CString(LPCSTR pch, int nLength) : CString()
{
    if (pch)
        Assign(pch, ClampLength(nLength));
}

CString::CString(char ch, int nRepeat) : CString()
{
    if (nRepeat > 0) {
        Reserve(nRepeat);
        memset(m_pchData, ch, nRepeat);
        m_nDataLength = nRepeat;
        m_pchData[nRepeat] = '\0';
    }
}

CString::~CString()
{
    free(m_pchData);
}

CString& CString::operator=(const CString& other)
{
    if (this != &other)
        Assign(other.m_pchData, other.m_nDataLength);
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    if (this != &other) {
        free(m_pchData);
        m_pchData = other.m_pchData;
        m_nDataLength = other.m_nDataLength;
        m_nAllocLength = other.m_nAllocLength;
        other.m_pchData = nullptr;
        other.m_nDataLength = other.m_nAllocLength = 0;
    }
    return *this;
}

CString& CString::operator=(LPCSTR psz)
{
    if (!psz) {
        Empty();
    } else if (m_pchData && psz >= m_pchData && psz <= m_pchData + m_nDataLength) {
        *this = CString(psz); // assigning part of ourselves
    } else {
        Assign(psz, static_cast<int>(strlen(psz)));
    }
    return *this;
}

CString& CString::operator=(char ch)
{
    Assign(&ch, 1);
    return *this;
}

void CString::Empty()
{
    free(m_pchData);
    m_pchData = nullptr;
    m_nDataLength = m_nAllocLength = 0;
}

char CString::GetAt(int nIndex) const
{
    return (nIndex >= 0 && nIndex < m_nDataLength) ? m_pchData[nIndex] : '\0';
}

void CString::SetAt(int nIndex, char ch)
{
    if (nIndex >= 0 && nIndex < m_nDataLength)
        m_pchData[nIndex] = ch;
}

void CString::Reserve(int nCapacity)
{
    if (nCapacity <= m_nAllocLength && m_pchData)
        return;
    if (nCapacity < 0 || nCapacity > kMaxLength)
        throw std::bad_alloc();
    // Doubling stops at the longest length rather than wrapping past it.
    int nNew = m_nAllocLength > kMaxLength / 2 ? kMaxLength : m_nAllocLength * 2;
    if (nNew < nCapacity)
        nNew = nCapacity;
    LPSTR p = static_cast<LPSTR>(realloc(m_pchData, static_cast<size_t>(nNew) + 1));
    if (!p)
        throw std::bad_alloc();
    if (!m_pchData)
        p[0] = '\0';
    m_pchData = p;
    m_nAllocLength = nNew;
}

void CString::Assign(LPCSTR pch, int nLength)
{
    if (nLength == 0) {
        m_nDataLength = 0;
        if (m_pchData)
            m_pchData[0] = '\0';
        return;
    }
    Reserve(nLength);
    memmove(m_pchData, pch, nLength);
    m_nDataLength = nLength;
    m_pchData[nLength] = '\0';
}

void CString::Append(LPCSTR pch, int nLength)
{
    if (nLength <= 0)
        return;
    if (m_pchData && pch >= m_pchData && pch <= m_pchData + m_nAllocLength) {
        CString copy(pch, nLength); // appending part of ourselves: the buffer may move
        Append(copy.m_pchData, nLength);
        return;
    }
    if (nLength > kMaxLength - m_nDataLength)
        throw std::bad_alloc(); // the sum would wrap
    Reserve(m_nDataLength + nLength);
    memcpy(m_pchData + m_nDataLength, pch, nLength);
    m_nDataLength += nLength;
    m_pchData[m_nDataLength] = '\0';
}

CString& CString::operator+=(const CString& other)
{
    Append(other.m_pchData, other.m_nDataLength);
    return *this;
}

CString& CString::operator+=(LPCSTR psz)
{
    if (psz)
        Append(psz, static_cast<int>(strlen(psz)));
    return *this;
}

CString& CString::operator+=(char ch)
{
    Append(&ch, 1);
    return *this;
}

int CString::Compare(LPCSTR psz) const
{
    return strcmp(*this, psz ? psz : "");
}

// The system compares characters, so a double-byte character's trail byte is never taken for a letter.
int CString::CompareNoCase(LPCSTR psz) const
{
    return lstrcmpiA(*this, psz ? psz : "");
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, m_nDataLength - ClampLength(nFirst));
}

CString CString::Mid(int nFirst, int nCount) const
{
    nFirst = ClampLength(nFirst);
    nCount = ClampLength(nCount);
    if (nFirst >= m_nDataLength)
        return CString();
    if (nCount > m_nDataLength - nFirst)
        nCount = m_nDataLength - nFirst;
    return CString(m_pchData + nFirst, nCount);
}

CString CString::Left(int nCount) const
{
    return Mid(0, nCount);
}

CString CString::Right(int nCount) const
{
    nCount = ClampLength(nCount);
    if (nCount >= m_nDataLength)
        return *this;
    return CString(m_pchData + m_nDataLength - nCount, nCount);
}

// Mapped by the system in the ANSI code page: double-byte characters keep their trail bytes.
CString& CString::MakeUpper()
{
    if (m_nDataLength > 0)
        CharUpperBuffA(m_pchData, static_cast<DWORD>(m_nDataLength));
    return *this;
}

CString& CString::MakeLower()
{
    if (m_nDataLength > 0)
        CharLowerBuffA(m_pchData, static_cast<DWORD>(m_nDataLength));
    return *this;
}

CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::TrimLeft()
{
    int n = 0;
    while (n < m_nDataLength && IsSpace(m_pchData[n]))
        ++n;
    Delete(0, n);
    return *this;
}

CString& CString::TrimRight()
{
    while (m_nDataLength > 0 && IsSpace(m_pchData[m_nDataLength - 1]))
        m_pchData[--m_nDataLength] = '\0';
    return *this;
}

CString& CString::Trim(char chTarget)
{
    return TrimRight(chTarget).TrimLeft(chTarget);
}

CString& CString::TrimLeft(char chTarget)
{
    int n = 0;
    while (n < m_nDataLength && m_pchData[n] == chTarget)
        ++n;
    Delete(0, n);
    return *this;
}

CString& CString::TrimRight(char chTarget)
{
    while (m_nDataLength > 0 && m_pchData[m_nDataLength - 1] == chTarget)
        m_pchData[--m_nDataLength] = '\0';
    return *this;
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || nStart >= m_nDataLength)
        return -1;
    const void* p = memchr(m_pchData + nStart, ch, m_nDataLength - nStart);
    return p ? static_cast<int>(static_cast<LPCSTR>(p) - m_pchData) : -1;
}

int CString::Find(LPCSTR pszSub, int nStart) const
{
    if (!pszSub || nStart < 0 || nStart > m_nDataLength)
        return -1;
    LPCSTR p = strstr(static_cast<LPCSTR>(*this) + nStart, pszSub);
    return p ? static_cast<int>(p - static_cast<LPCSTR>(*this)) : -1;
}

int CString::ReverseFind(char ch) const
{
    for (int i = m_nDataLength - 1; i >= 0; --i)
        if (m_pchData[i] == ch)
            return i;
    return -1;
}

int CString::Replace(char chOld, char chNew)
{
    int nCount = 0;
    for (int i = 0; i < m_nDataLength; ++i) {
        if (m_pchData[i] == chOld) {
            m_pchData[i] = chNew;
            ++nCount;
        }
    }
    return nCount;
}

int CString::Replace(LPCSTR pszOld, LPCSTR pszNew)
{
    int nOldLen = pszOld ? static_cast<int>(strlen(pszOld)) : 0;
    if (nOldLen == 0 || m_nDataLength == 0)
        return 0;
    if (!pszNew)
        pszNew = "";
    CString result;
    int nCount = 0;
    int nPos = 0;
    for (int nHit = Find(pszOld); nHit >= 0; nHit = Find(pszOld, nPos)) {
        result.Append(m_pchData + nPos, nHit - nPos);
        result += pszNew;
        nPos = nHit + nOldLen;
        ++nCount;
    }
    if (nCount) {
        result.Append(m_pchData + nPos, m_nDataLength - nPos);
        *this = static_cast<CString&&>(result);
    }
    return nCount;
}

int CString::Insert(int nIndex, LPCSTR psz)
{
    nIndex = ClampLength(nIndex);
    if (nIndex > m_nDataLength)
        nIndex = m_nDataLength;
    CString result(m_pchData, nIndex);
    result += psz;
    result.Append(m_pchData + nIndex, m_nDataLength - nIndex);
    *this = static_cast<CString&&>(result);
    return m_nDataLength;
}

int CString::Insert(int nIndex, char ch)
{
    char sz[2] = {ch, '\0'};
    return Insert(nIndex, sz);
}

int CString::Delete(int nIndex, int nCount)
{
    nIndex = ClampLength(nIndex);
    if (nCount > 0 && nIndex < m_nDataLength) {
        if (nCount > m_nDataLength - nIndex)
            nCount = m_nDataLength - nIndex;
        memmove(m_pchData + nIndex, m_pchData + nIndex + nCount, m_nDataLength - nIndex - nCount + 1);
        m_nDataLength -= nCount;
    }
    return m_nDataLength;
}

int CString::Remove(char ch)
{
    int nKept = 0;
    for (int i = 0; i < m_nDataLength; ++i)
        if (m_pchData[i] != ch)
            m_pchData[nKept++] = m_pchData[i];
    int nRemoved = m_nDataLength - nKept;
    m_nDataLength = nKept;
    if (m_pchData)
        m_pchData[nKept] = '\0';
    return nRemoved;
}

void CString::FormatV(LPCSTR pszFormat, va_list args)
{
    CString result;
    va_list measure;
    va_copy(measure, args);
    int nNeeded = vsnprintf(nullptr, 0, pszFormat, measure);
    va_end(measure);
    if (nNeeded > 0) {
        LPSTR p = result.GetBuffer(nNeeded);
        vsnprintf(p, static_cast<size_t>(nNeeded) + 1, pszFormat, args);
        result.ReleaseBuffer(nNeeded);
    }
    *this = static_cast<CString&&>(result);
}

void CString::Format(LPCSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormat(LPCSTR pszFormat, ...)
{
    CString tail;
    va_list args;
    va_start(args, pszFormat);
    tail.FormatV(pszFormat, args);
    va_end(args);
    *this += tail;
}

BOOL CString::LoadString(UINT nID)
{
    // A string-table entry is at most 65535 characters; grow until it fits.
    for (int nSize = 256; nSize <= 65536; nSize *= 4) {
        LPSTR p = GetBuffer(nSize);
        int n = ::LoadStringA(AfxGetResourceHandle(), nID, p, nSize + 1);
        if (n < nSize) {
            ReleaseBuffer(n);
            return n > 0;
        }
    }
    ReleaseBuffer();
    return TRUE;
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    Reserve(nMinBufLength > m_nDataLength ? nMinBufLength : m_nDataLength);
    return m_pchData;
}

LPSTR CString::GetBufferSetLength(int nNewLength)
{
    nNewLength = ClampLength(nNewLength);
    GetBuffer(nNewLength);
    m_nDataLength = nNewLength;
    m_pchData[nNewLength] = '\0';
    return m_pchData;
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (!m_pchData)
        return;
    if (nNewLength < 0)
        nNewLength = static_cast<int>(strnlen(m_pchData, static_cast<size_t>(m_nAllocLength) + 1));
    if (nNewLength > m_nAllocLength)
        nNewLength = m_nAllocLength;
    m_nDataLength = nNewLength;
    m_pchData[nNewLength] = '\0';
}

CString operator+(const CString& a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, LPCSTR b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(LPCSTR a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, char b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(char a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

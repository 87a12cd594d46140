// CString: the multi-byte, heap-backed string the whole program and Tesmaro share.
// Empty strings own no buffer, so a string made in one module may be freed in another
// (both use msvcrt's heap) without any module-local sentinel being involved.
// A string that would grow past the longest length an int holds, or cannot get its memory,
// throws std::bad_alloc and is left as it was.
#pragma once

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>

#define CSTRING_PRINTF_FORMAT(fmt, args) __attribute__((format(__MINGW_PRINTF_FORMAT, fmt, args)))

class CString
{
public:
    CString();
    CString(const CString& other);
    CString(CString&& other) noexcept;
    CString(LPCSTR psz);
    CString(LPCSTR pch, int nLength);
    CString(char ch, int nRepeat = 1);
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(LPCSTR psz);
    CString& operator=(char ch);

    int GetLength() const { return m_nDataLength; }
    BOOL IsEmpty() const { return m_nDataLength == 0; }
    void Empty();

    char GetAt(int nIndex) const;
    void SetAt(int nIndex, char ch);
    char operator[](int nIndex) const { return GetAt(nIndex); }
    operator LPCSTR() const { return m_pchData ? m_pchData : ""; }

    CString& operator+=(const CString& other);
    CString& operator+=(LPCSTR psz);
    CString& operator+=(char ch);

    // Case-sensitive and case-insensitive ordering: <0, 0, >0.
    int Compare(LPCSTR psz) const;
    int CompareNoCase(LPCSTR psz) const;

    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    CString& MakeUpper();
    CString& MakeLower();

    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim(char chTarget);
    CString& TrimLeft(char chTarget);
    CString& TrimRight(char chTarget);

    // -1 when not found; a start beyond the end finds nothing.
    int Find(char ch, int nStart = 0) const;
    int Find(LPCSTR pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;

    int Replace(char chOld, char chNew);
    int Replace(LPCSTR pszOld, LPCSTR pszNew);
    int Insert(int nIndex, LPCSTR psz);
    int Insert(int nIndex, char ch);
    int Delete(int nIndex, int nCount = 1);
    int Remove(char ch);

    void Format(LPCSTR pszFormat, ...) CSTRING_PRINTF_FORMAT(2, 3);
    void FormatV(LPCSTR pszFormat, va_list args);
    void AppendFormat(LPCSTR pszFormat, ...) CSTRING_PRINTF_FORMAT(2, 3);

    // Loads a string-table entry from the current resource module.
    BOOL LoadString(UINT nID);

    // Hands out a writable buffer of at least nMinBufLength characters plus the NUL;
    // ReleaseBuffer(-1) takes the length from the NUL.
    LPSTR GetBuffer(int nMinBufLength = 0);
    LPSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    void Reserve(int nCapacity);
    void Assign(LPCSTR pch, int nLength);
    void Append(LPCSTR pch, int nLength);

    LPSTR m_pchData;
    int m_nDataLength;
    int m_nAllocLength;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCSTR b);
CString operator+(LPCSTR a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

inline bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
inline bool operator==(const CString& a, LPCSTR b) { return a.Compare(b) == 0; }
inline bool operator==(LPCSTR a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
inline bool operator!=(const CString& a, LPCSTR b) { return a.Compare(b) != 0; }
inline bool operator!=(LPCSTR a, const CString& b) { return b.Compare(a) != 0; }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
inline bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }

// Reads the "FileVersion" text of a file's version resource through version.dll.
#include "ProductVersion.h"

#include "LocalPath.h"

#include <limits.h>
#include <string.h>

namespace {

// The same offset inside a copied block; null when p is not inside the source block.
template <typename T> T* Repoint(T* p, const BYTE* pFrom, DWORD dwSize, BYTE* pTo)
{
    const BYTE* pByte = reinterpret_cast<const BYTE*>(p);
    if (!p || !pFrom || !pTo || pByte < pFrom || pByte >= pFrom + dwSize)
        return nullptr;
    return reinterpret_cast<T*>(pTo + (pByte - pFrom));
}

// Value of the digits the text starts with; beyond a long's range it saturates at LONG_MAX.
long LeadingDigitsToLong(const CString& strText)
{
    long long value = 0;
    for (int i = 0; i < strText.GetLength() && strText[i] >= '0' && strText[i] <= '9'; ++i) {
        value = value * 10 + (strText[i] - '0');
        if (value > LONG_MAX)
            return LONG_MAX;
    }
    return static_cast<long>(value);
}

} // namespace

CProductVersion::CProductVersion()
    : m_lFileVersion(0), m_dwVersionInfoSize(0), m_pVersionInfo(nullptr), m_pFixedFileInfo(nullptr),
      m_pTranslation(nullptr)
{
}

CProductVersion::CProductVersion(const CProductVersion& other)
    : m_strFileVersion(other.m_strFileVersion), m_lFileVersion(other.m_lFileVersion), m_dwVersionInfoSize(0),
      m_pVersionInfo(nullptr), m_pFixedFileInfo(nullptr), m_strFilePath(other.m_strFilePath), m_pTranslation(nullptr)
{
    if (other.m_pVersionInfo) {
        m_pVersionInfo = new BYTE[other.m_dwVersionInfoSize];
        memcpy(m_pVersionInfo, other.m_pVersionInfo, other.m_dwVersionInfoSize);
        m_dwVersionInfoSize = other.m_dwVersionInfoSize;
        m_pFixedFileInfo = Repoint(other.m_pFixedFileInfo, other.m_pVersionInfo, m_dwVersionInfoSize, m_pVersionInfo);
        m_pTranslation = Repoint(other.m_pTranslation, other.m_pVersionInfo, m_dwVersionInfoSize, m_pVersionInfo);
    }
}

CProductVersion& CProductVersion::operator=(const CProductVersion& other)
{
    if (this == &other)
        return *this;
    // Allocate first: a failed allocation leaves this object as it was.
    BYTE* pBlock = nullptr;
    if (other.m_pVersionInfo) {
        pBlock = new BYTE[other.m_dwVersionInfoSize];
        memcpy(pBlock, other.m_pVersionInfo, other.m_dwVersionInfoSize);
    }
    delete[] m_pVersionInfo;
    m_pVersionInfo = pBlock;
    m_dwVersionInfoSize = pBlock ? other.m_dwVersionInfoSize : 0;
    m_pFixedFileInfo = Repoint(other.m_pFixedFileInfo, other.m_pVersionInfo, m_dwVersionInfoSize, pBlock);
    m_pTranslation = Repoint(other.m_pTranslation, other.m_pVersionInfo, m_dwVersionInfoSize, pBlock);
    m_strFileVersion = other.m_strFileVersion;
    m_lFileVersion = other.m_lFileVersion;
    m_strFilePath = other.m_strFilePath;
    return *this;
}

CProductVersion::~CProductVersion()
{
    delete[] m_pVersionInfo;
}

CString CProductVersion::GetProductVersion(CString strPath)
{
    m_strFileVersion.Empty();
    m_strFilePath = strPath;
    if (!GetFileData())
        return CString();
    if (GetVersionInfo())
        GetVersionString();
    return m_strFileVersion;
}

long CProductVersion::GetProductVersionLong(CString strPath)
{
    CString strText = GetProductVersion(strPath);
    strText.Trim();
    // Dots go first, then blanks, then commas, one at a time from the right.
    for (;;) {
        int nAt = strText.ReverseFind('.');
        if (nAt < 0)
            nAt = strText.ReverseFind(' ');
        if (nAt < 0)
            nAt = strText.ReverseFind(',');
        if (nAt < 0)
            break;
        strText.Delete(nAt);
    }
    m_lFileVersion = LeadingDigitsToLong(strText);
    return m_lFileVersion;
}

int CProductVersion::GetFileData()
{
    if (!IsLocalPath(m_strFilePath))
        return 0;
    DWORD dwHandle = 0;
    DWORD dwSize = GetFileVersionInfoSizeA(m_strFilePath, &dwHandle);
    if (dwSize == 0)
        return 0;

    // The pointers into the old block go with it.
    m_pFixedFileInfo = nullptr;
    m_pTranslation = nullptr;
    delete[] m_pVersionInfo;
    m_pVersionInfo = nullptr;
    m_dwVersionInfoSize = 0;
    m_pVersionInfo = new BYTE[dwSize];
    m_dwVersionInfoSize = dwSize;
    return GetFileVersionInfoA(m_strFilePath, dwHandle, dwSize, m_pVersionInfo) ? 1 : 0;
}

int CProductVersion::GetVersionInfo()
{
    m_pFixedFileInfo = nullptr;
    m_pTranslation = nullptr;
    void* pFixed = nullptr;
    UINT uFixedLength = 0;
    if (!VerQueryValueA(m_pVersionInfo, "\\", &pFixed, &uFixedLength) || !pFixed ||
        uFixedLength < sizeof(VS_FIXEDFILEINFO))
        return 0;
    void* pTranslation = nullptr;
    UINT uTranslationLength = 0;
    if (!VerQueryValueA(m_pVersionInfo, "\\VarFileInfo\\Translation", &pTranslation, &uTranslationLength) ||
        !pTranslation || uTranslationLength < 2 * sizeof(WORD))
        return 0;
    m_pFixedFileInfo = static_cast<VS_FIXEDFILEINFO*>(pFixed);
    m_pTranslation = static_cast<WORD*>(pTranslation);
    return 1;
}

int CProductVersion::GetVersionString()
{
    m_strFileVersion.Empty();
    if (!m_pTranslation)
        return 0;
    CString strQuery;
    strQuery.Format("\\StringFileInfo\\%04x%04x\\%s", m_pTranslation[0], m_pTranslation[1], "FileVersion");
    void* pValue = nullptr;
    UINT uLength = 0;
    if (!VerQueryValueA(m_pVersionInfo, strQuery, &pValue, &uLength) || !pValue)
        return 0;
    const char* pszValue = static_cast<const char*>(pValue);
    m_strFileVersion = CString(pszValue, static_cast<int>(strnlen(pszValue, uLength)));
    return 1;
}

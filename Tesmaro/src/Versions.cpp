// Version texts and version arrays: one long per dotted part, at most four parts.
#include "Skelvar.h"

#include <limits.h>

namespace {

const int kVersionParts = 4;

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }
bool IsLetter(char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'); }

// Decimal value of a run of digits; a value beyond a long's range saturates at LONG_MAX.
long DigitsToLong(const CString& strDigits)
{
    long long value = 0;
    for (int i = 0; i < strDigits.GetLength(); ++i) {
        value = value * 10 + (strDigits[i] - '0');
        if (value > LONG_MAX)
            return LONG_MAX;
    }
    return static_cast<long>(value);
}

} // namespace

int CSkelvar::VersionStringToVersionArray(CString strVersion, long* plVersion)
{
    if (strVersion.IsEmpty() || !plVersion)
        return 0;

    CString strPart;
    int nParts = 0;
    // The terminating NUL is walked too: it closes the last part.
    for (int i = 0; i <= strVersion.GetLength() && nParts < kVersionParts; ++i) {
        char ch = strVersion.GetAt(i);
        if (IsDigit(ch)) {
            strPart += ch;
        } else if (IsLetter(ch)) {
            strPart.Empty();
        } else {
            if (!strPart.IsEmpty())
                plVersion[nParts++] = DigitsToLong(strPart);
            strPart.Empty();
        }
    }
    return nParts;
}

void CSkelvar::VersionStringToVersionLong(CString& strVersion, long& lVersion)
{
    CString strDigits;
    for (int i = 0; i < strVersion.GetLength(); ++i)
        if (IsDigit(strVersion[i]))
            strDigits += strVersion[i];
    strVersion = strDigits;
    lVersion = DigitsToLong(strDigits);
}

int CSkelvar::CompareVersion(const long* plA, const long* plB, int nCount)
{
    if (!plA || !plB)
        return 0;
    for (int i = 0; i < nCount; ++i) {
        if (plA[i] > plB[i])
            return 1;
        if (plA[i] < plB[i])
            return -1;
    }
    return 0;
}

bool CSkelvar::IsValidVersion(const long* plVersion, int nCount)
{
    if (!plVersion)
        return false;
    for (int i = 0; i < nCount; ++i)
        if (plVersion[i] > 0)
            return true;
    return false;
}

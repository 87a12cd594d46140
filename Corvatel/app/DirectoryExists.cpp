#include "DirectoryExists.h"

#include <CString.h>

bool DirectoryExists(const char* pszPath)
{
    if (!pszPath || !*pszPath)
        return false;
    CString strTrimmed(pszPath);
    strTrimmed.Trim();
    if (strTrimmed.GetLength() == 3 && strTrimmed.Right(2) == ":\\" && GetDriveTypeA(pszPath) != DRIVE_UNKNOWN)
        return true;
    DWORD dwAttributes = GetFileAttributesA(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

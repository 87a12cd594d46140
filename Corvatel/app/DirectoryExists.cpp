#include "DirectoryExists.h"

#include <CString.h>

bool DirectoryExists(const char* pszPath)
{
    if (!pszPath || !*pszPath)
        return false;
    CString strTrimmed(pszPath);
    strTrimmed.Trim();
    if (strTrimmed.GetLength() == 3 && strTrimmed.Right(2) == ":\\") {
        // A letter that names no drive has "no root directory", not an unknown type.
        UINT nType = GetDriveTypeA(strTrimmed);
        if (nType != DRIVE_UNKNOWN && nType != DRIVE_NO_ROOT_DIR)
            return true;
    }
    DWORD dwAttributes = GetFileAttributesA(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

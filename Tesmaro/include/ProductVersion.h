// CProductVersion: reads the "FileVersion" text from an executable's version resource, under the
// first language and code page its translation table lists. An empty text means the file or its
// version text is missing.
#pragma once

#include "TesmaroApi.h"
#include <CString.h>

#include <windows.h>

class TESMARO_API CProductVersion
{
public:
    CProductVersion();
    // Copies take their own copy of the version block; nothing is shared between objects.
    CProductVersion(const CProductVersion& other);
    CProductVersion& operator=(const CProductVersion& other);
    virtual ~CProductVersion();

    CString GetProductVersion(CString strPath);
    // The version text with its dots, blanks and commas removed, read as a decimal number.
    long GetProductVersionLong(CString strPath);

private:
    int GetFileData();
    int GetVersionInfo();
    int GetVersionString();

protected:
    CString m_strFileVersion;
    long m_lFileVersion;
    DWORD m_dwVersionInfoSize;
    BYTE* m_pVersionInfo;
    // Both point into m_pVersionInfo and are valid only while it is.
    VS_FIXEDFILEINFO* m_pFixedFileInfo;
    CString m_strFilePath;
    // Language id, then code page, of the first translation.
    WORD* m_pTranslation;
};

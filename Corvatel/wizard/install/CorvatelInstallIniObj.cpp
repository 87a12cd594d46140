#include "CorvatelInstallIniObj.h"

#include "Utilities.h"

#include <io.h>
#include <stdlib.h>

namespace {

const char kFileName[] = "Corvatel_Install.log";
const char kSection[] = "Install";
// A value is read into this many characters, its terminating zero included.
const DWORD kValueSize = 1000;

CString ReadValue(const CString& strPath, const char* pszKey)
{
    CString strValue;
    DWORD dwLength = GetPrivateProfileStringA(kSection, pszKey, "", strValue.GetBuffer(kValueSize), kValueSize, strPath);
    strValue.ReleaseBuffer(static_cast<int>(dwLength));
    return strValue;
}

} // namespace

CCorvatelInstallIniObj::CCorvatelInstallIniObj(CAppDetailsObj* pItem, CString strFolder)
    : m_bExists(false), m_bReboot(false), m_pItem(pItem)
{
    Read(strFolder);
}

CString CCorvatelInstallIniObj::GetFilePath(CString strFolder)
{
    CString strPath;
    strPath.Format("%s%s", static_cast<LPCSTR>(AddTrailingBackslash(strFolder)), kFileName);
    return strPath;
}

void CCorvatelInstallIniObj::Read(CString strFolder)
{
    CString strPath = GetFilePath(strFolder);
    if (_access(strPath, 0) != 0)
        return;
    m_bExists = true;
    m_bReboot = atoi(ReadValue(strPath, "Reboot")) > 0;
    m_strInfoMessage = ReadValue(strPath, "InfoMessage");
    m_strErrorMessage = ReadValue(strPath, "ErrorMessage");
    DeleteFileIfExists(strPath);
}

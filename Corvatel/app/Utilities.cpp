#include "Utilities.h"

#include "DirectoryExists.h"

#include <CFile.h>
#include <CRegKey.h>
#include <LocalPath.h>

#include <ctype.h>
#include <io.h>
#include <string.h>

#include <vector>

namespace {

struct PathParts
{
    CString strDrive;
    CString strFolder;
    CString strName;
    CString strExtension;
};

// Splits like the C runtime's path splitter, but into strings of any length, so an over-long
// folder or name comes back whole instead of overrunning a fixed buffer.
PathParts SplitPath(const char* pszPath)
{
    PathParts parts;
    if (!pszPath || !*pszPath)
        return parts;

    const char* p = pszPath;
    if (p[1] == ':' && !IsDBCSLeadByte(static_cast<BYTE>(p[0]))) {
        parts.strDrive = CString(p, 2);
        p += 2;
    }

    const char* pNameStart = p;
    const char* pLastDot = nullptr;
    const char* q = p;
    while (*q) {
        // A trail byte of a double-byte character may look like a backslash.
        if (IsDBCSLeadByte(static_cast<BYTE>(*q)) && q[1]) {
            q += 2;
            continue;
        }
        if (*q == '\\' || *q == '/') {
            pNameStart = q + 1;
            pLastDot = nullptr;
        } else if (*q == '.') {
            pLastDot = q;
        }
        ++q;
    }

    const char* pExtension = pLastDot ? pLastDot : q;
    parts.strFolder = CString(p, static_cast<int>(pNameStart - p));
    parts.strName = CString(pNameStart, static_cast<int>(pExtension - pNameStart));
    parts.strExtension = CString(pExtension);
    return parts;
}

// The path as Windows resolves it; empty when it does not resolve.
CString FullPath(const char* pszPath)
{
    DWORD dwSize = GetFullPathNameA(pszPath, 0, nullptr, nullptr);
    if (dwSize == 0)
        return CString();
    CString strFull;
    DWORD dwLength = GetFullPathNameA(pszPath, dwSize, strFull.GetBuffer(static_cast<int>(dwSize)), nullptr);
    strFull.ReleaseBuffer(dwLength < dwSize ? static_cast<int>(dwLength) : 0);
    return strFull;
}

// True for a path that Windows resolves to itself (it may give a drive letter in the other case).
bool IsResolved(const CString& strPath)
{
    CString strFull = FullPath(strPath);
    return !strFull.IsEmpty() && toupper(static_cast<unsigned char>(strFull[0])) ==
                                     toupper(static_cast<unsigned char>(strPath[0])) &&
           strcmp(static_cast<LPCSTR>(strFull) + 1, static_cast<LPCSTR>(strPath) + 1) == 0;
}

} // namespace

CString AddTrailingBackslash(CString strPath)
{
    // The last character, not the last byte: a double-byte character may end in 0x5C.
    LPCSTR psz = strPath;
    LPCSTR pszLast = CharPrevA(psz, psz + strPath.GetLength());
    if (strPath.IsEmpty() || pszLast != psz + strPath.GetLength() - 1 || *pszLast != '\\')
        strPath += '\\';
    return strPath;
}

CString GetFolderFromPath(const char* pszPath)
{
    PathParts parts = SplitPath(pszPath);
    return parts.strDrive + parts.strFolder;
}

CString GetFileNameFromPath(const char* pszPath)
{
    PathParts parts = SplitPath(pszPath);
    return parts.strName + parts.strExtension;
}

CString GetFileTitleFromPath(const char* pszPath)
{
    return SplitPath(pszPath).strName;
}

CString GetModuleFilePath()
{
    // A result that fills the buffer may have been cut short: try again with more room.
    for (DWORD dwSize = MAX_PATH; dwSize <= 32768; dwSize *= 2) {
        CString strPath;
        DWORD dwLength = GetModuleFileNameA(nullptr, strPath.GetBuffer(static_cast<int>(dwSize)), dwSize);
        if (dwLength < dwSize) {
            strPath.ReleaseBuffer(static_cast<int>(dwLength));
            return strPath;
        }
        strPath.ReleaseBuffer(0);
    }
    return CString();
}

CString GetModuleFolder()
{
    return GetFolderFromPath(GetModuleFilePath());
}

CString ReadRegistryString(const char* pszKey, const char* pszValue, CString strDefault)
{
    // Query access only: a user who may not write the key can still read it.
    CRegKey key;
    CString strText;
    if (key.Open(HKEY_LOCAL_MACHINE, pszKey, KEY_QUERY_VALUE) != ERROR_SUCCESS ||
        key.QueryStringValue(pszValue, strText, 260) != ERROR_SUCCESS)
        return strDefault;
    return strText;
}

int DeleteFileIfExists(CString strPath)
{
    if (_access(strPath, 0) == 0) {
        SetFileAttributeByte(strPath, 0);
        DeleteFileA(strPath);
    }
    return 1;
}

void SetFileAttributeByte(CString strPath, BYTE byAttribute)
{
    DWORD dwAttributes = GetFileAttributesA(strPath);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return;
    dwAttributes = (dwAttributes & ~0xFFu) | byAttribute;
    // No attribute at all is spelt "normal".
    SetFileAttributesA(strPath, dwAttributes ? dwAttributes : FILE_ATTRIBUTE_NORMAL);
}

bool ReadFileText(CFile& file, CString& strText)
{
    ULONGLONG ullLength = file.GetLength();
    if (ullLength > 0x7FFFFFFE)
        return false;
    UINT nRead = file.Read(strText.GetBuffer(static_cast<int>(ullLength)), static_cast<UINT>(ullLength));
    strText.ReleaseBuffer(static_cast<int>(nRead));
    // A file with bytes that gives none could not be read: that is no empty text.
    return ullLength == 0 || nRead > 0;
}

DWORD RenameFile(CString strOldPath, CString strNewPath)
{
    if (MoveFileExA(strOldPath, strNewPath, MOVEFILE_REPLACE_EXISTING))
        return ERROR_SUCCESS;
    return GetLastError();
}

bool IsRegularFile(const char* pszPath)
{
    // Without backup semantics a folder does not open; a device opens as something other than a disk file.
    HANDLE hFile = CreateFileA(pszPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    bool bDisk = GetFileType(hFile) == FILE_TYPE_DISK;
    CloseHandle(hFile);
    return bDisk;
}

bool IsSafeInQuotes(const char* pszValue)
{
    for (const char* p = pszValue; *p; ++p)
        if (*p == '"' || static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F)
            return false;
    // The last character, not the last byte: a double-byte character may end in 0x5C.
    const char* pszEnd = pszValue + strlen(pszValue);
    const char* pszLast = CharPrevA(pszValue, pszEnd);
    return pszLast == pszEnd || pszLast != pszEnd - 1 || *pszLast != '\\';
}

bool IsPlainDocumentName(const char* pszName)
{
    // The shell runs, or follows to something it runs, far more types than it shows: only
    // document types are opened.
    static const char* const kDocumentExtensions[] = {".txt", ".rtf", ".pdf", ".htm", ".html", ".doc", ".docx", ".xps"};
    size_t nLength = strlen(pszName);
    // Windows drops dots and blanks at a name's end, which would hide the extension that counts.
    if (nLength == 0 || strpbrk(pszName, "\\/:") || pszName[nLength - 1] == '.' || pszName[nLength - 1] == ' ' ||
        !IsSafeInQuotes(pszName) || IsReservedDeviceName(pszName))
        return false;
    const char* pszExtension = strrchr(pszName, '.');
    if (!pszExtension)
        return false;
    for (const char* pszDocument : kDocumentExtensions)
        if (_stricmp(pszExtension, pszDocument) == 0)
            return true;
    return false;
}

bool IsWebAddress(const char* pszAddress)
{
    const char* pszHost = nullptr;
    if (_strnicmp(pszAddress, "http://", 7) == 0)
        pszHost = pszAddress + 7;
    else if (_strnicmp(pszAddress, "https://", 8) == 0)
        pszHost = pszAddress + 8;
    if (!pszHost || *pszHost == '\0' || strchr("/\\?#:@", *pszHost))
        return false;
    // Blanks, quotes and controls would let the shell read the rest as something else.
    for (const unsigned char* psz = reinterpret_cast<const unsigned char*>(pszAddress); *psz; ++psz)
        if (*psz <= ' ' || *psz == '"' || *psz == 0x7F)
            return false;
    return true;
}

CString BuildProgramCommandLine(const CString& strFolder, const CString& strProgram, CString& strWhy)
{
    // Only the program's own text is split: a folder that holds ".exe" is still a folder.
    int nExe = strProgram.Find(".exe");
    CString strName = nExe > 0 ? strProgram.Left(nExe + 4) : strProgram;
    CString strFolderPath = AddTrailingBackslash(strFolder);
    if (strFolder.IsEmpty() || !IsLocalPath(strFolder) || !IsResolved(strFolderPath) || !DirectoryExists(strFolder)) {
        strWhy.Format("\"%s\" is not the full path of a folder on this PC", static_cast<LPCSTR>(strFolder));
        return CString();
    }
    CString strPath = strFolderPath + strName;
    if (strName.IsEmpty() || strpbrk(strName, "\\/:") || IsReservedDeviceName(strName) || !IsResolved(strPath) ||
        !IsSafeInQuotes(strPath) || !IsRegularFile(strPath)) {
        strWhy.Format("\"%s\" is not the name of a program file in \"%s\"", static_cast<LPCSTR>(strName),
                      static_cast<LPCSTR>(strFolder));
        return CString();
    }
    return "\"" + strPath + "\"" + strProgram.Mid(strName.GetLength());
}

int RunCommandLine(CString strCommandLine, CString strFolder, DWORD dwTimeout, bool bHide, bool bWait)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = bHide ? SW_HIDE : SW_SHOW;

    // CreateProcessA may write into the command line.
    const char* pszCommandLine = strCommandLine;
    std::vector<char> commandLine(pszCommandLine, pszCommandLine + strCommandLine.GetLength() + 1);

    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                        strFolder.IsEmpty() ? nullptr : static_cast<const char*>(strFolder), &startup, &process))
        return 1;

    if (bWait)
        WaitForSingleObject(process.hProcess, dwTimeout);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

void PumpWaitingMessages(HWND hWnd)
{
    MSG msg;
    while (PeekMessageA(&msg, hWnd, 0, 0, PM_REMOVE)) {
        // The quit request belongs to the thread's own message loop: put it back and stop.
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitServingSentMessages(HANDLE hObject, DWORD dwTimeout)
{
    DWORD nCount = hObject ? 1 : 0;
    DWORD dwStart = GetTickCount();
    for (;;) {
        DWORD dwElapsed = GetTickCount() - dwStart;
        DWORD dwWait = dwElapsed < dwTimeout ? dwTimeout - dwElapsed : 0;
        DWORD dwResult = MsgWaitForMultipleObjects(nCount, &hObject, FALSE, dwWait, QS_SENDMESSAGE);
        if (dwResult != WAIT_OBJECT_0 + nCount)
            return hObject && dwResult == WAIT_OBJECT_0;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void DeleteObListItems(CObList* pList)
{
    if (!pList)
        return;
    for (POSITION pos = pList->GetHeadPosition(); pos;)
        delete pList->GetNext(pos);
    pList->RemoveAll();
}

// Program-wide helpers: path splitting, file and registry access that never throws, running a
// command line, draining the message queue and emptying an owning object list. Apart from the
// whole-file read and the rename, none of them reports a failure; a caller that needs to know
// checks the result on disk.
#pragma once

#include <CObList.h>
#include <CString.h>
// IsReservedDeviceName, which the library asks too.
#include <LocalPath.h>

class CFile;

// The path with one backslash at its end; an empty path gives "\".
CString AddTrailingBackslash(CString strPath);

// Drive and folder of the path, ending with the folder's backslash; "" for a bare file name.
CString GetFolderFromPath(const char* pszPath);
// File name with its extension.
CString GetFileNameFromPath(const char* pszPath);
// File name without its extension.
CString GetFileTitleFromPath(const char* pszPath);

// Full path of the program file.
CString GetModuleFilePath();
// Folder of the program file, with its trailing backslash.
CString GetModuleFolder();

// A text value under HKEY_LOCAL_MACHINE, or the default when the key or value cannot be read.
CString ReadRegistryString(const char* pszKey, const char* pszValue, CString strDefault);

// Removes the file, read-only or not, when it exists. Always 1.
int DeleteFileIfExists(CString strPath);
// Replaces the low byte of the file's attributes (read-only, hidden, system, archive ...).
void SetFileAttributeByte(CString strPath, BYTE byAttribute);
// The rest of an open file into the text (a text-mode file with single line breaks); false when
// the file is too large for one string or cannot be read.
bool ReadFileText(CFile& file, CString& strText);
// Moves the file to its new name, over a file of that name. ERROR_SUCCESS when it moved, else the
// system's error code, both names then left as they were: a file that is there is no sign that the
// move took (the old one may be held open by another program).
DWORD RenameFile(CString strOldPath, CString strNewPath);
// True for a file on disk: not a folder, not a device such as NUL, not missing.
bool IsRegularFile(const char* pszPath);

// False when the text holds a double quote or a control character, either of which would end
// or break the quoted argument it is put into, or ends in a backslash, which would make the
// closing quote part of the argument.
bool IsSafeInQuotes(const char* pszValue);
// True for the bare name of a document in a folder: no folder, drive or stream, not a device,
// and a document type (.txt .rtf .pdf .htm .html .doc .docx .xps).
bool IsPlainDocumentName(const char* pszName);
// True for an http:// or https:// address naming a host: the only kind the shell is asked to open
// from the catalogue, since it would run a program, a share or another handler's address too.
bool IsWebAddress(const char* pszAddress);

// The command line that runs a program of the folder: the program's text is its file name (up to
// the first ".exe" in it, else the whole text) and then its arguments; the file's whole path comes
// quoted, the arguments after it. Empty, with the reason in strWhy, unless the folder is a folder on
// this PC written as Windows resolves it (no "." or ".." steps, devices or dropped dots and blanks)
// and the name that of a file in it.
CString BuildProgramCommandLine(const CString& strFolder, const CString& strProgram, CString& strWhy);

// Starts the command line in the working folder (the caller's when empty) and, when asked,
// waits up to dwTimeout ms for it to end. 0 when the process started, 1 when it did not.
int RunCommandLine(CString strCommandLine, CString strFolder, DWORD dwTimeout, bool bHide, bool bWait);

// Dispatches every message waiting for the window (null: for every window of the thread).
void PumpWaitingMessages(HWND hWnd);
// Waits up to dwTimeout ms for the object (null: the time only) while serving what other threads
// send this one, so a thread that sends it a message is never stuck on it. True when the object
// was signalled.
bool WaitServingSentMessages(HANDLE hObject, DWORD dwTimeout);

// Deletes every object of the list and empties it; a null list is left alone.
void DeleteObListItems(CObList* pList);

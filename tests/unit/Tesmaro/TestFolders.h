// Real folders for the tests: the fixture DLLs built beside the test program, and a scratch tree
// under the prefix's temp folder that goes away with the test.
#pragma once

#include <CString.h>

#include <gtest/gtest.h>

#include <string.h>
#include <windows.h>

inline CString FixtureModule(const char* pszName)
{
    char szPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    CString strPath(szPath);
    return strPath.Left(strPath.ReverseFind('\\') + 1) + pszName;
}

// Linked folders are removed, never entered.
inline void RemoveTree(const CString& strFolder)
{
    WIN32_FIND_DATAA found;
    HANDLE hFind = FindFirstFileA(strFolder + "\\*", &found);
    for (BOOL bMore = hFind != INVALID_HANDLE_VALUE; bMore; bMore = FindNextFileA(hFind, &found)) {
        CString strPath = strFolder + "\\" + found.cFileName;
        DWORD dwAttributes = found.dwFileAttributes;
        if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, ".."))
            continue;
        if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            RemoveTree(strPath);
        else if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryA(strPath);
        else
            DeleteFileA(strPath);
    }
    if (hFind != INVALID_HANDLE_VALUE)
        FindClose(hFind);
    RemoveDirectoryA(strFolder);
}

class CTempTree
{
public:
    // Named after the running test: ctest runs tests side by side in one prefix. The tree lies in
    // the temp folder, or in the given folder (ending in a backslash).
    explicit CTempTree(const char* pszBase = nullptr)
    {
        char szTemp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, szTemp);
        m_strRoot.Format("%sQuendarTest-%lu-%s", pszBase ? pszBase : szTemp, GetCurrentProcessId(),
                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        EXPECT_TRUE(CreateDirectoryA(m_strRoot, nullptr)) << m_strRoot;
    }
    ~CTempTree() { RemoveTree(m_strRoot); }
    CTempTree(const CTempTree&) = delete;
    CTempTree& operator=(const CTempTree&) = delete;

    // Without a trailing backslash.
    const CString& Root() const { return m_strRoot; }
    CString Path(const char* pszRelative) const { return m_strRoot + "\\" + pszRelative; }

    // Creates the folder and those above it.
    CString MakeFolder(const char* pszRelative) const
    {
        CString strRelative(pszRelative);
        for (int n = strRelative.Find('\\'); n >= 0; n = strRelative.Find('\\', n + 1))
            CreateDirectoryA(Path(strRelative.Left(n)), nullptr);
        EXPECT_TRUE(CreateDirectoryA(Path(pszRelative), nullptr)) << pszRelative;
        return Path(pszRelative);
    }

    // A folder of that many empty files, for searches that walk many entries.
    CString MakeFullFolder(const char* pszRelative, int nFiles) const
    {
        CString strFolder = MakeFolder(pszRelative);
        for (int i = 0; i < nFiles; ++i) {
            CString strName;
            strName.Format("%s\\%05d.txt", pszRelative, i);
            WriteText(strName, "");
        }
        return strFolder;
    }

    CString CopyModule(const char* pszFixture, const char* pszRelative) const
    {
        EXPECT_TRUE(CopyFileA(FixtureModule(pszFixture), Path(pszRelative), FALSE)) << pszFixture;
        return Path(pszRelative);
    }

    CString WriteText(const char* pszRelative, const char* pszText) const
    {
        HANDLE hFile = CreateFileA(Path(pszRelative), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD dwWritten = 0;
        EXPECT_TRUE(WriteFile(hFile, pszText, static_cast<DWORD>(strlen(pszText)), &dwWritten, nullptr)) << pszRelative;
        CloseHandle(hFile);
        return Path(pszRelative);
    }

private:
    CString m_strRoot;
};

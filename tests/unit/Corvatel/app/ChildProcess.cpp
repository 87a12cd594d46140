// A child for the process tests: sleeps the given milliseconds, then writes how it was started
// (working folder, show state) to the file named second. The file appears whole or not at all.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    Sleep(static_cast<DWORD>(atoi(argv[1])));

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    char szFolder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, szFolder);

    std::string partial = std::string(argv[2]) + ".part";
    FILE* pFile = fopen(partial.c_str(), "w");
    if (!pFile)
        return 3;
    fprintf(pFile, "folder=%s\nshow=%u\nflags=%lu\n", szFolder, startup.wShowWindow, startup.dwFlags);
    fclose(pFile);
    return MoveFileA(partial.c_str(), argv[2]) ? 0 : 4;
}

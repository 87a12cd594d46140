#include "SshLibrary.h"

#include <libssh2.h>

int SshLibraryStartup()
{
    static const int s_nResult = libssh2_init(0);
    return s_nResult;
}

void SshLibraryCleanup()
{
    if (SshLibraryStartup() == 0)
        libssh2_exit();
}

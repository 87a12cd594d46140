#include "SshLibrary.h"

#include <libssh2.h>

#include <mutex>

namespace {

std::mutex s_lock;
int s_nUsers = 0;

} // namespace

int SshLibraryStartup()
{
    std::lock_guard<std::mutex> guard(s_lock);
    if (s_nUsers == 0) {
        const int nResult = libssh2_init(0);
        if (nResult != 0)
            return nResult;
    }
    ++s_nUsers;
    return 0;
}

void SshLibraryCleanup()
{
    std::lock_guard<std::mutex> guard(s_lock);
    if (s_nUsers > 0 && --s_nUsers == 0)
        libssh2_exit();
}

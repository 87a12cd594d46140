// libssh2 and its crypto are started once per process and ended once at shutdown: the library's
// own start-up and clean-up are not safe when several threads connect at the same moment.
#pragma once

// Starts the library on the first call; every call returns that start's result (0 on success).
int SshLibraryStartup();
// Ends the library; no connection may be made afterwards.
void SshLibraryCleanup();

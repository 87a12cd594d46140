// libssh2 and its crypto, started by their first user and ended by their last: the program holds
// a reference for its whole run and each session one more, so the library ends only after the last
// session is freed, on whichever thread that happens. The library's own start-up and clean-up are
// not safe when several threads connect or close at the same moment; these are.
#pragma once

// Takes a reference, starting the library when there was none: 0 on success, else the library's
// start-up result and no reference taken.
int SshLibraryStartup();
// Gives a reference back; the last one ends the library.
void SshLibraryCleanup();

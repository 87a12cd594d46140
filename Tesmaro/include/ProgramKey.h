// The program's registry key under HKEY_LOCAL_MACHINE: the download and install folders, and
// what the program remembers of its download server.
#pragma once

#define CORVATEL_PROGRAM_KEY "SOFTWARE\\Quendar Electronics Inc.\\Quendar Corvatel"

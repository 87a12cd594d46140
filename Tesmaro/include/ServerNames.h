// The maker's servers as the program knows them by default.
#pragma once

// Shown in the connect dialog when no server name is given, and the default download host.
#define QUENDAR_DOWNLOAD_HOST "sftp.quendar.com"
// The maker's web site, named when the catalogue server cannot be reached.
#define QUENDAR_WEB_SITE "www.quendar.com"

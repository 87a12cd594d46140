// The download server's host key, pinned on first use: the SHA-256 fingerprint of the key the
// server first presented is kept under the program's registry key, one value per host and port,
// in the machine's hive or, where that cannot be written, the user's own; a server that later
// presents another key is refused.
#pragma once

#include <string>

typedef struct _LIBSSH2_SESSION LIBSSH2_SESSION;

// "SHA256:" and the unpadded base64 of the session's host-key hash, as OpenSSH shows it;
// empty when the session has no host key yet.
std::string HostKeyFingerprint(LIBSSH2_SESSION* pSession);

// Pins are read from HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER. True when either pin matches the
// fingerprint, or neither exists: the fingerprint is then pinned in the first hive that can be
// written, and when none can, true with strError saying so, for the log. False with the refusal
// text when either pin differs or cannot be read, or the fingerprint is empty.
bool CheckPinnedHostKey(const std::string& strHost, unsigned short nPort, const std::string& strFingerprint,
                        std::string& strError);

// The registry key (under either hive) and value that hold the pin of host and port.
extern const char kHostKeysKey[];
std::string HostKeyValueName(const std::string& strHost, unsigned short nPort);

// The download server's host key, pinned on first use: the SHA-256 fingerprint of the key the
// server first presented is kept under the program's registry key, one value per host and port,
// and a server that later presents another key is refused.
#pragma once

#include <string>

typedef struct _LIBSSH2_SESSION LIBSSH2_SESSION;

// "SHA256:" and the unpadded base64 of the session's host-key hash, as OpenSSH shows it;
// empty when the session has no host key yet.
std::string HostKeyFingerprint(LIBSSH2_SESSION* pSession);

// True when the fingerprint is the one pinned for host and port, or none was pinned (it is then
// pinned, when the registry can be written). False with the refusal text when another key was pinned.
bool CheckPinnedHostKey(const std::string& strHost, unsigned short nPort, const std::string& strFingerprint,
                        std::string& strError);

// The registry key and value that hold the pin of host and port.
extern const char kHostKeysKey[];
std::string HostKeyValueName(const std::string& strHost, unsigned short nPort);

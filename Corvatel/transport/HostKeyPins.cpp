#include "HostKeyPins.h"

#include <ProgramKey.h>

#include <winsock2.h>

#include <libssh2.h>
#include <openssl/evp.h>

#include <algorithm>
#include <ctype.h>

const char kHostKeysKey[] = CORVATEL_PROGRAM_KEY "\\HostKeys";

namespace {

const size_t kSha256Size = 32;

bool ReadPin(const std::string& strValueName, std::string& strPin)
{
    char szPin[128] = {};
    DWORD dwSize = sizeof(szPin) - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kHostKeysKey, strValueName.c_str(), RRF_RT_REG_SZ, nullptr, szPin, &dwSize) !=
        ERROR_SUCCESS)
        return false;
    strPin = szPin;
    return true;
}

// A machine where the key cannot be written (no administrator rights) keeps connecting as before.
void WritePin(const std::string& strValueName, const std::string& strPin)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kHostKeysKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(hKey, strValueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(strPin.c_str()),
                   static_cast<DWORD>(strPin.size() + 1));
    RegCloseKey(hKey);
}

} // namespace

std::string HostKeyFingerprint(LIBSSH2_SESSION* pSession)
{
    const char* pHash = libssh2_hostkey_hash(pSession, LIBSSH2_HOSTKEY_HASH_SHA256);
    if (!pHash)
        return std::string();
    unsigned char szBase64[4 * ((kSha256Size + 2) / 3) + 1] = {};
    int nLength = EVP_EncodeBlock(szBase64, reinterpret_cast<const unsigned char*>(pHash), kSha256Size);
    std::string strBase64(reinterpret_cast<const char*>(szBase64), nLength);
    strBase64.erase(strBase64.find_last_not_of('=') + 1);
    return "SHA256:" + strBase64;
}

std::string HostKeyValueName(const std::string& strHost, unsigned short nPort)
{
    std::string strName = strHost;
    std::transform(strName.begin(), strName.end(), strName.begin(), [](unsigned char ch) { return tolower(ch); });
    return strName + ":" + std::to_string(nPort);
}

bool CheckPinnedHostKey(const std::string& strHost, unsigned short nPort, const std::string& strFingerprint,
                        std::string& strError)
{
    const std::string strValueName = HostKeyValueName(strHost, nPort);
    std::string strPin;
    if (!ReadPin(strValueName, strPin)) {
        WritePin(strValueName, strFingerprint);
        return true;
    }
    if (strPin == strFingerprint)
        return true;
    strError = "Host key for " + strHost + " has changed (" + strFingerprint +
               "). The download was refused to protect this computer.";
    return false;
}

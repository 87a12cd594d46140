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
const char kRefused[] = ". The download was refused to protect this computer.";

// Where pins are looked for, in order; a new pin goes to the first that can be written.
const struct
{
    HKEY hRoot;
    const char* pszName;
} kPinHives[] = {{HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}, {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"}};

enum class PinState
{
    Missing,
    Read,
    Unreadable, // too long, not a string, or the key cannot be read: nothing to trust
};

PinState ReadPin(HKEY hRoot, const std::string& strValueName, std::string& strPin)
{
    // One byte short of the buffer, so the text ends in a NUL whatever the data holds.
    char szPin[128] = {};
    DWORD dwSize = sizeof(szPin) - 1;
    const LSTATUS nResult =
        RegGetValueA(hRoot, kHostKeysKey, strValueName.c_str(), RRF_RT_REG_SZ, nullptr, szPin, &dwSize);
    if (nResult == ERROR_FILE_NOT_FOUND)
        return PinState::Missing;
    if (nResult != ERROR_SUCCESS)
        return PinState::Unreadable;
    strPin = szPin;
    return PinState::Read;
}

bool WritePin(HKEY hRoot, const std::string& strValueName, const std::string& strPin)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(hRoot, kHostKeysKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return false;
    const LSTATUS nResult = RegSetValueExA(hKey, strValueName.c_str(), 0, REG_SZ,
                                           reinterpret_cast<const BYTE*>(strPin.c_str()),
                                           static_cast<DWORD>(strPin.size() + 1));
    RegCloseKey(hKey);
    return nResult == ERROR_SUCCESS;
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
    if (strFingerprint.empty()) {
        strError = "Host key for " + strHost + " cannot be read from the server" + kRefused;
        return false;
    }
    const std::string strValueName = HostKeyValueName(strHost, nPort);
    bool bPinned = false;
    for (const auto& hive : kPinHives) {
        std::string strPin;
        switch (ReadPin(hive.hRoot, strValueName, strPin)) {
        case PinState::Missing:
            break;
        case PinState::Unreadable:
            strError = "Host key pinned for " + strHost + " cannot be read (" + hive.pszName + "\\" + kHostKeysKey +
                       "\\" + strValueName + ")" + kRefused;
            return false;
        case PinState::Read:
            if (strPin != strFingerprint) {
                strError = "Host key for " + strHost + " has changed (" + strFingerprint + ")" + kRefused;
                return false;
            }
            bPinned = true;
            break;
        }
    }
    if (bPinned)
        return true;
    for (const auto& hive : kPinHives)
        if (WritePin(hive.hRoot, strValueName, strFingerprint))
            return true;
    strError = "Host key for " + strHost + " (" + strFingerprint +
               ") could not be pinned: neither HKEY_LOCAL_MACHINE nor HKEY_CURRENT_USER can be written.";
    return true;
}

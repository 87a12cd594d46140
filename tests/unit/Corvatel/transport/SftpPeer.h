// The SFTP test peer as the transport tests see it: the loopback sshd servers and fault proxy that
// scripts/test starts (tests/e2e/peers/sshd_peer.sh) and describes in CORVATEL_SFTP_* variables,
// and the served folder reached through wine's Z: drive.
#pragma once

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace SftpPeer {

inline std::string Setting(const char* pszName)
{
    const char* pszValue = getenv((std::string("CORVATEL_SFTP_") + pszName).c_str());
    EXPECT_TRUE(pszValue && *pszValue) << "CORVATEL_SFTP_" << pszName
                                       << " is not set: run the tests through scripts/test";
    return pszValue ? pszValue : "";
}

// A listener by name: PASSWORD, KBDINT, PUBLICKEY, NONE, STOCK (password, with OpenSSH's default
// MaxStartups), STALL, DROP, REFUSE, PASS, SILENT (never sends a byte), TRICKLE (an empty line every
// 5 s, never a greeting) or FULL (never answers a connect).
inline unsigned short Port(const char* pszListener)
{
    return static_cast<unsigned short>(atoi(Setting((std::string("PORT_") + pszListener).c_str()).c_str()));
}

// A host path as wine's programs reach it.
inline std::string WindowsPath(std::string strPath)
{
    for (char& ch : strPath)
        if (ch == '/')
            ch = '\\';
    return "Z:" + strPath;
}

// Where a file served under this name lies.
inline std::string ServedPath(const std::string& strName)
{
    return WindowsPath(Setting("HOME")) + "\\" + strName;
}

// Writes a served file of the given size, each byte chosen by its offset and the seed.
inline void WriteServedFile(const std::string& strName, unsigned long long ullSize, unsigned nSeed = 7)
{
    FILE* pFile = fopen(ServedPath(strName).c_str(), "wb");
    ASSERT_NE(pFile, nullptr) << ServedPath(strName);
    std::vector<unsigned char> block(1 << 20);
    for (unsigned long long ullDone = 0; ullDone < ullSize;) {
        size_t nSize = static_cast<size_t>(std::min<unsigned long long>(block.size(), ullSize - ullDone));
        for (size_t i = 0; i < nSize; ++i)
            block[i] = static_cast<unsigned char>(((ullDone + i) * 2654435761u + nSeed) >> 13);
        fwrite(block.data(), 1, nSize, pFile);
        ullDone += nSize;
    }
    fclose(pFile);
}

// The file's MD5 in hex; empty when it cannot be read.
inline std::string Md5OfFile(const std::string& strPath)
{
    FILE* pFile = fopen(strPath.c_str(), "rb");
    if (!pFile)
        return std::string();
    EVP_MD_CTX* pContext = EVP_MD_CTX_new();
    EVP_DigestInit_ex(pContext, EVP_md5(), nullptr);
    std::vector<unsigned char> block(1 << 20);
    size_t nRead;
    while ((nRead = fread(block.data(), 1, block.size(), pFile)) > 0)
        EVP_DigestUpdate(pContext, block.data(), nRead);
    fclose(pFile);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int nDigest = 0;
    EVP_DigestFinal_ex(pContext, digest, &nDigest);
    EVP_MD_CTX_free(pContext);
    std::string strHex;
    char szByte[3];
    for (unsigned int i = 0; i < nDigest; ++i) {
        snprintf(szByte, sizeof(szByte), "%02x", digest[i]);
        strHex += szByte;
    }
    return strHex;
}

inline long long FileSize(const std::string& strPath)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(strPath.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace SftpPeer

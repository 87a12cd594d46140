// Times one SFTP download from the loopback sshd and prints one line: bytes received,
// milliseconds, MB/s (10^6 bytes), the process's peak working set in MiB, and when the download
// began and ended (Unix time, ms: several downloads side by side are timed together).
//   SftpBench manager HOST PORT USER PASSWORD REMOTE LOCAL   the program's own CFtpMgr and CCrypto
//   SftpBench bare    HOST PORT USER PASSWORD REMOTE LOCAL   a bare libssh2 loop: same library,
//                                                             block size and socket options
#include <winsock2.h>
#include <ws2tcpip.h>

#include <libssh2.h>
#include <libssh2_sftp.h>

#include "FtpMgr.h"

#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>

namespace {

const size_t kBlockSize = 131072;

double PeakWorkingSetMiB()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024 * 1024);
}

bool ReceiveWithManager(char** argv)
{
    CFtpMgr manager(nullptr);
    if (!manager.Open(argv[2], static_cast<unsigned short>(atoi(argv[3])), argv[4], argv[5]) ||
        !manager.Receive(argv[6], argv[7])) {
        fprintf(stderr, "%s\n", static_cast<LPCSTR>(manager.m_strLastError));
        return false;
    }
    return true;
}

bool ReceiveBare(char** argv)
{
    WSADATA wsaData;
    WSAStartup(MAKEWORD(2, 0), &wsaData);
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pAddress = nullptr;
    if (getaddrinfo(argv[2], argv[3], &hints, &pAddress) != 0)
        return false;
    SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    BOOL bNoDelay = TRUE;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&bNoDelay), sizeof(bNoDelay));
    bool bDone = connect(sock, pAddress->ai_addr, static_cast<int>(pAddress->ai_addrlen)) == 0;
    freeaddrinfo(pAddress);
    libssh2_init(0);
    LIBSSH2_SESSION* pSession = libssh2_session_init();
    libssh2_session_set_blocking(pSession, 1);
    LIBSSH2_SFTP* pSftp = nullptr;
    LIBSSH2_SFTP_HANDLE* pHandle = nullptr;
    FILE* pFile = fopen(argv[7], "wb");
    bDone = bDone && pFile && libssh2_session_handshake(pSession, sock) == 0 &&
            libssh2_userauth_password(pSession, argv[4], argv[5]) == 0 &&
            (pSftp = libssh2_sftp_init(pSession)) != nullptr &&
            (pHandle = libssh2_sftp_open(pSftp, argv[6], LIBSSH2_FXF_READ, 0)) != nullptr;
    std::unique_ptr<char[]> pBuffer(new char[kBlockSize]);
    ssize_t nRead;
    while (bDone && (nRead = libssh2_sftp_read(pHandle, pBuffer.get(), kBlockSize)) != 0) {
        bDone = nRead > 0 && fwrite(pBuffer.get(), 1, static_cast<size_t>(nRead), pFile) == static_cast<size_t>(nRead);
    }
    if (pFile)
        fclose(pFile);
    if (pHandle)
        libssh2_sftp_close_handle(pHandle);
    if (pSftp)
        libssh2_sftp_shutdown(pSftp);
    libssh2_session_disconnect(pSession, "Normal Shutdown");
    libssh2_session_free(pSession);
    closesocket(sock);
    libssh2_exit();
    WSACleanup();
    if (!bDone)
        fprintf(stderr, "the bare libssh2 download failed\n");
    return bDone;
}

ULONGLONG UnixMs()
{
    FILETIME time = {};
    GetSystemTimeAsFileTime(&time);
    return ((static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime) - 116444736000000000ULL) / 10000;
}

} // namespace

int main(int argc, char** argv)
{
    const bool bManager = argc == 8 && strcmp(argv[1], "manager") == 0;
    if (argc != 8 || (!bManager && strcmp(argv[1], "bare") != 0)) {
        fprintf(stderr, "usage: SftpBench manager|bare HOST PORT USER PASSWORD REMOTE LOCAL\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    const ULONGLONG ullBegan = UnixMs();
    QueryPerformanceCounter(&start);
    if (!(bManager ? ReceiveWithManager(argv) : ReceiveBare(argv)))
        return 1;
    QueryPerformanceCounter(&end);
    const ULONGLONG ullEnded = UnixMs();

    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(argv[7], GetFileExInfoStandard, &data);
    const double dBytes = static_cast<double>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    const double dSeconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    printf("%.0f %.0f %.1f %.1f %llu %llu\n", dBytes, dSeconds * 1000.0, dBytes / 1e6 / dSeconds, PeakWorkingSetMiB(),
           ullBegan, ullEnded);
    return 0;
}

// The name lookup of a connection, bounded in time: the system's lookup cannot be interrupted, so
// it runs on a thread of its own, which the caller leaves behind on abort or past the limit; that
// thread then frees what it found by itself.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <string>

// The first address found, with the socket family, type and protocol that go with it.
struct CFoundAddress
{
    int nFamily;
    int nType;
    int nProtocol;
    int nLength;
    sockaddr_storage address;
};

// Looks up an IPv4 TCP address of host and port: 0 with the first address found, else the lookup's
// code (WSATRY_AGAIN past the limit, WSAEINTR on abort).
int LookUpAddress(const std::string& strHost, unsigned short nPort, const std::atomic<bool>& bAbort,
                  CFoundAddress& found);

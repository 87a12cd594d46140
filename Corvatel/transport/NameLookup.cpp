#include "NameLookup.h"

#include <string.h>

#include <algorithm>
#include <memory>

namespace {

// A slow name server holds the lookup up to this long, inside the session's login limit, which
// runs from before it; a connect gets its own limit after it.
const unsigned long long kLookupLimitMs = 15000;
const DWORD kAbortPollMs = 250;

// What the caller and the lookup's thread share; the last of the two to let go frees it. The
// thread writes the result before it raises the event, and the caller reads it only after.
struct CLookup
{
    std::string strHost;
    std::string strPort;
    HANDLE hEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int nResult = 0;
    addrinfo* pFound = nullptr;

    ~CLookup()
    {
        if (pFound)
            freeaddrinfo(pFound);
        if (hEnded)
            CloseHandle(hEnded);
    }

    void Run()
    {
        // The thread's own Winsock start-up: the caller may release its own while this one runs.
        WSADATA wsaData;
        const bool bStarted = WSAStartup(MAKEWORD(2, 0), &wsaData) == 0;
        addrinfo hints = {};
        hints.ai_flags = AI_CANONNAME;
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        nResult = getaddrinfo(strHost.c_str(), strPort.c_str(), &hints, &pFound);
        if (nResult != 0)
            pFound = nullptr;
        SetEvent(hEnded);
        if (bStarted)
            WSACleanup();
    }
};

DWORD WINAPI RunLookup(void* pArgument)
{
    std::unique_ptr<std::shared_ptr<CLookup>> pLookup(static_cast<std::shared_ptr<CLookup>*>(pArgument));
    (*pLookup)->Run();
    return 0;
}

} // namespace

int LookUpAddress(const std::string& strHost, unsigned short nPort, const std::atomic<bool>& bAbort,
                  CFoundAddress& found)
{
    auto pLookup = std::make_shared<CLookup>();
    if (!pLookup->hEnded)
        return static_cast<int>(GetLastError());
    pLookup->strHost = strHost;
    pLookup->strPort = std::to_string(nPort);
    // A thread of the system's pool: one made and ended per connection would cost more.
    auto pShared = new std::shared_ptr<CLookup>(pLookup);
    if (!QueueUserWorkItem(RunLookup, pShared, WT_EXECUTELONGFUNCTION)) {
        delete pShared;
        return WSATRY_AGAIN;
    }
    const unsigned long long ullStart = GetTickCount64();
    while (WaitForSingleObject(pLookup->hEnded, kAbortPollMs) != WAIT_OBJECT_0) {
        if (bAbort)
            return WSAEINTR;
        if (GetTickCount64() - ullStart >= kLookupLimitMs)
            return WSATRY_AGAIN;
    }
    if (pLookup->nResult != 0)
        return pLookup->nResult;
    // Only the first address is tried.
    const addrinfo* pFirst = pLookup->pFound;
    found.nFamily = pFirst->ai_family;
    found.nType = pFirst->ai_socktype;
    found.nProtocol = pFirst->ai_protocol;
    found.nLength = static_cast<int>(std::min(sizeof(found.address), pFirst->ai_addrlen));
    memcpy(&found.address, pFirst->ai_addr, static_cast<size_t>(found.nLength));
    return 0;
}

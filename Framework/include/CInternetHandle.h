// CInternetHandle: a WinINet handle owned by one object, closed once, by Close() or when the owner
// goes.
#pragma once

#include <windows.h>
#include <wininet.h>

class CInternetHandle
{
public:
    explicit CInternetHandle(HINTERNET hInternet = nullptr) : m_hInternet(hInternet) {}
    ~CInternetHandle() { Close(); }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;

    void Close();
    operator HINTERNET() const { return m_hInternet; }

private:
    HINTERNET m_hInternet;
};

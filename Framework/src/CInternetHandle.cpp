#include "CInternetHandle.h"

void CInternetHandle::Close()
{
    if (m_hInternet) {
        InternetCloseHandle(m_hInternet);
        m_hInternet = nullptr;
    }
}

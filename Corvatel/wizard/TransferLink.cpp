#include "TransferLink.h"

#include <windows.h>

void CTransferLink::Clear()
{
    // A call under way may be sending this thread a message (a row's refresh): it is served while
    // the call ends.
    while (!m_lock.try_lock()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    m_pPage = nullptr;
    m_lock.unlock();
}

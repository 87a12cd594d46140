#include "TransferLink.h"

#include "Utilities.h"

void CTransferLink::Clear()
{
    // A call under way may be sending this thread a message (a row's refresh): it is served while
    // the call ends.
    while (!m_lock.try_lock())
        WaitServingSentMessages(nullptr, 10);
    m_pPage = nullptr;
    m_lock.unlock();
}

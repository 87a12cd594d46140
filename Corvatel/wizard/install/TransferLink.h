// CTransferLink: how a download thread reaches the install page, held by the page and by each of
// its threads. The page's close clears it; from then on every call through it does nothing, so a
// thread that outlives the page touches neither the page nor the records it shows.
//
// The clear has no time limit of its own: cutting the link under a call that goes on would leave
// that call on a page and records that the sheet frees right after. It is short by construction,
// because a call through the link only takes the records' lock (which every holder keeps
// briefly), updates records, writes the log, deletes or renames a file, posts to the page, or sends
// the install list a row's refresh, which the clear serves. No call waits on the network, the user,
// a setup or another thread: what follows a transfer is posted to the window's thread.
#pragma once

#include <shared_mutex>

class CPropPage_Install;

class CTransferLink
{
public:
    explicit CTransferLink(CPropPage_Install* pPage) : m_pPage(pPage) {}
    CTransferLink(const CTransferLink&) = delete;
    CTransferLink& operator=(const CTransferLink&) = delete;

    // Runs call(page) while the page is there, the page kept until it returns; threads call side by
    // side. False once the page is gone. The call must be short in the sense above.
    template <class Call> bool With(Call call)
    {
        std::shared_lock<std::shared_mutex> guard(m_lock);
        if (!m_pPage)
            return false;
        call(*m_pPage);
        return true;
    }
    // On the window's thread, once the page is closing (each call through the link then ends soon):
    // waits for the calls under way, serving what their threads send this one, and cuts the link.
    void Clear();

private:
    std::shared_mutex m_lock;
    CPropPage_Install* m_pPage;
};

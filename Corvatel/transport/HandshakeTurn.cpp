#include "HandshakeTurn.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

// One thread in the line; a place it is given is its own before it wakes.
struct CWaiter
{
    std::condition_variable given;
    bool bGiven = false;
};

// A freed place goes to the first in the line, so places are free only while no one waits.
struct CPlaces
{
    std::mutex lock;
    int nTaken = 0;
    std::deque<CWaiter*> line;
};

CPlaces& Places()
{
    static CPlaces places;
    return places;
}

// Gives up a place held, to the first in the line if anyone waits.
void FreePlace(CPlaces& places)
{
    if (places.line.empty()) {
        --places.nTaken;
        return;
    }
    CWaiter* pFirst = places.line.front();
    places.line.pop_front();
    pFirst->bGiven = true;
    pFirst->given.notify_one();
}

} // namespace

CHandshakeTurn::CHandshakeTurn(const std::atomic<bool>& bAbort, std::atomic<bool>& bWaiting) : m_bHeld(false)
{
    CPlaces& places = Places();
    std::unique_lock<std::mutex> guard(places.lock);
    if (bAbort)
        return;
    if (places.nTaken < kPlaces) {
        ++places.nTaken;
        m_bHeld = true;
        return;
    }
    CWaiter waiter;
    places.line.push_back(&waiter);
    bWaiting = true;
    while (!waiter.bGiven && !bAbort)
        waiter.given.wait_for(guard, std::chrono::milliseconds(250));
    bWaiting = false;
    if (!waiter.bGiven)
        places.line.erase(std::find(places.line.begin(), places.line.end(), &waiter));
    else if (bAbort)
        FreePlace(places);
    else
        m_bHeld = true;
}

CHandshakeTurn::~CHandshakeTurn()
{
    if (!m_bHeld)
        return;
    CPlaces& places = Places();
    std::lock_guard<std::mutex> guard(places.lock);
    FreePlace(places);
}

#include "HandshakeTurn.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

struct CPlaces
{
    std::mutex lock;
    std::condition_variable freed;
    int nTaken = 0;
};

CPlaces& Places()
{
    static CPlaces places;
    return places;
}

} // namespace

CHandshakeTurn::CHandshakeTurn(const std::atomic<bool>& bAbort) : m_bHeld(false)
{
    CPlaces& places = Places();
    std::unique_lock<std::mutex> guard(places.lock);
    while (!bAbort) {
        if (places.nTaken < kPlaces) {
            ++places.nTaken;
            m_bHeld = true;
            return;
        }
        places.freed.wait_for(guard, std::chrono::milliseconds(250));
    }
}

CHandshakeTurn::~CHandshakeTurn()
{
    if (!m_bHeld)
        return;
    CPlaces& places = Places();
    {
        std::lock_guard<std::mutex> guard(places.lock);
        --places.nTaken;
    }
    places.freed.notify_one();
}

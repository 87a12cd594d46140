// CHandshakeTurn: one of the few places for a download's connection between its connect and its
// login. A stock sshd drops most new connections once ten are not yet logged in (MaxStartups
// 10:30:100), so the hundreds of downloads a run starts together take their turns here instead
// of being dropped and left to the watchdog. A place is held from construction to destruction;
// those who wait get places in the order they came.
#pragma once

#include <atomic>

class CHandshakeTurn
{
public:
    // Below the stock server's ten, with room for its late count of the logins just done.
    static const int kPlaces = 8;

    // Waits for a place, looking at bAbort at least every quarter second; holds none when the
    // abort came first. bWaiting is raised from the moment it joins the line until it holds a
    // place or gives up, so that a watchdog does not take the wait for a stall.
    CHandshakeTurn(const std::atomic<bool>& bAbort, std::atomic<bool>& bWaiting);
    ~CHandshakeTurn();
    CHandshakeTurn(const CHandshakeTurn&) = delete;
    CHandshakeTurn& operator=(const CHandshakeTurn&) = delete;

    bool IsHeld() const { return m_bHeld; }

private:
    bool m_bHeld;
};

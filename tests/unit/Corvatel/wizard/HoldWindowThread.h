// Holds a window's thread inside a hook on a message sent to it, until released: every other
// thread that sends that window a message meanwhile waits at its send, past all it did before.
#pragma once

#include <windows.h>

class HoldWindowThread
{
public:
    explicit HoldWindowThread(HWND hWnd)
    {
        s_hHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        s_hRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        s_nHold = RegisterWindowMessageA("HoldWindowThread.Hold");
        m_hHook = SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetWindowThreadProcessId(hWnd, nullptr));
        SendNotifyMessageA(hWnd, s_nHold, 0, 0);
    }
    ~HoldWindowThread()
    {
        Release();
        UnhookWindowsHookEx(m_hHook);
        CloseHandle(s_hHeld);
        CloseHandle(s_hRelease);
    }
    HoldWindowThread(const HoldWindowThread&) = delete;
    HoldWindowThread& operator=(const HoldWindowThread&) = delete;

    bool Held() const { return m_hHook && WaitForSingleObject(s_hHeld, 30000) == WAIT_OBJECT_0; }
    void Release() { SetEvent(s_hRelease); }

private:
    static LRESULT CALLBACK Hook(int nCode, WPARAM wParam, LPARAM lParam)
    {
        if (nCode == HC_ACTION && reinterpret_cast<CWPSTRUCT*>(lParam)->message == s_nHold) {
            SetEvent(s_hHeld);
            WaitForSingleObject(s_hRelease, 60000);
        }
        return CallNextHookEx(nullptr, nCode, wParam, lParam);
    }
    static inline HANDLE s_hHeld;
    static inline HANDLE s_hRelease;
    static inline UINT s_nHold;
    HHOOK m_hHook;
};

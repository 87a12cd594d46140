// UiDriver: lets a test thread drive the windows of its own process the way a user does: find a
// top-level window, wait for it, press its buttons, read its controls, answer message boxes.
// Windows are found among the visible top-level windows of the calling process only, so tests
// running side by side on one display never touch each other's windows. Every wait is bounded.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace UiDriver {

// Bound of every wait that is not given one, in milliseconds.
constexpr DWORD kDefaultTimeout = 10000;

// Polls until find() gives a window; null when none came within the timeout.
HWND WaitFor(const std::function<HWND()>& find, DWORD dwTimeout = kDefaultTimeout);

// A window's or control's text; empty when it has none or its thread does not answer in time.
std::string GetText(HWND hWnd);
// The text of the control with this id in a dialog; empty when there is no such control.
std::string GetControlText(HWND hDialog, int nId);

// A visible top-level window of this process whose caption is exactly this; null when none.
HWND FindWindowByCaption(const char* pszCaption);
// A visible top-level window of this process with a static control whose text contains this.
HWND FindWindowByStaticText(const char* pszText);
// The same, waiting up to the timeout; null when none came.
HWND WaitForWindowByCaption(const char* pszCaption, DWORD dwTimeout = kDefaultTimeout);
HWND WaitForWindowByStaticText(const char* pszText, DWORD dwTimeout = kDefaultTimeout);
// Waits until the window is destroyed; false when it is still there after the timeout.
bool WaitForWindowGone(HWND hWnd, DWORD dwTimeout = kDefaultTimeout);

// Presses a button as a mouse click does (BM_CLICK). Posted, so a busy owner never blocks the
// caller; false when there is no such enabled button.
bool PressButton(HWND hDialog, int nId);
// The same for the button whose caption is exactly this ('&' marks included).
bool PressButtonByCaption(HWND hDialog, const char* pszCaption);

// A message box of this process (a dialog whose message text contains pszText); null when none.
HWND FindMessageBox(const char* pszText);
// The text a message box shows; empty when hWnd is not one.
std::string GetMessageBoxText(HWND hBox);
// Waits for a message box whose text contains pszText, presses its button nButton (IDOK, IDCANCEL,
// IDYES ...) and waits for it to close. Returns the box's whole text, or empty when none came.
std::string AnswerMessageBox(const char* pszText, int nButton = IDOK, DWORD dwTimeout = kDefaultTimeout);

// While it lives, answers every message box of this process with the first of its buttons OK,
// Cancel, Yes or No it has (or with a button of the test's choice), and records what they said.
// For the stretches of a test where boxes may come but are not the point, and as a guard that no
// unanswered box ever blocks a test.
class CMessageBoxAnswerer
{
public:
    struct CAnswer
    {
        std::string strText;
        DWORD dwTick; // GetTickCount() when it was answered
    };

    explicit CMessageBoxAnswerer(int nButton = 0);
    ~CMessageBoxAnswerer();
    CMessageBoxAnswerer(const CMessageBoxAnswerer&) = delete;
    CMessageBoxAnswerer& operator=(const CMessageBoxAnswerer&) = delete;

    // The boxes answered so far, in order.
    std::vector<CAnswer> Answers() const;
    std::vector<std::string> Texts() const;
    // Waits until a box whose text contains pszText has been answered; false on timeout.
    bool WaitForAnswer(const char* pszText, DWORD dwTimeout = kDefaultTimeout, CAnswer* pAnswer = nullptr) const;

private:
    void Run();

    const int m_nButton;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<CAnswer> m_answers;
    std::set<HWND> m_pressed;
    bool m_bStop = false;
    std::thread m_thread;
};

} // namespace UiDriver

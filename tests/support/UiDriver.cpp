#include "UiDriver.h"

#include <chrono>
#include <functional>
#include <iterator>

namespace UiDriver {

namespace {

const DWORD kPollMs = 20;
// How long a window's thread may take to answer WM_GETTEXT before it counts as busy.
const UINT kAnswerMs = 2000;
// user32 gives a message box's text control this id.
const int kMessageBoxTextId = 0xFFFF;

bool HasClass(HWND hWnd, const char* pszClass)
{
    char szClass[64] = {};
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    return lstrcmpiA(szClass, pszClass) == 0;
}

bool IsOurs(HWND hWnd)
{
    DWORD dwProcess = 0;
    GetWindowThreadProcessId(hWnd, &dwProcess);
    return dwProcess == GetCurrentProcessId();
}

// The first visible top-level window of this process that the predicate accepts.
HWND FindTopLevel(const std::function<bool(HWND)>& accept)
{
    struct CSearch
    {
        const std::function<bool(HWND)>* pAccept;
        HWND hFound;
    } search = {&accept, nullptr};
    EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            CSearch* pSearch = reinterpret_cast<CSearch*>(lParam);
            if (!IsOurs(hWnd) || !IsWindowVisible(hWnd) || !(*pSearch->pAccept)(hWnd))
                return TRUE;
            pSearch->hFound = hWnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

// The first child control that the predicate accepts.
HWND FindChild(HWND hParent, const std::function<bool(HWND)>& accept)
{
    struct CSearch
    {
        const std::function<bool(HWND)>* pAccept;
        HWND hFound;
    } search = {&accept, nullptr};
    EnumChildWindows(
        hParent,
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            CSearch* pSearch = reinterpret_cast<CSearch*>(lParam);
            if (!(*pSearch->pAccept)(hWnd))
                return TRUE;
            pSearch->hFound = hWnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

bool Contains(const std::string& strText, const char* pszPart)
{
    return strText.find(pszPart ? pszPart : "") != std::string::npos;
}

HWND MessageBoxTextControl(HWND hWnd)
{
    if (!HasClass(hWnd, "#32770"))
        return nullptr;
    HWND hText = GetDlgItem(hWnd, kMessageBoxTextId);
    return hText && HasClass(hText, "Static") ? hText : nullptr;
}

} // namespace

HWND WaitFor(const std::function<HWND()>& find, DWORD dwTimeout)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        if (HWND hWnd = find())
            return hWnd;
        if (GetTickCount() - dwStart >= dwTimeout)
            return nullptr;
        Sleep(kPollMs);
    }
}

std::string GetText(HWND hWnd)
{
    DWORD_PTR nLength = 0;
    if (!SendMessageTimeoutA(hWnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &nLength))
        return std::string();
    std::string strText(nLength + 1, '\0');
    DWORD_PTR nCopied = 0;
    if (!SendMessageTimeoutA(hWnd, WM_GETTEXT, strText.size(), reinterpret_cast<LPARAM>(&strText[0]),
                             SMTO_ABORTIFHUNG, kAnswerMs, &nCopied))
        return std::string();
    strText.resize(nCopied < strText.size() ? nCopied : strText.size() - 1);
    return strText;
}

std::string GetControlText(HWND hDialog, int nId)
{
    HWND hControl = GetDlgItem(hDialog, nId);
    return hControl ? GetText(hControl) : std::string();
}

HWND FindWindowByCaption(const char* pszCaption)
{
    return FindTopLevel([pszCaption](HWND hWnd) { return GetText(hWnd) == pszCaption; });
}

HWND FindWindowByStaticText(const char* pszText)
{
    return FindTopLevel([pszText](HWND hWnd) {
        return FindChild(hWnd, [pszText](HWND hChild) {
                   return HasClass(hChild, "Static") && Contains(GetText(hChild), pszText);
               }) != nullptr;
    });
}

HWND WaitForWindowByCaption(const char* pszCaption, DWORD dwTimeout)
{
    return WaitFor([pszCaption] { return FindWindowByCaption(pszCaption); }, dwTimeout);
}

HWND WaitForWindowByStaticText(const char* pszText, DWORD dwTimeout)
{
    return WaitFor([pszText] { return FindWindowByStaticText(pszText); }, dwTimeout);
}

bool WaitForWindowGone(HWND hWnd, DWORD dwTimeout)
{
    DWORD dwStart = GetTickCount();
    while (IsWindow(hWnd)) {
        if (GetTickCount() - dwStart >= dwTimeout)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

bool PressButton(HWND hDialog, int nId)
{
    HWND hButton = GetDlgItem(hDialog, nId);
    if (!hButton || !IsWindowEnabled(hButton))
        return false;
    return PostMessageA(hButton, BM_CLICK, 0, 0) != FALSE;
}

bool PressButtonByCaption(HWND hDialog, const char* pszCaption)
{
    HWND hButton = FindChild(hDialog, [pszCaption](HWND hChild) {
        return HasClass(hChild, "Button") && GetText(hChild) == pszCaption;
    });
    if (!hButton || !IsWindowEnabled(hButton))
        return false;
    return PostMessageA(hButton, BM_CLICK, 0, 0) != FALSE;
}

std::string GetMessageBoxText(HWND hBox)
{
    HWND hText = MessageBoxTextControl(hBox);
    return hText ? GetText(hText) : std::string();
}

HWND FindMessageBox(const char* pszText)
{
    return FindTopLevel([pszText](HWND hWnd) {
        HWND hText = MessageBoxTextControl(hWnd);
        return hText && Contains(GetText(hText), pszText);
    });
}

std::string AnswerMessageBox(const char* pszText, int nButton, DWORD dwTimeout)
{
    HWND hBox = WaitFor([pszText] { return FindMessageBox(pszText); }, dwTimeout);
    if (!hBox)
        return std::string();
    std::string strText = GetMessageBoxText(hBox);
    if (!PressButton(hBox, nButton) || !WaitForWindowGone(hBox, dwTimeout))
        return std::string();
    return strText;
}

CMessageBoxAnswerer::CMessageBoxAnswerer(int nButton) : m_nButton(nButton), m_thread([this] { Run(); }) {}

CMessageBoxAnswerer::~CMessageBoxAnswerer()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::vector<CMessageBoxAnswerer::CAnswer> CMessageBoxAnswerer::Answers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_answers;
}

std::vector<std::string> CMessageBoxAnswerer::Texts() const
{
    std::vector<std::string> texts;
    for (const CAnswer& answer : Answers())
        texts.push_back(answer.strText);
    return texts;
}

bool CMessageBoxAnswerer::WaitForAnswer(const char* pszText, DWORD dwTimeout, CAnswer* pAnswer) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    bool bFound = m_changed.wait_for(lock, std::chrono::milliseconds(dwTimeout), [&] {
        for (const CAnswer& answer : m_answers) {
            if (Contains(answer.strText, pszText)) {
                if (pAnswer)
                    *pAnswer = answer;
                return true;
            }
        }
        return false;
    });
    return bFound;
}

void CMessageBoxAnswerer::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_changed.wait_for(lock, std::chrono::milliseconds(kPollMs), [this] { return m_bStop; })) {
        // A box stays listed until it is gone, so it is answered once however slowly it closes.
        for (auto it = m_pressed.begin(); it != m_pressed.end();)
            it = IsWindow(*it) ? std::next(it) : m_pressed.erase(it);
        lock.unlock();

        // A box without the chosen button is left for the test, and does not hide the others. One
        // still without its text is being set up: it is answered on a later round.
        HWND hBox = FindTopLevel([this](HWND hWnd) {
            std::lock_guard<std::mutex> guard(m_mutex);
            return !GetMessageBoxText(hWnd).empty() && !m_pressed.count(hWnd) &&
                   (!m_nButton || GetDlgItem(hWnd, m_nButton));
        });
        CAnswer answer = {hBox ? GetMessageBoxText(hBox) : std::string(), GetTickCount()};
        bool bPressed = false;
        if (hBox) {
            if (m_nButton) {
                bPressed = PressButton(hBox, m_nButton);
            } else {
                for (int nId : {IDOK, IDCANCEL, IDYES, IDNO})
                    if ((bPressed = PressButton(hBox, nId)))
                        break;
            }
        }

        lock.lock();
        if (bPressed) {
            m_pressed.insert(hBox);
            m_answers.push_back(answer);
            m_changed.notify_all();
        }
    }
}

} // namespace UiDriver

// A wizard as the program builds it, on a catalogue written for the test: in the "INSTALL:" mode
// (a folder holding CorvatelSFTP.xml) or from a local catalogue file (the ".XML" argument), with
// the program's own command line and resources. Installed versions come from registry values of
// the test's own key, named in the catalogue as %KEY%, and from files with version resources.
#pragma once

#include "CorvatelApp.h"
#include "PropPage_Install.h"
#include "PropSheet_Corvatel.h"
#include "TestFolders.h"
#include "resource.h"

#include <TreeListCtrl.h>
#include <UiDriver.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <thread>
#include <vector>

class CTestWizard
{
public:
    enum Mode
    {
        InstallFolder,
        LocalCatalogue,
    };

    // Arguments are given as the user types them after the slash ("UPDATEALL", "BETA", a product name ...).
    explicit CTestWizard(const char* pszCatalogue, std::initializer_list<const char*> arguments = {},
                         Mode mode = InstallFolder)
    {
        const ::testing::TestInfo* pTest = ::testing::UnitTest::GetInstance()->current_test_info();
        m_strKey.Format("Software\\Quendar Test\\%s.%s", pTest->test_suite_name(), pTest->name());
        CString strCatalogue(pszCatalogue);
        strCatalogue.Replace("%KEY%", "HKEY_CURRENT_USER\\" + m_strKey);
        strCatalogue.Replace("%TREE%", m_tree.Root());
        m_strSet = m_tree.MakeFolder("set");
        m_tree.WriteText("set\\CorvatelSFTP.xml", strCatalogue);
        m_app.m_cmdInfo.ParseParam(mode == InstallFolder ? "install:" + m_strSet : m_strSet + "\\CorvatelSFTP.xml", TRUE,
                                   FALSE);
        for (const char* pszArgument : arguments)
            m_app.m_cmdInfo.ParseParam(pszArgument, TRUE, FALSE);
    }
    ~CTestWizard() { RegDeleteTreeA(HKEY_CURRENT_USER, m_strKey); }

    // Registry values the catalogue names as %KEY%\<subkey>\<value>.
    void SetInstalled(const char* pszSubkey, const char* pszValue, const char* pszText)
    {
        CString strKey = m_strKey + "\\" + pszSubkey;
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, strKey, pszValue, REG_SZ, pszText,
                                                 static_cast<DWORD>(strlen(pszText) + 1)));
    }

    // The sheet loads the catalogue when it is made: after the registry and files are set.
    CPropSheet_Corvatel& Sheet()
    {
        if (!m_pSheet)
            m_pSheet = std::make_unique<CPropSheet_Corvatel>(IDS_SHEET_CAPTION);
        return *m_pSheet;
    }

    // Shows the wizard; user(sheet window) runs on its own thread once it is up, and the wizard
    // is cancelled when it returns. Message boxes are answered as RunSteps does, or with nButton
    // alone when it is given: boxes without that button are then left to user.
    void Run(const std::function<void(HWND)>& user, int nButton = 0)
    {
        UiDriver::CMessageBoxAnswerer boxes(nButton);
        std::thread player([&] {
            HWND hSheet = UiDriver::WaitForWindowByCaption("Quendar Corvatel");
            if (hSheet)
                user(hSheet);
            else
                ADD_FAILURE() << "the wizard did not open";
            if (hSheet)
                UiDriver::PressButton(hSheet, IDCANCEL);
        });
        Sheet().DoModal();
        player.join();
        m_answers = boxes.Texts();
    }

    // Runs action on the wizard's thread, in a hook on a message sent to the sheet, and returns
    // once it has run.
    static void OnWizardThread(HWND hSheet, const std::function<void()>& action)
    {
        static const std::function<void()>* s_pAction;
        static const UINT s_nMessage = RegisterWindowMessageA("CTestWizard.OnWizardThread");
        s_pAction = &action;
        HHOOK hHook = SetWindowsHookExA(
            WH_CALLWNDPROC,
            [](int nCode, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (nCode == HC_ACTION && reinterpret_cast<CWPSTRUCT*>(lParam)->message == s_nMessage)
                    (*s_pAction)();
                return CallNextHookEx(nullptr, nCode, wParam, lParam);
            },
            nullptr, GetWindowThreadProcessId(hSheet, nullptr));
        ASSERT_NE(hHook, nullptr);
        SendMessageA(hSheet, s_nMessage, 0, 0);
        UnhookWindowsHookEx(hHook);
    }

    // Handles, on the wizard's thread, what was posted to its windows so far (a page's start
    // message among them), so that a test's next step does not race it.
    static void HandlePosted(HWND hSheet)
    {
        OnWizardThread(hSheet, [] {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE))
                DispatchMessageA(&msg);
        });
    }

    // Stops the install page's animation and watchdog timers, for a test that sets the records'
    // statuses itself. Timers belong to the wizard's thread: they are killed there.
    void StopInstallPageTimers(HWND hSheet)
    {
        HWND hPage = Sheet().m_pPageInstall->m_hWnd;
        OnWizardThread(hSheet, [hPage] {
            KillTimer(hPage, CPropPage_Install::kAnimationTimer);
            KillTimer(hPage, CPropPage_Install::kWatchdogTimer);
        });
    }

    // One step: an action, run once the window with the caption to wait for (if any) is up.
    struct Step
    {
        template <class Action>
        Step(Action action) : m_action(action)
        {
        }
        template <class Action>
        Step(const char* pszWaitFor, Action action) : m_pszWaitFor(pszWaitFor), m_action(action)
        {
        }

        const char* m_pszWaitFor = nullptr;
        std::function<void(HWND)> m_action;
    };

    // Shows the wizard and runs the steps on its own thread, one each time that thread has
    // nothing left to do, so each step sees what the one before caused; then closes what the
    // steps left open and cancels the wizard. Message boxes are answered with their first
    // button; m_answers tells what they said, the exit question last.
    void RunSteps(std::vector<Step> steps)
    {
        UiDriver::CMessageBoxAnswerer boxes;
        s_pSteps = &steps;
        s_nNext = 0;
        s_nWaits = 0;
        s_bBusy = false;
        UINT_PTR nTimer = SetTimer(nullptr, 0, 10, &CTestWizard::OnIdle);
        Sheet().DoModal();
        KillTimer(nullptr, nTimer);
        EXPECT_EQ(s_nNext, steps.size() + 1) << "the wizard closed before its steps were done";
        s_pSteps = nullptr;
        m_answers = boxes.Texts();
    }

    // Whether the sheet offers Finish (its button's id in the common controls' property sheet).
    static bool IsFinishEnabled(HWND hSheet) { return IsWindowEnabled(GetDlgItem(hSheet, 0x3025)) != FALSE; }

    // Shows page nIndex as the wizard's buttons would, without the pages' own checks.
    static void ShowPage(HWND hSheet, int nIndex)
    {
        SendMessageA(hSheet, PSM_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
    }

    // A click on the check box of the list's row, as the user makes it.
    static void ClickCheckBox(CTreeListCtrl* pList, int nRow) { ClickAt(pList, nRow, CTreeListCtrl::kCheckBoxCell / 2); }
    // Selects the row as a click on its name does.
    static void ClickRow(CTreeListCtrl* pList, int nRow) { ClickAt(pList, nRow, 100); }

    CTempTree m_tree;
    CString m_strKey;
    CString m_strSet;
    CCorvatelApp m_app;
    std::unique_ptr<CPropSheet_Corvatel> m_pSheet;
    std::vector<std::string> m_answers;

private:
    static void ClickAt(CTreeListCtrl* pList, int nRow, int x)
    {
        RECT rcHeader = {};
        GetWindowRect(FindWindowExA(pList->m_hWnd, nullptr, WC_HEADERA, nullptr), &rcHeader);
        LPARAM lPoint = MAKELPARAM(x, (rcHeader.bottom - rcHeader.top) + nRow * 16 + 8);
        pList->PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, lPoint);
        pList->PostMessage(WM_LBUTTONUP, 0, lPoint);
    }

    static void CALLBACK OnIdle(HWND, UINT, UINT_PTR, DWORD)
    {
        // A step that opens a dialog runs its loop: the next step may act on the dialog then.
        if (!s_pSteps || s_bBusy)
            return;
        s_bBusy = true;
        HWND hSheet = UiDriver::FindWindowByCaption("Quendar Corvatel");
        if (hSheet && s_nNext < s_pSteps->size()) {
            const Step& step = (*s_pSteps)[s_nNext];
            if (!step.m_pszWaitFor || UiDriver::FindWindowByCaption(step.m_pszWaitFor)) {
                ++s_nNext;
                s_nWaits = 0;
                step.m_action(hSheet);
            } else if (++s_nWaits > kMaxWaits) {
                ADD_FAILURE() << "no window \"" << step.m_pszWaitFor << "\" came";
                s_nNext = s_pSteps->size();
            }
        } else if (hSheet && s_nNext == s_pSteps->size()) {
            // Dialogs a step left open go first, so the wizard can take the Cancel. Message boxes
            // are the answerer's, which keeps what they said, however late it comes to them.
            bool bLeftOpen = false;
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND hWnd, LPARAM lSheet) -> BOOL {
                    if (hWnd != reinterpret_cast<HWND>(lSheet) && IsWindowVisible(hWnd) &&
                        UiDriver::GetMessageBoxText(hWnd).empty())
                        PostMessageA(hWnd, WM_CLOSE, 0, 0);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(hSheet));
            for (HWND hWnd = GetWindow(hSheet, GW_HWNDFIRST); hWnd; hWnd = GetWindow(hWnd, GW_HWNDNEXT))
                bLeftOpen = bLeftOpen || (hWnd != hSheet && IsWindowVisible(hWnd) &&
                                          GetWindowThreadProcessId(hWnd, nullptr) == GetCurrentThreadId());
            if (!bLeftOpen) {
                ++s_nNext;
                PostMessageA(hSheet, WM_COMMAND, IDCANCEL, 0);
            }
        }
        s_bBusy = false;
    }

    static constexpr int kMaxWaits = 500;
    static inline std::vector<Step>* s_pSteps = nullptr;
    static inline size_t s_nNext = 0;
    static inline int s_nWaits = 0;
    static inline bool s_bBusy = false;
};

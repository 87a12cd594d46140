// A wizard as the program builds it for "INSTALL:<folder>", on a catalogue written for the test,
// with the program's own command line and resources. Run runs it modally on the test's thread
// while a second thread plays the user (and, on the install page, the download threads).
#pragma once

#include "CorvatelApp.h"
#include "PropSheet_Corvatel.h"
#include "TestFolders.h"
#include "resource.h"

#include <UiDriver.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <thread>

class CTestWizard
{
public:
    // Switches are given as the user types them after the slash ("UPDATEALL", "BETA" ...).
    explicit CTestWizard(const char* pszCatalogue, std::initializer_list<const char*> switches = {})
    {
        m_strSet = m_tree.MakeFolder("set");
        m_tree.WriteText("set\\CorvatelSFTP.xml", pszCatalogue);
        m_app.m_cmdInfo.ParseParam("install:" + m_strSet, TRUE, FALSE);
        for (const char* pszSwitch : switches)
            m_app.m_cmdInfo.ParseParam(pszSwitch, TRUE, FALSE);
        m_pSheet = std::make_unique<CPropSheet_Corvatel>(IDS_SHEET_CAPTION);
    }

    CPropSheet_Corvatel& Sheet() { return *m_pSheet; }

    // Shows the wizard; user(sheet window) runs on its own thread once it is up, and the wizard
    // is cancelled when it returns.
    void Run(const std::function<void(HWND)>& user)
    {
        UiDriver::CMessageBoxAnswerer exitQuestion(IDYES);
        std::thread player([&] {
            HWND hSheet = UiDriver::WaitForWindowByCaption("Quendar Corvatel");
            if (hSheet)
                user(hSheet);
            else
                ADD_FAILURE() << "the wizard did not open";
            if (hSheet)
                UiDriver::PressButton(hSheet, IDCANCEL);
        });
        m_pSheet->DoModal();
        player.join();
    }

    // Shows page nIndex as the wizard's buttons would, without the pages' own checks.
    static void ShowPage(HWND hSheet, int nIndex)
    {
        SendMessageA(hSheet, PSM_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
    }

    CTempTree m_tree;
    CString m_strSet;
    CCorvatelApp m_app;
    std::unique_ptr<CPropSheet_Corvatel> m_pSheet;
};

#include "CorvatelApp.h"

#include "PropSheet_Corvatel.h"
#include "SshLibrary.h"
#include "Utilities.h"
#include "resource.h"

#include <AfxRichEdit.h>
#include <CBitmap.h>
#include <TreeListCtrl.h>

#include <shellapi.h>
#include <stdio.h>
#include <string.h>

CCorvatelApp::CCorvatelApp() : m_pSheet(nullptr) {}

CCorvatelApp::~CCorvatelApp()
{
    delete m_pSheet;
}

BOOL CCorvatelApp::InitInstance()
{
    AfxInitRichEdit2();
    EnableHtmlHelp();
    // Before any thread can connect.
    SshLibraryStartup();
    // Each running transfer holds a CRT stream for its file, and all at once a run of hundreds of
    // setups needs more than the CRT's default of 512: take the most it allows.
    _setmaxstdio(2048);
    TurboDllInitResourceChain();

    CBitmap bmpWatermark, bmpHeader;
    bmpWatermark.LoadBitmap(IDB_WATERMARK);
    bmpHeader.LoadBitmap(IDB_HEADER);

    ParseCommandLine(m_cmdInfo);

    {
        CPropSheet_Corvatel sheet(IDS_SHEET_CAPTION, nullptr, 0, bmpWatermark, nullptr, bmpHeader);
        sheet.m_psh.hInstance = GetModuleHandleA(nullptr);
        m_pSheet = &sheet;
        sheet.DoModal();
        m_pSheet = nullptr;
    }
    // The program ends here: no message loop follows.
    return FALSE;
}

int CCorvatelApp::ExitInstance()
{
    SshLibraryCleanup();
    return CWinApp::ExitInstance();
}

void CCorvatelApp::OnHelp()
{
    if (!m_pSheet)
        return;
    CString strHelpFile = GetFolderFromPath(GetModuleFilePath()) + "Corvatel.chm";
    free(m_pszHelpFilePath);
    m_pszHelpFilePath = _strdup(strHelpFile);
    ShellExecuteA(nullptr, nullptr, m_pszHelpFilePath, nullptr, nullptr, SW_SHOW);
}

CCorvatelApp* GetCorvatelApp()
{
    return static_cast<CCorvatelApp*>(AfxGetApp());
}

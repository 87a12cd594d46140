// UiDriver.exe: drives the windows of another program (Corvatel.exe by default) for the end-to-end
// scenarios, one action per run. Windows are the visible dialogs (class #32770) of the processes
// with that image name; a window is named by its exact caption or by a text one of its static
// controls contains. Results go to stdout; the exit status is 0 on success, 1 on failure or
// time-out, 2 on a usage error. Every wait is bounded.
#include "UiDriver.h"

#include <TreeListMessages.h>

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: UiDriver.exe [--process NAME | --pid ID] [--timeout MS] [--press WINDOW ID|CAPTION] COMMAND ARGS...\n"
    "  list                          the program's dialogs: handle, caption, first static texts\n"
    "  dump WINDOW                   the window's controls: id, class, visible/enabled, text\n"
    "  wait WINDOW [MS]              waits for the window; prints its caption\n"
    "  gone WINDOW [MS]              waits until no such window is left\n"
    "  click WINDOW ID|CAPTION       presses a button (captions match without '&')\n"
    "  text WINDOW ID                prints the text of the control (the visible one first)\n"
    "  type WINDOW ID TEXT           replaces the text of the edit control, as typing it would\n"
    "  enabled WINDOW ID|CAPTION     prints 1 or 0\n"
    "  visible WINDOW ID|CAPTION     prints 1 or 0\n"
    "  answer TEXT BUTTON [MS]       waits for a message box containing TEXT, prints its text, presses BUTTON\n"
    "  key WINDOW VK                 posts a key press (ESCAPE, RETURN, TAB, SPACE or a number) to the\n"
    "                                focused control, or to the active page of a property sheet\n"
    "  pages WINDOW                  a property sheet's active page index (from 0) and page count\n"
    "  rows WINDOW ID                a tree-list's rows: tick (1, 0), lock (1, 0), image, then the column\n"
    "                                texts, separated by '|'\n"
    "  tick WINDOW ID TEXT           clicks the check box of the tree-list row whose first column is TEXT\n"
    "  close WINDOW                  clicks the window's close box (posts WM_SYSCOMMAND SC_CLOSE)\n"
    "  clickwait WINDOW ID|CAPTION ID|CAPTION [MS]\n"
    "                                presses the first button, waits until the second is shown enabled;\n"
    "                                prints the milliseconds between (for the benchmarks)\n"
    "  waitlist WINDOW LIST COUNT [ID TEXT]\n"
    "                                waits until the tree-list LIST has COUNT rows and, when given,\n"
    "                                control ID shows TEXT; prints when it saw that (Unix time, ms)\n"
    "  waitcells WINDOW LIST COLUMN TEXT\n"
    "                                waits until every row of the tree-list LIST (one at least) shows\n"
    "                                TEXT in COLUMN; prints when it saw that (Unix time, ms)\n"
    "  peak                          the largest peak working set of the program's processes, in MiB\n"
    "  exit [MS]                     waits until no process of the program is left\n"
    "  kill                          ends every process of the program; prints how many\n"
    "WINDOW is an exact caption or a text that one of its static controls contains. The waits of\n"
    "waitlist and waitcells are bounded by --timeout; with --press, they press that button of that\n"
    "window first and print the milliseconds from the press instead (for the benchmarks).\n";

const DWORD kPollMs = 50;
const UINT kAnswerMs = 2000;
const int kMessageBoxTextId = 0xFFFF;

std::string g_strProcess = "Corvatel.exe";
DWORD g_dwPid = 0;
DWORD g_dwTimeout = UiDriver::kDefaultTimeout;
std::string g_strPressWindow, g_strPressButton;

struct CUsageError
{
};

int Fail(const std::string& strMessage)
{
    fprintf(stderr, "UiDriver: %s\n", strMessage.c_str());
    return 1;
}

std::string Quoted(const std::string& strText)
{
    return "\"" + strText + "\"";
}

bool HasClass(HWND hWnd, const char* pszClass)
{
    char szClass[64] = {};
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    return lstrcmpiA(szClass, pszClass) == 0;
}

std::string ClassOf(HWND hWnd)
{
    char szClass[64] = {};
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    return szClass;
}

// Button captions compare without their mnemonic marks and letter case.
std::string Plain(const std::string& strText)
{
    std::string strPlain;
    for (char c : strText)
        if (c != '&')
            strPlain += static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return strPlain;
}

bool ParseNumber(const std::string& strText, long& lValue)
{
    if (strText.empty())
        return false;
    char* pEnd = nullptr;
    lValue = strtol(strText.c_str(), &pEnd, 0);
    return *pEnd == '\0';
}

DWORD ParseTimeout(int argc, char** argv, int nIndex)
{
    long lValue = 0;
    if (nIndex >= argc)
        return g_dwTimeout;
    if (!ParseNumber(argv[nIndex], lValue) || lValue < 0)
        throw CUsageError();
    return static_cast<DWORD>(lValue);
}

// Process ids of the program; a given id alone when one was given.
std::set<DWORD> ProgramProcesses()
{
    std::set<DWORD> ids;
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bMore = Process32First(hSnapshot, &entry); bMore; bMore = Process32Next(hSnapshot, &entry)) {
        if (g_dwPid ? entry.th32ProcessID == g_dwPid : lstrcmpiA(entry.szExeFile, g_strProcess.c_str()) == 0)
            ids.insert(entry.th32ProcessID);
    }
    CloseHandle(hSnapshot);
    return ids;
}

// The program's visible dialogs, topmost first.
std::vector<HWND> ProgramDialogs()
{
    struct CSearch
    {
        std::set<DWORD> ids;
        std::vector<HWND> found;
    } search = {ProgramProcesses(), {}};
    if (search.ids.empty())
        return search.found;
    EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            CSearch* pSearch = reinterpret_cast<CSearch*>(lParam);
            DWORD dwProcess = 0;
            GetWindowThreadProcessId(hWnd, &dwProcess);
            if (pSearch->ids.count(dwProcess) && IsWindowVisible(hWnd) && HasClass(hWnd, "#32770"))
                pSearch->found.push_back(hWnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// All descendants, in the order EnumChildWindows gives them.
std::vector<HWND> Descendants(HWND hParent)
{
    std::vector<HWND> children;
    EnumChildWindows(
        hParent,
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

bool ShowsText(HWND hWnd, const std::string& strText)
{
    for (HWND hChild : Descendants(hWnd))
        if (HasClass(hChild, "Static") && UiDriver::GetText(hChild).find(strText) != std::string::npos)
            return true;
    return false;
}

// A caption match wins over a text match, so that a message box quoting the wizard's caption is
// not taken for the wizard.
HWND FindDialog(const std::string& strName)
{
    std::vector<HWND> dialogs = ProgramDialogs();
    for (HWND hWnd : dialogs)
        if (UiDriver::GetText(hWnd) == strName)
            return hWnd;
    for (HWND hWnd : dialogs)
        if (ShowsText(hWnd, strName))
            return hWnd;
    return nullptr;
}

HWND WaitForDialog(const std::string& strName, DWORD dwTimeout)
{
    return UiDriver::WaitFor([&strName] { return FindDialog(strName); }, dwTimeout);
}

// The first control of the window or of one of its child dialogs (a sheet's pages) that matches;
// a visible one wins, so on a property sheet this is the active page's control.
HWND FindControl(HWND hWnd, const std::function<bool(HWND)>& matches)
{
    HWND hHidden = nullptr;
    for (HWND hChild : Descendants(hWnd)) {
        if (!matches(hChild))
            continue;
        if (IsWindowVisible(hChild))
            return hChild;
        if (!hHidden)
            hHidden = hChild;
    }
    return hHidden;
}

HWND FindControlById(HWND hWnd, int nId)
{
    return FindControl(hWnd, [nId](HWND hChild) { return GetDlgCtrlID(hChild) == nId; });
}

HWND FindButton(HWND hWnd, const std::string& strControl)
{
    long lId = 0;
    if (ParseNumber(strControl, lId))
        return FindControlById(hWnd, static_cast<int>(lId));
    return FindControl(hWnd, [&strControl](HWND hChild) {
        return HasClass(hChild, "Button") && Plain(UiDriver::GetText(hChild)) == Plain(strControl);
    });
}

HWND RequireDialog(int argc, char** argv, int nIndex)
{
    if (nIndex >= argc)
        throw CUsageError();
    HWND hWnd = WaitForDialog(argv[nIndex], g_dwTimeout);
    if (!hWnd)
        Fail("no window " + Quoted(argv[nIndex]) + " came");
    return hWnd;
}

int CmdList()
{
    for (HWND hWnd : ProgramDialogs()) {
        printf("%p \"%s\"", static_cast<void*>(hWnd), UiDriver::GetText(hWnd).c_str());
        int nShown = 0;
        for (HWND hChild : Descendants(hWnd)) {
            std::string strText = UiDriver::GetText(hChild);
            if (HasClass(hChild, "Static") && IsWindowVisible(hChild) && !strText.empty() && nShown++ < 3)
                printf(" | %s", strText.c_str());
        }
        printf("\n");
    }
    return 0;
}

int CmdDump(HWND hWnd)
{
    printf("%p %s \"%s\"\n", static_cast<void*>(hWnd), ClassOf(hWnd).c_str(), UiDriver::GetText(hWnd).c_str());
    for (HWND hChild : Descendants(hWnd)) {
        printf("  %d %s %s%s \"%s\"\n", GetDlgCtrlID(hChild), ClassOf(hChild).c_str(),
               IsWindowVisible(hChild) ? "visible" : "hidden", IsWindowEnabled(hChild) ? "" : " disabled",
               UiDriver::GetText(hChild).c_str());
    }
    return 0;
}

int CmdClick(HWND hWnd, const std::string& strControl)
{
    HWND hButton = FindButton(hWnd, strControl);
    if (!hButton)
        return Fail("no control " + Quoted(strControl));
    if (!UiDriver::PressButton(GetParent(hButton), GetDlgCtrlID(hButton)))
        return Fail("control " + Quoted(strControl) + " is disabled");
    return 0;
}

int CmdAnswer(const std::string& strText, const std::string& strButton, DWORD dwTimeout)
{
    HWND hBox = UiDriver::WaitFor(
        [&strText] {
            for (HWND hWnd : ProgramDialogs()) {
                HWND hText = GetDlgItem(hWnd, kMessageBoxTextId);
                if (hText && UiDriver::GetText(hText).find(strText) != std::string::npos)
                    return hWnd;
            }
            return static_cast<HWND>(nullptr);
        },
        dwTimeout);
    if (!hBox)
        return Fail("no message box with " + Quoted(strText) + " came");
    printf("%s\n", UiDriver::GetMessageBoxText(hBox).c_str());
    fflush(stdout);
    if (int nResult = CmdClick(hBox, strButton))
        return nResult;
    if (!UiDriver::WaitForWindowGone(hBox, dwTimeout))
        return Fail("the message box stayed after " + Quoted(strButton));
    return 0;
}

int VirtualKey(const std::string& strKey)
{
    static const struct
    {
        const char* pszName;
        int nKey;
    } kKeys[] = {{"ESCAPE", VK_ESCAPE}, {"ESC", VK_ESCAPE}, {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN},
                 {"TAB", VK_TAB},       {"SPACE", VK_SPACE}, {"F1", VK_F1}};
    for (const auto& key : kKeys)
        if (lstrcmpiA(key.pszName, strKey.c_str()) == 0)
            return key.nKey;
    long lKey = 0;
    return ParseNumber(strKey, lKey) && lKey > 0 && lKey < 256 ? static_cast<int>(lKey) : 0;
}

int CmdKey(HWND hWnd, const std::string& strKey)
{
    int nKey = VirtualKey(strKey);
    if (!nKey)
        throw CUsageError();
    // Where a real key press goes: the window's focused control, else its active page.
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    HWND hTarget = nullptr;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(hWnd, nullptr), &info) && info.hwndFocus &&
        (info.hwndFocus == hWnd || IsChild(hWnd, info.hwndFocus)))
        hTarget = info.hwndFocus;
    if (!hTarget) {
        DWORD_PTR nPage = 0;
        SendMessageTimeoutA(hWnd, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &nPage);
        hTarget = nPage ? reinterpret_cast<HWND>(nPage) : hWnd;
    }
    UINT nScan = MapVirtualKeyA(nKey, MAPVK_VK_TO_VSC);
    LPARAM lDown = 1 | (static_cast<LPARAM>(nScan) << 16);
    LPARAM lUp = lDown | (1L << 30) | (1L << 31);
    if (!PostMessageA(hTarget, WM_KEYDOWN, nKey, lDown) || !PostMessageA(hTarget, WM_KEYUP, nKey, lUp))
        return Fail("the key could not be posted");
    printf("%s %s\n", ClassOf(hTarget).c_str(), UiDriver::GetText(hTarget).c_str());
    return 0;
}

int CmdPages(HWND hWnd)
{
    DWORD_PTR nPage = 0, nIndex = 0, nCount = 0;
    if (!SendMessageTimeoutA(hWnd, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &nPage) || !nPage)
        return Fail("the window has no current page");
    SendMessageTimeoutA(hWnd, PSM_HWNDTOINDEX, nPage, 0, SMTO_ABORTIFHUNG, kAnswerMs, &nIndex);
    // A sheet keeps one tab per page, hidden in wizard mode.
    HWND hTab = FindWindowExA(hWnd, nullptr, WC_TABCONTROLA, nullptr);
    if (!hTab || !SendMessageTimeoutA(hTab, TCM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &nCount))
        return Fail("the window has no page list");
    printf("%d %d\n", static_cast<int>(nIndex), static_cast<int>(nCount));
    return 0;
}

// Memory placed in another process, for the arguments of a control's messages; freed with the object.
class CRemoteMemory
{
public:
    CRemoteMemory(HWND hWnd, SIZE_T nSize)
    {
        DWORD dwProcess = 0;
        GetWindowThreadProcessId(hWnd, &dwProcess);
        m_hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, dwProcess);
        if (m_hProcess)
            m_pBlock = static_cast<char*>(VirtualAllocEx(m_hProcess, nullptr, nSize, MEM_COMMIT, PAGE_READWRITE));
    }
    ~CRemoteMemory()
    {
        if (m_pBlock)
            VirtualFreeEx(m_hProcess, m_pBlock, 0, MEM_RELEASE);
        if (m_hProcess)
            CloseHandle(m_hProcess);
    }
    CRemoteMemory(const CRemoteMemory&) = delete;
    CRemoteMemory& operator=(const CRemoteMemory&) = delete;

    char* At(SIZE_T nOffset) const { return m_pBlock ? m_pBlock + nOffset : nullptr; }
    bool Write(SIZE_T nOffset, const void* pData, SIZE_T nSize) const
    {
        return m_pBlock && WriteProcessMemory(m_hProcess, m_pBlock + nOffset, pData, nSize, nullptr);
    }
    bool Read(SIZE_T nOffset, void* pData, SIZE_T nSize) const
    {
        return m_pBlock && ReadProcessMemory(m_hProcess, m_pBlock + nOffset, pData, nSize, nullptr);
    }

private:
    HANDLE m_hProcess = nullptr;
    char* m_pBlock = nullptr;
};

// A tree-list control of another process, read through its messages.
class CRemoteTreeList
{
public:
    explicit CRemoteTreeList(HWND hList) : m_hList(hList), m_memory(hList, sizeof(TLCellArgs) + kTextSize) {}

    int Count() const { return static_cast<int>(Send(TLM_GETCOUNT, 0)); }
    int Columns() const { return static_cast<int>(Send(TLM_GETCOLUMNCOUNT, 0)); }
    WPARAM Row(int nIndex) const { return static_cast<WPARAM>(Send(TLM_GETITEM, static_cast<WPARAM>(nIndex))); }
    bool Ticked(int nIndex) const { return Send(TLM_GETCHECK, Row(nIndex)) != 0; }
    bool Locked(int nIndex) const { return Send(TLM_ISCHECKDISABLED, Row(nIndex)) != 0; }

    std::string Text(int nIndex, int nColumn) const
    {
        TLCellArgs args = Cell(nIndex, nColumn);
        args.pszBuffer = m_memory.At(sizeof(TLCellArgs));
        args.nBufferSize = kTextSize;
        char szText[kTextSize] = {};
        if (!Call(TLM_GETITEMTEXT, args) || !m_memory.Read(sizeof(TLCellArgs), szText, sizeof(szText) - 1))
            return std::string();
        return szText;
    }
    int Image(int nIndex) const
    {
        TLCellArgs args = Cell(nIndex, 0);
        if (!Call(TLM_GETITEMIMAGE, args) || !m_memory.Read(0, &args, sizeof(args)))
            return -1;
        return args.nImages[0];
    }

    // Where a click on the row's check box lands, in the list's client area.
    LPARAM CheckBoxPoint(int nIndex) const
    {
        RECT rcHeader = {};
        GetWindowRect(FindWindowExA(m_hList, nullptr, WC_HEADERA, nullptr), &rcHeader);
        int nRowHeight = 16;
        return MAKELPARAM(8, (rcHeader.bottom - rcHeader.top) + nIndex * nRowHeight + nRowHeight / 2);
    }

private:
    static const int kTextSize = 1024;

    LRESULT Send(UINT uMsg, WPARAM wParam, LPARAM lParam = 0) const
    {
        DWORD_PTR nResult = 0;
        SendMessageTimeoutA(m_hList, uMsg, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMs, &nResult);
        return static_cast<LRESULT>(nResult);
    }
    TLCellArgs Cell(int nIndex, int nColumn) const
    {
        TLCellArgs args = {};
        args.pItem = reinterpret_cast<CTreeListItem*>(Row(nIndex));
        args.nIndex = -1;
        args.nColumn = nColumn;
        return args;
    }
    bool Call(UINT uMsg, const TLCellArgs& args) const
    {
        if (!args.pItem || !m_memory.Write(0, &args, sizeof(args)))
            return false;
        Send(uMsg, 0, reinterpret_cast<LPARAM>(m_memory.At(0)));
        return true;
    }

    HWND m_hList;
    CRemoteMemory m_memory;
};

// Waits up to dwWait ms for the list, finding the window by its name again each time: the first
// window of that name may be one the program shows while it loads, before its wizard is made.
HWND FindTreeList(HWND& hWnd, const std::string& strWindow, const std::string& strId, DWORD dwWait)
{
    long lId = 0;
    if (!ParseNumber(strId, lId))
        throw CUsageError();
    DWORD dwStart = GetTickCount();
    HWND hList = nullptr;
    for (;;) {
        hList = FindControl(hWnd, [lId](HWND hChild) {
            return GetDlgCtrlID(hChild) == lId && HasClass(hChild, "CorvatelTreeList");
        });
        if (hList || GetTickCount() - dwStart >= dwWait)
            break;
        Sleep(kPollMs);
        if (HWND hFound = FindDialog(strWindow))
            hWnd = hFound;
    }
    if (!hList)
        Fail("no tree-list " + strId);
    return hList;
}

int CmdRows(HWND hList)
{
    CRemoteTreeList list(hList);
    int nColumns = list.Columns();
    for (int i = 0; i < list.Count(); ++i) {
        printf("%d|%d|%d", list.Ticked(i) ? 1 : 0, list.Locked(i) ? 1 : 0, list.Image(i));
        for (int c = 0; c < nColumns; ++c)
            printf("|%s", list.Text(i, c).c_str());
        printf("\n");
    }
    return 0;
}

int CmdTick(HWND hList, const std::string& strText)
{
    CRemoteTreeList list(hList);
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Text(i, 0) != strText)
            continue;
        LPARAM lPoint = list.CheckBoxPoint(i);
        if (!PostMessageA(hList, WM_LBUTTONDOWN, MK_LBUTTON, lPoint) || !PostMessageA(hList, WM_LBUTTONUP, 0, lPoint))
            return Fail("the click could not be posted");
        return 0;
    }
    return Fail("no row " + Quoted(strText));
}

int CmdClickWait(HWND hWnd, const std::string& strClick, const std::string& strUntil, DWORD dwTimeout)
{
    HWND hUntil = FindButton(hWnd, strUntil);
    if (!hUntil)
        return Fail("no control " + Quoted(strUntil));
    LARGE_INTEGER frequency = {}, start = {}, now = {};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (int nResult = CmdClick(hWnd, strClick))
        return nResult;
    // A fine poll: the time measured is the program's, not the driver's.
    for (;;) {
        QueryPerformanceCounter(&now);
        LONGLONG llMs = (now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
        if (IsWindowVisible(hUntil) && IsWindowEnabled(hUntil)) {
            printf("%lld\n", llMs);
            return 0;
        }
        if (llMs >= dwTimeout)
            return Fail(Quoted(strUntil) + " was not offered in time");
        Sleep(1);
    }
}

// The benchmarks' waits: a fine poll, so the time measured is the program's, not the driver's.
int WaitUntil(const std::function<bool()>& holds, const std::function<std::string()>& describe)
{
    LARGE_INTEGER frequency = {}, start = {}, now = {};
    QueryPerformanceFrequency(&frequency);
    if (!g_strPressWindow.empty()) {
        HWND hPress = WaitForDialog(g_strPressWindow, g_dwTimeout);
        if (!hPress)
            return Fail("no window " + Quoted(g_strPressWindow) + " came");
        if (int nResult = CmdClick(hPress, g_strPressButton))
            return nResult;
    }
    QueryPerformanceCounter(&start);
    for (;;) {
        bool bHolds = holds();
        QueryPerformanceCounter(&now);
        LONGLONG llMs = (now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
        if (bHolds) {
            FILETIME time = {};
            GetSystemTimeAsFileTime(&time);
            ULONGLONG ullUnixMs = ((static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime) -
                                   116444736000000000ULL) / 10000;
            printf("%llu\n", g_strPressWindow.empty() ? ullUnixMs : static_cast<ULONGLONG>(llMs));
            return 0;
        }
        if (llMs >= g_dwTimeout)
            return Fail("not so after " + std::to_string(llMs) + " ms; last seen: " + describe());
        Sleep(10);
    }
}

int CmdWaitList(HWND hWnd, HWND hList, int nCount, int nTextId, const std::string& strText)
{
    CRemoteTreeList list(hList);
    HWND hText = nTextId ? FindControlById(hWnd, nTextId) : nullptr;
    if (nTextId && !hText)
        return Fail("no control " + std::to_string(nTextId));
    int nSeen = 0;
    std::string strSeen;
    return WaitUntil(
        [&] {
            nSeen = list.Count();
            if (nSeen != nCount)
                return false;
            strSeen = hText ? UiDriver::GetText(hText) : strText;
            return strSeen == strText;
        },
        [&] { return std::to_string(nSeen) + " rows, " + Quoted(strSeen); });
}

int CmdWaitCells(HWND hList, int nColumn, const std::string& strText)
{
    CRemoteTreeList list(hList);
    std::string strSeen;
    return WaitUntil(
        [&] {
            int nRows = list.Count();
            strSeen = std::to_string(nRows) + " rows";
            for (int i = 0; i < nRows; ++i) {
                std::string strCell = list.Text(i, nColumn);
                if (strCell != strText) {
                    strSeen += ", row " + std::to_string(i) + " " + Quoted(strCell);
                    return false;
                }
            }
            return nRows > 0;
        },
        [&] { return strSeen; });
}

int CmdPeak()
{
    SIZE_T nPeak = 0;
    for (DWORD dwId : ProgramProcesses()) {
        HANDLE hProcess = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, dwId);
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof(counters);
        if (hProcess && GetProcessMemoryInfo(hProcess, &counters, sizeof(counters)) && counters.PeakWorkingSetSize > nPeak)
            nPeak = counters.PeakWorkingSetSize;
        if (hProcess)
            CloseHandle(hProcess);
    }
    if (!nPeak)
        return Fail("no working set of " + g_strProcess + " could be read");
    printf("%.1f\n", static_cast<double>(nPeak) / (1024 * 1024));
    return 0;
}

int CmdExit(DWORD dwTimeout)
{
    DWORD dwStart = GetTickCount();
    while (!ProgramProcesses().empty()) {
        if (GetTickCount() - dwStart >= dwTimeout)
            return Fail((g_dwPid ? std::to_string(g_dwPid) : g_strProcess) + " is still running");
        Sleep(kPollMs);
    }
    return 0;
}

int CmdKill()
{
    int nKilled = 0;
    for (DWORD dwId : ProgramProcesses()) {
        HANDLE hProcess = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, dwId);
        if (!hProcess)
            continue;
        if (TerminateProcess(hProcess, 1)) {
            WaitForSingleObject(hProcess, g_dwTimeout);
            ++nKilled;
        }
        CloseHandle(hProcess);
    }
    printf("%d\n", nKilled);
    return 0;
}

int Run(int argc, char** argv)
{
    int i = 1;
    for (; i + 1 < argc && strncmp(argv[i], "--", 2) == 0; i += 2) {
        long lValue = 0;
        if (strcmp(argv[i], "--process") == 0)
            g_strProcess = argv[i + 1];
        else if (strcmp(argv[i], "--pid") == 0 && ParseNumber(argv[i + 1], lValue))
            g_dwPid = static_cast<DWORD>(lValue);
        else if (strcmp(argv[i], "--timeout") == 0 && ParseNumber(argv[i + 1], lValue) && lValue >= 0)
            g_dwTimeout = static_cast<DWORD>(lValue);
        else if (strcmp(argv[i], "--press") == 0 && i + 2 < argc) {
            g_strPressWindow = argv[i + 1];
            g_strPressButton = argv[i + 2];
            ++i;
        }
        else
            throw CUsageError();
    }
    if (i >= argc)
        throw CUsageError();
    std::string strCommand = argv[i++];
    auto arg = [&](int nOffset) -> std::string {
        if (i + nOffset >= argc)
            throw CUsageError();
        return argv[i + nOffset];
    };

    if (strCommand == "list")
        return CmdList();
    if (strCommand == "wait") {
        HWND hWnd = WaitForDialog(arg(0), ParseTimeout(argc, argv, i + 1));
        if (!hWnd)
            return Fail("no window " + Quoted(arg(0)) + " came");
        printf("%s\n", UiDriver::GetText(hWnd).c_str());
        return 0;
    }
    if (strCommand == "gone") {
        std::string strName = arg(0);
        DWORD dwTimeout = ParseTimeout(argc, argv, i + 1), dwStart = GetTickCount();
        while (FindDialog(strName)) {
            if (GetTickCount() - dwStart >= dwTimeout)
                return Fail("window " + Quoted(strName) + " is still there");
            Sleep(kPollMs);
        }
        return 0;
    }
    if (strCommand == "answer")
        return CmdAnswer(arg(0), arg(1), ParseTimeout(argc, argv, i + 2));
    if (strCommand == "exit")
        return CmdExit(ParseTimeout(argc, argv, i));
    if (strCommand == "kill")
        return CmdKill();
    if (strCommand == "peak")
        return CmdPeak();

    static const char* const kWindowCommands[] = {"dump", "click", "text", "enabled", "visible", "key",
                                                  "pages", "close", "rows", "tick", "clickwait", "type",
                                                  "waitlist", "waitcells"};
    bool bKnown = false;
    for (const char* pszName : kWindowCommands)
        bKnown = bKnown || strCommand == pszName;
    if (!bKnown)
        throw CUsageError();
    HWND hWnd = RequireDialog(argc, argv, i);
    if (!hWnd)
        return 1;
    if (strCommand == "dump")
        return CmdDump(hWnd);
    if (strCommand == "click")
        return CmdClick(hWnd, arg(1));
    if (strCommand == "text" || strCommand == "type") {
        long lId = 0;
        if (!ParseNumber(arg(1), lId))
            throw CUsageError();
        HWND hControl = FindControlById(hWnd, static_cast<int>(lId));
        if (!hControl)
            return Fail("no control " + arg(1));
        if (strCommand == "type") {
            // WM_SETTEXT carries its text across processes; the edit tells its dialog as typing would.
            DWORD_PTR nResult = 0;
            if (!SendMessageTimeoutA(hControl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arg(2).c_str()),
                                     SMTO_ABORTIFHUNG, kAnswerMs, &nResult) || !nResult)
                return Fail("the text of control " + arg(1) + " could not be set");
            return 0;
        }
        printf("%s\n", UiDriver::GetText(hControl).c_str());
        return 0;
    }
    if (strCommand == "enabled" || strCommand == "visible") {
        HWND hControl = FindButton(hWnd, arg(1));
        if (!hControl)
            return Fail("no control " + Quoted(arg(1)));
        BOOL bState = strCommand == "enabled" ? IsWindowEnabled(hControl) : IsWindowVisible(hControl);
        printf("%d\n", bState ? 1 : 0);
        return 0;
    }
    if (strCommand == "key")
        return CmdKey(hWnd, arg(1));
    if (strCommand == "clickwait")
        return CmdClickWait(hWnd, arg(1), arg(2), ParseTimeout(argc, argv, i + 3));
    if (strCommand == "pages")
        return CmdPages(hWnd);
    if (strCommand == "rows" || strCommand == "tick" || strCommand == "waitlist" || strCommand == "waitcells") {
        bool bWait = strCommand == "waitlist" || strCommand == "waitcells";
        HWND hList = FindTreeList(hWnd, argv[i], arg(1), bWait ? g_dwTimeout : 0);
        if (!hList)
            return 1;
        if (strCommand == "rows")
            return CmdRows(hList);
        if (strCommand == "tick")
            return CmdTick(hList, arg(2));
        long lNumber = 0, lTextId = 0;
        if (!ParseNumber(arg(2), lNumber) || lNumber < 0)
            throw CUsageError();
        if (strCommand == "waitcells")
            return CmdWaitCells(hList, static_cast<int>(lNumber), arg(3));
        if (i + 3 < argc && (!ParseNumber(arg(3), lTextId) || lTextId <= 0))
            throw CUsageError();
        return CmdWaitList(hWnd, hList, static_cast<int>(lNumber), static_cast<int>(lTextId),
                           lTextId ? arg(4) : std::string());
    }
    // close: what a click on the close box sends
    return PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : Fail("SC_CLOSE could not be posted");
}

} // namespace

int main(int argc, char** argv)
{
    try {
        int nResult = Run(argc, argv);
        fflush(stdout);
        return nResult;
    } catch (const CUsageError&) {
        fputs(kUsage, stderr);
        return 2;
    }
}

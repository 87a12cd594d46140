// Window class, creation and the public operations, each a message to the control's window.
#include "TreeListCtrl.h"

#include "TreeListItem.h"
#include "TreeListMessages.h"

namespace {

const char kModuleAnchor = 0;

// The module holding this code, which may be a DLL rather than the program.
HINSTANCE ThisModule()
{
    HMODULE hModule = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       &kModuleAnchor, &hModule);
    return hModule;
}

} // namespace

BOOL TurboDllInitResourceChain()
{
    // Thread-safe once: a worker may create the first control while the program starts another.
    static const BOOL bRegistered = [] {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        if (!InitCommonControlsEx(&icc))
            return FALSE;
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &CTreeListCtrl::StaticWindowProc;
        wc.cbWndExtra = sizeof(CTreeListCtrl*);
        wc.hInstance = ThisModule();
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = TREELIST_CLASSNAME;
        return RegisterClassExA(&wc) != 0 ? TRUE : FALSE;
    }();
    return bRegistered;
}

CTreeListCtrl::CTreeListCtrl()
    : m_hHeader(nullptr), m_hImageList(nullptr), m_dwStyle(0), m_nItemHeight(16),
      m_pSelected(nullptr), m_nTopRow(0), m_nScrollX(0), m_bInLayout(false),
      m_bRedraw(true)
{
}

CTreeListCtrl::~CTreeListCtrl()
{
    // DestroyWindow works only on the window's own thread, so the window does it itself.
    if (m_hWnd)
        ::SendMessageA(m_hWnd, TLM_DESTROY, 0, 0);
}

BOOL CTreeListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (m_hWnd || !TurboDllInitResourceChain())
        return FALSE;
    CREATESTRUCTA cs = {};
    cs.lpCreateParams = this;
    cs.hInstance = ThisModule();
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID));
    cs.hwndParent = pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.style = static_cast<LONG>(dwStyle | WS_CLIPCHILDREN);
    cs.lpszClass = TREELIST_CLASSNAME;
    if (!PreCreateWindow(cs))
        return FALSE;
    HWND hWnd = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style),
                                cs.x, cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, this);
    return hWnd != nullptr ? TRUE : FALSE;
}

BOOL CTreeListCtrl::PreCreateWindow(CREATESTRUCTA&)
{
    return TRUE;
}

LRESULT CALLBACK CTreeListCtrl::StaticWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CTreeListCtrl* pThis;
    if (uMsg == WM_NCCREATE) {
        // A window made from a dialog template rather than by Create has no object and stays blank.
        pThis = static_cast<CTreeListCtrl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (pThis) {
            SetWindowLongPtrA(hWnd, 0, reinterpret_cast<LONG_PTR>(pThis));
            pThis->m_hWnd = hWnd;
        }
    } else {
        pThis = reinterpret_cast<CTreeListCtrl*>(GetWindowLongPtrA(hWnd, 0));
    }
    if (!pThis)
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    LRESULT lResult = pThis->WindowProc(uMsg, wParam, lParam);
    if (uMsg == WM_NCDESTROY) {
        SetWindowLongPtrA(hWnd, 0, 0);
        pThis->OnDestroyed();
    }
    return lResult;
}

// ---- Public operations -------------------------------------------------------------------

namespace {

LRESULT Send(HWND hWnd, UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return hWnd ? ::SendMessageA(hWnd, uMsg, wParam, lParam) : 0;
}

template <typename T>
LPARAM Args(T& args)
{
    return reinterpret_cast<LPARAM>(&args);
}

WPARAM Row(CTreeListItem* pItem)
{
    return reinterpret_cast<WPARAM>(pItem);
}

TLCellArgs Cell(CTreeListItem* pItem, int nIndex, int nColumn = 0)
{
    TLCellArgs args = {};
    args.pItem = pItem;
    args.nIndex = pItem ? -1 : nIndex;
    args.nColumn = nColumn;
    return args;
}

} // namespace

DWORD CTreeListCtrl::SetStyle(DWORD dwStyle)
{
    return static_cast<DWORD>(Send(m_hWnd, TLM_SETSTYLE, dwStyle));
}

HIMAGELIST CTreeListCtrl::SetImageList(HIMAGELIST hImageList)
{
    return reinterpret_cast<HIMAGELIST>(Send(m_hWnd, TLM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(hImageList)));
}

int CTreeListCtrl::SetItemHeight(int nHeight)
{
    return static_cast<int>(Send(m_hWnd, TLM_SETITEMHEIGHT, static_cast<WPARAM>(nHeight)));
}

int CTreeListCtrl::InsertColumn(LPCSTR pszName, UINT nFormat, int nWidth, int nBefore, int nMinWidth, int nMaxWidth)
{
    TLColumnArgs args = {pszName, nFormat, nBefore, nWidth, nMinWidth, nMaxWidth};
    return m_hWnd ? static_cast<int>(Send(m_hWnd, TLM_INSERTCOLUMN, 0, Args(args))) : -1;
}

BOOL CTreeListCtrl::SetColumnComboSorted(int nColumn, int nSorted)
{
    return static_cast<BOOL>(Send(m_hWnd, TLM_SETCOLUMNVALUE, static_cast<WPARAM>(nColumn), nSorted));
}

BOOL CTreeListCtrl::SetColumnModify(int nColumn, int nModify)
{
    return static_cast<BOOL>(Send(m_hWnd, TLM_SETCOLUMNVALUE, static_cast<WPARAM>(nColumn), nModify));
}

BOOL CTreeListCtrl::SetColumnWidth(int nColumn, int nWidth, int nMinWidth, int nMaxWidth)
{
    TLColumnArgs args = {nullptr, 0, nColumn, nWidth, nMinWidth, nMaxWidth};
    return static_cast<BOOL>(Send(m_hWnd, TLM_SETCOLUMNWIDTH, 0, Args(args)));
}

int CTreeListCtrl::GetColumnWidth(int nColumn) const
{
    return m_hWnd ? static_cast<int>(Send(m_hWnd, TLM_GETCOLUMNWIDTH, static_cast<WPARAM>(nColumn))) : -1;
}

int CTreeListCtrl::GetColumnCount() const
{
    return static_cast<int>(Send(m_hWnd, TLM_GETCOLUMNCOUNT));
}

CTreeListItem* CTreeListCtrl::InsertItem(LPCSTR pszText, CTreeListItem* pParent, CTreeListItem* pInsertAfter)
{
    TLInsertArgs args = {pszText, pParent, pInsertAfter};
    return reinterpret_cast<CTreeListItem*>(Send(m_hWnd, TLM_INSERTITEM, 0, Args(args)));
}

BOOL CTreeListCtrl::SetItemText(CTreeListItem* pItem, LPCSTR pszText, int nColumn)
{
    TLCellArgs args = Cell(pItem, -1, nColumn);
    args.pszText = pszText;
    return pItem ? static_cast<BOOL>(Send(m_hWnd, TLM_SETITEMTEXT, 0, Args(args))) : FALSE;
}

BOOL CTreeListCtrl::SetItemText(int nIndex, LPCSTR pszText, int nColumn)
{
    TLCellArgs args = Cell(nullptr, nIndex, nColumn);
    args.pszText = pszText;
    return static_cast<BOOL>(Send(m_hWnd, TLM_SETITEMTEXT, 0, Args(args)));
}

CString CTreeListCtrl::GetItemText(CTreeListItem* pItem, int nColumn) const
{
    return pItem ? CellText(Cell(pItem, -1, nColumn)) : CString();
}

CString CTreeListCtrl::GetItemText(int nIndex, int nColumn) const
{
    return CellText(Cell(nullptr, nIndex, nColumn));
}

CString CTreeListCtrl::CellText(TLCellArgs args) const
{
    // Most texts fit the first buffer; a longer one is asked for again at its length.
    char szText[256];
    args.pszBuffer = szText;
    args.nBufferSize = sizeof(szText);
    int nLength = static_cast<int>(Send(m_hWnd, TLM_GETITEMTEXT, 0, Args(args)));
    if (nLength < args.nBufferSize)
        return CString(szText, nLength);
    CString strText;
    args.pszBuffer = strText.GetBuffer(nLength);
    args.nBufferSize = nLength + 1;
    nLength = static_cast<int>(Send(m_hWnd, TLM_GETITEMTEXT, 0, Args(args)));
    strText.ReleaseBuffer(nLength < args.nBufferSize ? nLength : -1);
    return strText;
}

BOOL CTreeListCtrl::SetItemData(CTreeListItem* pItem, DWORD_PTR dwData)
{
    TLCellArgs args = Cell(pItem, -1);
    args.dwData = dwData;
    return pItem ? static_cast<BOOL>(Send(m_hWnd, TLM_SETITEMDATA, 0, Args(args))) : FALSE;
}

BOOL CTreeListCtrl::SetItemData(int nIndex, DWORD_PTR dwData)
{
    TLCellArgs args = Cell(nullptr, nIndex);
    args.dwData = dwData;
    return static_cast<BOOL>(Send(m_hWnd, TLM_SETITEMDATA, 0, Args(args)));
}

DWORD_PTR CTreeListCtrl::GetItemData(CTreeListItem* pItem) const
{
    TLCellArgs args = Cell(pItem, -1);
    return pItem ? static_cast<DWORD_PTR>(Send(m_hWnd, TLM_GETITEMDATA, 0, Args(args))) : 0;
}

DWORD_PTR CTreeListCtrl::GetItemData(int nIndex) const
{
    TLCellArgs args = Cell(nullptr, nIndex);
    return static_cast<DWORD_PTR>(Send(m_hWnd, TLM_GETITEMDATA, 0, Args(args)));
}

BOOL CTreeListCtrl::SetItemImage(CTreeListItem* pItem, int nImage, int nSelectedImage,
                                 int nExpandedImage, int nExpandedSelectedImage)
{
    TLCellArgs args = Cell(pItem, -1);
    args.nImages[0] = nImage;
    args.nImages[1] = nSelectedImage;
    args.nImages[2] = nExpandedImage;
    args.nImages[3] = nExpandedSelectedImage;
    return pItem ? static_cast<BOOL>(Send(m_hWnd, TLM_SETITEMIMAGE, 0, Args(args))) : FALSE;
}

BOOL CTreeListCtrl::GetItemImage(CTreeListItem* pItem, int& nImage, int& nSelectedImage,
                                 int& nExpandedImage, int& nExpandedSelectedImage) const
{
    TLCellArgs args = Cell(pItem, -1);
    if (!pItem || !Send(m_hWnd, TLM_GETITEMIMAGE, 0, Args(args)))
        return FALSE;
    nImage = args.nImages[0];
    nSelectedImage = args.nImages[1];
    nExpandedImage = args.nImages[2];
    nExpandedSelectedImage = args.nImages[3];
    return TRUE;
}

int CTreeListCtrl::GetCount() const
{
    return static_cast<int>(Send(m_hWnd, TLM_GETCOUNT));
}

CTreeListItem* CTreeListCtrl::GetTreeListItem(int nIndex) const
{
    return reinterpret_cast<CTreeListItem*>(Send(m_hWnd, TLM_GETITEM, static_cast<WPARAM>(nIndex)));
}

int CTreeListCtrl::GetItemIndex(CTreeListItem* pItem) const
{
    return m_hWnd ? static_cast<int>(Send(m_hWnd, TLM_GETITEMINDEX, Row(pItem))) : -1;
}

CTreeListItem* CTreeListCtrl::GetRootItem() const
{
    return GetTreeListItem(0);
}

CTreeListItem* CTreeListCtrl::GetNextItem(CTreeListItem* pItem, UINT nCode) const
{
    return reinterpret_cast<CTreeListItem*>(Send(m_hWnd, TLM_GETNEXTITEM, Row(pItem), nCode));
}

CTreeListItem* CTreeListCtrl::GetSelectedItem() const
{
    return reinterpret_cast<CTreeListItem*>(Send(m_hWnd, TLM_GETSELECTED));
}

BOOL CTreeListCtrl::GetCheck(CTreeListItem* pItem) const
{
    return static_cast<BOOL>(Send(m_hWnd, TLM_GETCHECK, Row(pItem)));
}

BOOL CTreeListCtrl::SetCheck(CTreeListItem* pItem, BOOL bCheck)
{
    return static_cast<BOOL>(Send(m_hWnd, TLM_SETCHECK, Row(pItem), bCheck));
}

BOOL CTreeListCtrl::DisableCheck(CTreeListItem* pItem, BOOL bDisable)
{
    return static_cast<BOOL>(Send(m_hWnd, TLM_DISABLECHECK, Row(pItem), bDisable));
}

BOOL CTreeListCtrl::IsCheckDisabled(CTreeListItem* pItem) const
{
    return static_cast<BOOL>(Send(m_hWnd, TLM_ISCHECKDISABLED, Row(pItem)));
}

BOOL CTreeListCtrl::DeleteItem(CTreeListItem* pItem)
{
    return static_cast<BOOL>(Send(m_hWnd, TLM_DELETEITEM, Row(pItem)));
}

BOOL CTreeListCtrl::DeleteAllItems()
{
    return static_cast<BOOL>(Send(m_hWnd, TLM_DELETEALLITEMS));
}

COLORREF CTreeListCtrl::GetTextColor(CTreeListItem*)
{
    return GetSysColor(COLOR_WINDOWTEXT);
}

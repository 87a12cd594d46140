#include "CDataExchange.h"
#include "CWnd.h"

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    if (pDX->m_bSaveAndValidate)
        value = pDX->m_pDlgWnd->GetDlgItemText(nIDC);
    else
        pDX->m_pDlgWnd->SetDlgItemText(nIDC, value);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hButton = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(SendMessageA(hButton, BM_GETCHECK, 0, 0));
    else
        SendMessageA(hButton, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hButton = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    for (int nIndex = 0; hButton; hButton = GetWindow(hButton, GW_HWNDNEXT)) {
        if (nIndex > 0 && (GetWindowLongA(hButton, GWL_STYLE) & WS_GROUP))
            break;
        if (!(SendMessageA(hButton, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            continue;
        if (pDX->m_bSaveAndValidate) {
            if (SendMessageA(hButton, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = nIndex;
        } else {
            SendMessageA(hButton, BM_SETCHECK, nIndex == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++nIndex;
    }
}

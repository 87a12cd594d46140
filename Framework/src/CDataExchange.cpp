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

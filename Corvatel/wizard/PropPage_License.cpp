#include "PropPage_License.h"

#include "PropSheet_Corvatel.h"
#include "Utilities.h"
#include "resource.h"

#include <CFile.h>

#include <cstring>

namespace {

const LPARAM kTextLimit = 1000000;
const char kLicenseFileName[] = "Software License Agreement.rtf";

// The part of the licence text not yet handed to the box.
struct CLicenseTextCursor
{
    LPCSTR pszNext;
    LONG nLeft;
};

} // namespace

CPropPage_License::CPropPage_License(CPropSheet_Corvatel* pSheet)
    : CPropPage_Base(pSheet, IDD_LICENSE, IDS_LICENSE_TITLE, IDS_LICENSE_SUBTITLE)
{
}

void CPropPage_License::DoDataExchange(CDataExchange* pDX)
{
    DDX_Radio(pDX, IDC_AGREE, m_nAgree);
}

BOOL CPropPage_License::OnInitDialog()
{
    CPropPage_Base::OnInitDialog();
    LoadLicenseText();
    return TRUE;
}

BOOL CPropPage_License::OnSetActive()
{
    if (m_nAgree == 0)
        OnAgree();
    else
        OnDisagree();
    return CPropertyPage::OnSetActive();
}

void CPropPage_License::LoadLicenseText()
{
    CString strText = m_pSheet->m_strLicenseText;
    SendDlgItemMessageA(m_hWnd, IDC_LICENSE_TEXT, EM_EXLIMITTEXT, 0, kTextLimit);
    if (!strText.IsEmpty()) {
        CLicenseTextCursor cursor = {strText, strText.GetLength()};
        StreamIn(StreamFromText, reinterpret_cast<DWORD_PTR>(&cursor));
        return;
    }
    CString strPath;
    strPath.Format("%s%s", static_cast<LPCSTR>(AddTrailingBackslash(GetModuleFolder())), kLicenseFileName);
    CFile file;
    // Without the file the box stays empty and the page works as usual.
    if (!file.Open(strPath, CFile::modeRead | CFile::shareDenyNone))
        return;
    StreamIn(StreamFromFile, reinterpret_cast<DWORD_PTR>(&file));
    file.Close();
}

void CPropPage_License::StreamIn(EDITSTREAMCALLBACK pfnCallback, DWORD_PTR dwCookie)
{
    EDITSTREAM stream = {};
    stream.dwCookie = dwCookie;
    stream.pfnCallback = pfnCallback;
    SendDlgItemMessageA(m_hWnd, IDC_LICENSE_TEXT, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

DWORD CALLBACK CPropPage_License::StreamFromText(DWORD_PTR dwCookie, LPBYTE pbBuff, LONG cb, LONG* pcb)
{
    CLicenseTextCursor* pCursor = reinterpret_cast<CLicenseTextCursor*>(dwCookie);
    LONG nCount = pCursor->nLeft < cb ? pCursor->nLeft : cb;
    memcpy(pbBuff, pCursor->pszNext, static_cast<size_t>(nCount));
    pCursor->pszNext += nCount;
    pCursor->nLeft -= nCount;
    *pcb = nCount;
    return 0;
}

DWORD CALLBACK CPropPage_License::StreamFromFile(DWORD_PTR dwCookie, LPBYTE pbBuff, LONG cb, LONG* pcb)
{
    // A failed read counts as the end of the file.
    *pcb = static_cast<LONG>(reinterpret_cast<CFile*>(dwCookie)->Read(pbBuff, static_cast<UINT>(cb)));
    return 0;
}

void CPropPage_License::OnAgree()
{
    m_nAgree = 0;
    UpdateData(FALSE);
    ::PostMessageA(::GetParent(m_hWnd), PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
}

void CPropPage_License::OnDisagree()
{
    m_nAgree = 1;
    UpdateData(FALSE);
    ::PostMessageA(::GetParent(m_hWnd), PSM_SETWIZBUTTONS, 0, PSWIZB_BACK);
}

BOOL CPropPage_License::DialogProc(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)
{
    if (uMsg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_AGREE:
            OnAgree();
            return TRUE;
        case IDC_DISAGREE:
            OnDisagree();
            return TRUE;
        }
    }
    return CPropPage_Base::DialogProc(uMsg, wParam, lParam, lResult);
}

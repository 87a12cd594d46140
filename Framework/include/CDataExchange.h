// Dialog data exchange: moves values between a dialog's controls and its members,
// into the controls when m_bSaveAndValidate is FALSE, out of them when TRUE.
#pragma once

#include "CString.h"

class CWnd;

class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// A check box's state: 0 unchecked, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// The index of the checked button in the radio group that starts at nIDC (the group runs up to the
// next control marked WS_GROUP); -1 when none is checked.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);

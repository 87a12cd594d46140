// CTreeListItem: one row's contents. Only the control's window thread touches them.
#pragma once

#include <CString.h>

#include <vector>

class CTreeListItem
{
public:
    std::vector<CString> m_texts;       // one per column written so far
    DWORD_PTR m_dwData = 0;
    int m_nImages[4] = {-1, -1, -1, -1};
    bool m_bChecked = false;
    bool m_bCheckDisabled = false;
    size_t m_nIndex = 0;                // its place in the control's rows, holes included
};

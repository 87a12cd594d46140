// CStringList: a list of CString values, owned by the list.
#pragma once

#include "CListT.h"
#include "CString.h"

class CStringList : public CListT<CString>
{
public:
    explicit CStringList(int nBlockSize = 10) : CListT<CString>(nBlockSize) {}
};

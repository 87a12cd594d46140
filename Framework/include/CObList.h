// CObList: a list of CObject pointers; the list does not own the objects it points to.
#pragma once

#include "CListT.h"

class CObList : public CListT<CObject*>
{
public:
    explicit CObList(int nBlockSize = 10) : CListT<CObject*>(nBlockSize) {}
};

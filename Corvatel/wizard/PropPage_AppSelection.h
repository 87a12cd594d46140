// CPropPage_AppSelection: The first page: the applications to install and the components they need.
#pragma once

#include "PropPage_Base.h"

class CPropPage_AppSelection : public CPropPage_Base
{
public:
    explicit CPropPage_AppSelection(CPropSheet_Corvatel* pSheet);

    int GetPageId() const override { return 101; }
};

// CPropPage_License: The licence page: the licence text the user must agree to.
#pragma once

#include "PropPage_Base.h"

class CPropPage_License : public CPropPage_Base
{
public:
    explicit CPropPage_License(CPropSheet_Corvatel* pSheet);

    int GetPageId() const override { return 103; }
};

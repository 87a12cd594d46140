// CPropPage_Install: The last page: review, download and install the selected components.
#pragma once

#include "PropPage_Base.h"

class CPropPage_Install : public CPropPage_Base
{
public:
    explicit CPropPage_Install(CPropSheet_Corvatel* pSheet);

    int GetPageId() const override { return 104; }
};

// CPropPage_DestinationFolder: The folders page: where setups are downloaded and components installed.
#pragma once

#include "PropPage_Base.h"

class CPropPage_DestinationFolder : public CPropPage_Base
{
public:
    explicit CPropPage_DestinationFolder(CPropSheet_Corvatel* pSheet);

    int GetPageId() const override { return 102; }
};

// CSysManagerGroupMJ: the built-in system manager operator group of a server.
#pragma once

#include "operators/OperatorGroup.h"

class CSysManagerGroupMJ : public COperatorGroup {
    NO_DECLARE_OBJECT_CLASS(CSysManagerGroupMJ)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    CSysManagerGroupMJ();
    ~CSysManagerGroupMJ() override;
};

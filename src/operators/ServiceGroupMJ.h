// CServiceGroupMJ: the built-in service operator group of a server.
#pragma once

#include "operators/OperatorGroup.h"

class CServiceGroupMJ : public COperatorGroup {
    NO_DECLARE_OBJECT_CLASS(CServiceGroupMJ)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    CServiceGroupMJ();
    ~CServiceGroupMJ() override;
};

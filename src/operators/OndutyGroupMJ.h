// COndutyGroupMJ: the built-in on-duty operator group of a server.
#pragma once

#include "operators/OperatorGroup.h"

class COndutyGroupMJ : public COperatorGroup {
    NO_DECLARE_OBJECT_CLASS(COndutyGroupMJ)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    COndutyGroupMJ();
    ~COndutyGroupMJ() override;
};

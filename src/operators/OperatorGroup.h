// COperatorGroup: a container of operators that grants and locks privileges.
#pragma once

#include "membership/Container.h"

class COperatorGroup : public CContainer {
    NO_DECLARE_OBJECT_CLASS(COperatorGroup)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    COperatorGroup();
    ~COperatorGroup() override;
};

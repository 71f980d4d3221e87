// CAdminActor: the built-in administrator operator of a server.
#pragma once

#include "operators/Operator.h"

class CAdminActor : public COperator {
    NO_DECLARE_OBJECT_CLASS(CAdminActor)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    CAdminActor();
    ~CAdminActor() override;
};

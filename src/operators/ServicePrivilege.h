// CServicePrivilege: the built-in service privilege object of a server.
#pragma once

#include "operators/PrivilegeObject.h"

class CServicePrivilege : public CPrivilegeObject {
    NO_DECLARE_OBJECT_CLASS(CServicePrivilege)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    CServicePrivilege();
    ~CServicePrivilege() override;
};

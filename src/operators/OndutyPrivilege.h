// COndutyPrivilege: the built-in on-duty privilege object of a server.
#pragma once

#include "operators/PrivilegeObject.h"

class COndutyPrivilege : public CPrivilegeObject {
    NO_DECLARE_OBJECT_CLASS(COndutyPrivilege)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    COndutyPrivilege();
    ~COndutyPrivilege() override;
};

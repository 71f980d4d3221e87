// CSysManagerPrivilege: the built-in system manager privilege object of a server.
#pragma once

#include "operators/PrivilegeObject.h"

class CSysManagerPrivilege : public CPrivilegeObject {
    NO_DECLARE_OBJECT_CLASS(CSysManagerPrivilege)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    CSysManagerPrivilege();
    ~CSysManagerPrivilege() override;
};

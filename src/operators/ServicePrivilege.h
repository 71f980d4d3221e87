// CServicePrivilege: the built-in service privilege object of a server, created when missing.
#pragma once

#include "operators/Builtin.h"
#include "operators/PrivilegeObject.h"

class NAMEOBJECT_API CServicePrivilege : public CPrivilegeObject {
    NO_DECLARE_OBJECT_CLASS(CServicePrivilege, 854, 0x83000100)
    NO_DECLARE_BUILTIN(CServicePrivilege)

public:
    CServicePrivilege();
    ~CServicePrivilege() override;

    int GetDefaultPrivilegeFromDB() override;
    std::int32_t UpdateRecord() override;
};

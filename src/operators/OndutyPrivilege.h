// COndutyPrivilege: the built-in on-duty privilege object of a server, created when missing.
#pragma once

#include "operators/Builtin.h"
#include "operators/PrivilegeObject.h"

class NAMEOBJECT_API COndutyPrivilege : public CPrivilegeObject {
    NO_DECLARE_OBJECT_CLASS(COndutyPrivilege, 855, 0x83000100)
    NO_DECLARE_BUILTIN(COndutyPrivilege)

public:
    COndutyPrivilege();
    ~COndutyPrivilege() override;

    int GetDefaultPrivilegeFromDB() override;
    std::int32_t UpdateRecord() override;
};

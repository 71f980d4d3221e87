// COndutyPrivilege: the built-in on-duty privilege object of a server.
#pragma once

#include "operators/PrivilegeObject.h"

class NAMEOBJECT_API COndutyPrivilege : public CPrivilegeObject {
    NO_DECLARE_OBJECT_CLASS(COndutyPrivilege, 855, 0x83000100)

public:

    COndutyPrivilege();
    ~COndutyPrivilege() override;
};

// CServicePrivilege: the built-in service privilege object of a server.
#pragma once

#include "operators/PrivilegeObject.h"

class NAMEOBJECT_API CServicePrivilege : public CPrivilegeObject {
    NO_DECLARE_OBJECT_CLASS(CServicePrivilege, 854, 0x83000100)

public:

    CServicePrivilege();
    ~CServicePrivilege() override;
};

// CSysManagerPrivilege: the built-in system manager privilege object of a server.
#pragma once

#include "operators/PrivilegeObject.h"

class NAMEOBJECT_API CSysManagerPrivilege : public CPrivilegeObject {
    NO_DECLARE_OBJECT_CLASS(CSysManagerPrivilege, 853, 0x83000100)

public:

    CSysManagerPrivilege();
    ~CSysManagerPrivilege() override;
};

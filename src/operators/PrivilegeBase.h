// CPrivilegeBase: a named object holding a set of privilege keys.
#pragma once

#include "membership/AccessObject.h"

class NAMEOBJECT_API CPrivilegeBase : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CPrivilegeBase, 850, 0x03000100)

public:

    CPrivilegeBase();
    ~CPrivilegeBase() override;
};

// CPrivilegeObject: a privilege object that grants its privileges.
#pragma once

#include "operators/PrivilegeBase.h"

class NAMEOBJECT_API CPrivilegeObject : public CPrivilegeBase {
    NO_DECLARE_OBJECT_CLASS(CPrivilegeObject, 851, 0x03000100)

public:
    CPrivilegeObject();
    ~CPrivilegeObject() override;
};

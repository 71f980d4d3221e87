// CPrivilegeLock: a privilege object that locks its privileges.
#pragma once

#include "operators/PrivilegeBase.h"

class NAMEOBJECT_API CPrivilegeLock : public CPrivilegeBase {
    NO_DECLARE_OBJECT_CLASS(CPrivilegeLock, 852, 0x03000100)

public:
    CPrivilegeLock();
    ~CPrivilegeLock() override;
};

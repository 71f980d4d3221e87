// CPrivilegeLock: a privilege object that locks its privileges.
#pragma once

#include "operators/PrivilegeBase.h"

class CPrivilegeLock : public CPrivilegeBase {
    NO_DECLARE_OBJECT_CLASS(CPrivilegeLock)

public:
    static constexpr std::int32_t kDataVersion = 0x03000100 & 0x7FFFFFFF;

    CPrivilegeLock();
    ~CPrivilegeLock() override;
};

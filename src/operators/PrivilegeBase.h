// CPrivilegeBase: a named object holding a set of privilege keys.
#pragma once

#include "membership/AccessObject.h"

class CPrivilegeBase : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CPrivilegeBase)

public:
    static constexpr std::int32_t kDataVersion = 0x03000100 & 0x7FFFFFFF;

    CPrivilegeBase();
    ~CPrivilegeBase() override;
};

// CPrivilegeObject: a privilege object that grants its privileges.
#pragma once

#include "operators/PrivilegeBase.h"

class CPrivilegeObject : public CPrivilegeBase {
    NO_DECLARE_OBJECT_CLASS(CPrivilegeObject)

public:
    static constexpr std::int32_t kDataVersion = 0x03000100 & 0x7FFFFFFF;

    CPrivilegeObject();
    ~CPrivilegeObject() override;
};

// COperator: an operator account.
#pragma once

#include <cstdint>
#include <memory>

#include "membership/AccessObject.h"

class NAMEOBJECT_API COperator : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(COperator, 1200, 0x83000500)

public:

    COperator();
    ~COperator() override;

    using CAccessObject::HasPrivilege;  // (operator, class, ID), asked of an object

    // ---- virtual operations added after CAccessObject's, in slot order ---------
    // Whether this operator may exercise the privilege (class, ID) on object.
    virtual int HasPrivilege(std::shared_ptr<CAccessObject> object, std::uint32_t privilegeClassID,
                             std::uint32_t privilegeID);
};

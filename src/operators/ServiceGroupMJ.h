// CServiceGroupMJ: the built-in service operator group of a server, created when missing; it holds
// the service privilege object on the server's whole tree unless configured otherwise.
#pragma once

#include "operators/Builtin.h"
#include "operators/OperatorGroup.h"

class NAMEOBJECT_API CServiceGroupMJ : public COperatorGroup {
    NO_DECLARE_OBJECT_CLASS(CServiceGroupMJ, 1302, 0x83000100)
    NO_DECLARE_BUILTIN(CServiceGroupMJ)

public:
    CServiceGroupMJ();
    ~CServiceGroupMJ() override;

    static std::int32_t InsertObject(std::shared_ptr<CNameObject> object);

    std::int32_t UpdateRecord() override;
    // Joins the server object and, unless the grant map has an entry for the group's server,
    // holds the paired privilege object there on the server object.
    void InitObjectRelation() override;
};

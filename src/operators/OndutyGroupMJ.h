// COndutyGroupMJ: the built-in on-duty operator group of a server, created when missing; it holds
// the on-duty privilege object on the server's whole tree unless configured otherwise.
#pragma once

#include "operators/Builtin.h"
#include "operators/OperatorGroup.h"

class NAMEOBJECT_API COndutyGroupMJ : public COperatorGroup {
    NO_DECLARE_OBJECT_CLASS(COndutyGroupMJ, 1303, 0x83000100)
    NO_DECLARE_BUILTIN(COndutyGroupMJ)

public:
    COndutyGroupMJ();
    ~COndutyGroupMJ() override;

    static std::int32_t InsertObject(std::shared_ptr<CNameObject> object);

    std::int32_t UpdateRecord() override;
    // Joins the server object and, unless the grant map has an entry for the group's server,
    // holds the paired privilege object there on the server object.
    void InitObjectRelation() override;
};

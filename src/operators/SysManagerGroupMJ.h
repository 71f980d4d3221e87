// CSysManagerGroupMJ: the built-in system manager operator group of a server, created when missing;
// it holds the system manager privilege object on the server's whole tree unless configured
// otherwise.
#pragma once

#include "operators/Builtin.h"
#include "operators/OperatorGroup.h"

class NAMEOBJECT_API CSysManagerGroupMJ : public COperatorGroup {
    NO_DECLARE_OBJECT_CLASS(CSysManagerGroupMJ, 1301, 0x83000100)
    NO_DECLARE_BUILTIN(CSysManagerGroupMJ)

public:
    CSysManagerGroupMJ();
    ~CSysManagerGroupMJ() override;

    static std::int32_t InsertObject(std::shared_ptr<CNameObject> object);

    std::int32_t UpdateRecord() override;
    // Joins the server object and, unless the grant map has an entry for the group's server,
    // holds the paired privilege object there on the server object.
    void InitObjectRelation() override;
    std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                std::uint32_t sections) override;
};

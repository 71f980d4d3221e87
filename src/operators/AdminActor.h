// CAdminActor: the built-in administrator operator of a server ("admin"), created when
// missing. It has every privilege.
#pragma once

#include "operators/Builtin.h"
#include "operators/Operator.h"

class NAMEOBJECT_API CAdminActor : public COperator {
    NO_DECLARE_OBJECT_CLASS(CAdminActor, 1201, 0x83000100)
    NO_DECLARE_BUILTIN(CAdminActor)

public:
    CAdminActor();
    ~CAdminActor() override;

    static std::int32_t InsertObject(std::shared_ptr<CNameObject> object);  // COperator's

    std::int32_t UpdateRecord() override;
    std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                std::uint32_t sections) override;
    // Joins the server object when not yet a member.
    void InitObjectRelation() override;
};

// CSysManagerPrivilege: the built-in system manager privilege object of a server, created when
// missing.
#pragma once

#include "operators/Builtin.h"
#include "operators/PrivilegeObject.h"

class NAMEOBJECT_API CSysManagerPrivilege : public CPrivilegeObject {
    NO_DECLARE_OBJECT_CLASS(CSysManagerPrivilege, 853, 0x83000100)
    NO_DECLARE_BUILTIN(CSysManagerPrivilege)

public:
    CSysManagerPrivilege();
    ~CSysManagerPrivilege() override;

    int GetDefaultPrivilegeFromDB() override;
    std::int32_t UpdateRecord() override;
    std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                std::uint32_t sections) override;
};

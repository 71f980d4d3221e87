// CPrivilegeBase: a named object holding a set of privilege keys (privilege class ID << 32 |
// privilege ID). The granted set is what the privilege checks consult; the default set holds
// the class's default privileges as configured in the SpecialPrivilegeObject table.
#pragma once

#include <cstdint>
#include <memory>
#include <set>

#include "membership/AccessObject.h"

class NAMEOBJECT_API CPrivilegeBase : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CPrivilegeBase, 850, 0x03000100)

public:
    using KeySet = std::set<std::uint64_t>;

    CPrivilegeBase();
    ~CPrivilegeBase() override;

    static constexpr std::uint64_t MakePrivilegeKey(std::uint32_t privilegeClassID,
                                                    std::uint32_t privilegeID) {
        return (static_cast<std::uint64_t>(privilegeClassID) << 32) | privilegeID;
    }
    // The object as a privilege object; empty when it is none.
    static std::shared_ptr<CPrivilegeBase> Cast(const std::shared_ptr<CNameObject>& object);

    // Whether the granted set holds the key (a lookup, independent of the set's size).
    bool Grants(std::uint64_t privilegeKey) const { return m_setGranted.count(privilegeKey) != 0; }
    const KeySet& GetGrantedPrivileges() const { return m_setGranted; }
    void SetGrantedPrivileges(const KeySet& keys) { m_setGranted = keys; }
    const KeySet& GetDefaultPrivileges() const { return m_setDefault; }

    // ---- virtual operations added after CAccessObject's, in slot order ---------
    // Refills the default set from SpecialPrivilegeObject rows of this class: 1, or 0 without
    // a database or when the query cannot be opened (the set is then empty).
    virtual int GetDefaultPrivilegeFromDB();

    // ---- overrides ------------------------------------------------------------
    std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                std::uint32_t sections) override;
    using CNameObject::LoadRestData;
    using CNameObject::SaveRestData;
    int SaveRestData(CBufferWriter& writer) override;
    int LoadRestData(CBufferReader& reader, int restArg) override;

    static std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);

protected:
    KeySet m_setGranted;
    KeySet m_setDefault;
};

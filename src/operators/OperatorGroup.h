// COperatorGroup: a container of operators. Its grant map ties objects to privilege objects
// (the members have those privileges on the object and everything inside it), its lock map
// ties objects to lock objects (the members are locked out of those privileges there).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "membership/Container.h"

class NAMEOBJECT_API COperatorGroup : public CContainer {
    NO_DECLARE_OBJECT_CLASS(COperatorGroup, 1300, 0x83000100)

public:
    // server number -> object key (class ID << 32 | ID) -> privilege object ID
    using PrivilegeMap = std::map<std::uint32_t, std::map<std::uint64_t, std::uint32_t>>;

    // Where a search found its match: the privilege (or lock) object's ID, and the chain of
    // objects from the asked object (first) up to the one the map names (last).
    struct Match {
        std::uint32_t privilegeObjectID = 0;
        std::vector<std::shared_ptr<CAccessObject>> chain;
    };

    COperatorGroup();
    ~COperatorGroup() override;

    // The object as a group; empty when it is none.
    static std::shared_ptr<COperatorGroup> Cast(const std::shared_ptr<CNameObject>& object);

    const PrivilegeMap& GetPrivilegeObject() const { return m_mapPrivilegeObject; }
    void SetPrivilegeObject(const PrivilegeMap& map) {
        m_mapPrivilegeObject = map;
        MapsChanged();
    }
    const PrivilegeMap& GetPrivilegeLock() const { return m_mapPrivilegeLock; }
    void SetPrivilegeLock(const PrivilegeMap& map) {
        m_mapPrivilegeLock = map;
        MapsChanged();
    }

    // The keys (class ID << 32 | ID) a privilege search for object visits: the object, every
    // container above it and, above an object outside every container, the server object;
    // each once, into keys (emptied first; left empty for a null object).
    static void PrivilegeScope(const std::shared_ptr<CAccessObject>& object,
                               std::vector<std::uint64_t>& keys);
    // Names the content of the two maps: a new value whenever either changes, so two equal
    // stamps (of this or of a copied group) mean equal maps, and a cache built from the maps
    // stays valid while the stamp is unchanged.
    std::uint64_t GetPrivilegeStamp() const { return m_nPrivilegeStamp; }
    // Whether HasPrivilegeLock and HasPrivilegeObject answer exactly what the two maps give for
    // the object's PrivilegeScope: true for the library's own group classes only; a class that
    // may override the two searches is asked through them.
    bool SearchesByIndex() const;

    // JudgePrivilege that also reports where it matched (match may be null): 1 or 0.
    int FindPrivilege(const std::shared_ptr<CAccessObject>& object, int lock,
                      std::uint32_t privilegeClassID, std::uint32_t privilegeID, Match* match);

    // ---- virtual operations added after CContainer's, in slot order -------------
    // 1 when the grant map gives the privilege on object or on anything containing it.
    virtual int HasPrivilegeObject(std::shared_ptr<CAccessObject> object,
                                   std::uint32_t privilegeClassID, std::uint32_t privilegeID);
    // 1 when the lock map locks the privilege on object or on anything containing it.
    virtual int HasPrivilegeLock(std::shared_ptr<CAccessObject> object,
                                 std::uint32_t privilegeClassID, std::uint32_t privilegeID);

    // ---- overrides ------------------------------------------------------------
    // Only operators may join: E_WRONG_OBJECT_CLASS for anything else.
    std::int32_t AddObject(std::shared_ptr<CAccessObject> member, int write) override;
    std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                std::uint32_t sections) override;
    using CNameObject::LoadRestData;
    using CNameObject::SaveRestData;
    int SaveRestData(CBufferWriter& writer) override;
    int LoadRestData(CBufferReader& reader, int restArg) override;

    // The class-registry entries.
    static std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);
    static std::int32_t InitObjectMap();  // 0; groups load with every other object

protected:
    friend class CPrivilegeQuery;

    // Whether the chosen map names, for the object (classID, id), a privilege object of this
    // group's server whose granted set holds the privilege; its ID goes to foundID.
    int CheckPrivilege(std::uint32_t classID, std::uint32_t objectID, int lock,
                       std::uint32_t privilegeClassID, std::uint32_t privilegeID,
                       std::uint32_t* foundID = nullptr);
    int JudgePrivilege(std::shared_ptr<CAccessObject> object, int lock,
                       std::uint32_t privilegeClassID, std::uint32_t privilegeID);

    PrivilegeMap m_mapPrivilegeObject;
    PrivilegeMap m_mapPrivilegeLock;

private:
    void MapsChanged();

    std::uint64_t m_nPrivilegeStamp;
};

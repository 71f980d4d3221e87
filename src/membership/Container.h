// CContainer: an access object that holds members keyed by their MJOBJECT_KEY. Membership
// lives on both sides in memory (the member map, each member's container list) and, when the
// caller asks for it, in the Container table.
#pragma once

#include <map>
#include <memory>

#include "membership/AccessObject.h"

class NAMEOBJECT_API CContainer : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CContainer, 3, 0x83000100)

public:
    using MemberMap = std::map<MJOBJECT_KEY, std::shared_ptr<CAccessObject>>;

    CContainer();
    ~CContainer() override;

    // ---- virtual operations added after CAccessObject's, in slot order ---------
    // Whether object lies inside this container, at any depth.
    virtual int HasObject(const std::shared_ptr<CAccessObject>& object);
    // Enters member (and this container into the member's list); with write != 0 also a
    // Container row. 0, E_CONTAINER_MEMBER_NULL, E_CONTAINER_CYCLE or a database code.
    virtual std::int32_t AddObject(std::shared_ptr<CAccessObject> member, int write);
    // Takes the member with this key out (and this container out of its list); with
    // write != 0 also its Container row. 0 (also when it is no member; removed then stays as
    // it was), E_DATABASE_UNAVAILABLE, or a database code.
    virtual std::int32_t RemoveObject(std::uint32_t classID, std::uint32_t id,
                                      std::uint32_t serverNO,
                                      std::shared_ptr<CAccessObject>& removed, int write);
    std::int32_t RemoveObject(std::shared_ptr<CAccessObject> member, int write);

    std::shared_ptr<CAccessObject> GetObjectW(std::uint32_t classID, std::uint32_t id,
                                              std::uint32_t serverNO) const;
    int GetObjectCount() const { return static_cast<int>(m_mapMemberObjects.size()); }
    const MemberMap& GetMemberObjects() const { return m_mapMemberObjects; }
    void GetMemberObjects(MemberMap& out) const { out = m_mapMemberObjects; }
    // Members of the class (or, with includeDerived, of its descendants) added to out.
    int GetMemberObjects(std::uint32_t classID, int includeDerived, MemberMap& out) const;
    MemberMap GetMemberObjects(std::uint32_t classID, int includeDerived) const;
    // The same, through member containers at every depth.
    int GetChildren(std::uint32_t classID, int includeDerived, MemberMap& out) const;

    // ---- overrides ------------------------------------------------------------
    void FinalRelease() override;
    using CNameObject::LoadRestData;
    using CNameObject::SaveRestData;
    int SaveRestData(CBufferWriter& writer) override;
    int LoadRestData(CBufferReader& reader, int restArg) override;
    int LoadRestData_V2(const void* data, int* size, int version) override;

    // The class-registry entries.
    static std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);
    static void DestroyObject(std::shared_ptr<CNameObject> object);
    static std::int32_t InitObjectMap();

protected:
    friend class CAccessObject;
    bool RemoveElementFromChildren(std::shared_ptr<CAccessObject> member);

    MemberMap m_mapMemberObjects;
};

#include "membership/Container.h"

#include "core/ChangeNotice.h"
#include "core/RestData.h"
#include "platform/Database.h"
#include "platform/StringFormat.h"
#include "registry/ClassRegistry.h"

NO_IMPLEMENT_OBJECT_CLASS(CContainer, CAccessObject)

namespace {

constexpr std::uint32_t kContainerClassID = 3;
// The older raw form of a container carries one further word that is no longer kept.
constexpr int kRawSkippedBytes = 4;

CContainer* AsContainer(const std::shared_ptr<CAccessObject>& object) {
    if (!object || !object->IsKindOf(RUNTIME_CLASS(CContainer))) return nullptr;
    return static_cast<CContainer*>(object.get());
}

int Int(std::uint32_t v) { return static_cast<int>(v); }

}  // namespace

CContainer::CContainer() { m_nClassID = kClassID; }

CContainer::~CContainer() = default;

// ---- membership ---------------------------------------------------------------

int CContainer::HasObject(const std::shared_ptr<CAccessObject>& object) {
    if (!object || !object->IsKindOf(RUNTIME_CLASS(CAccessObject))) return 0;
    if (m_mapMemberObjects.count(object->GetObjectUniqueID()) != 0) return 1;
    for (const auto& [key, member] : m_mapMemberObjects) {
        CContainer* inner = AsContainer(member);
        if (inner && inner->HasObject(object)) return 1;
    }
    return 0;
}

std::int32_t CContainer::AddObject(std::shared_ptr<CAccessObject> member, int write) {
    if (!member) return E_CONTAINER_MEMBER_NULL;
    auto self = SelfAs<CContainer>();
    if (CContainer* inner = AsContainer(member)) {
        if (inner == this || inner->HasObject(self)) return E_CONTAINER_CYCLE;
    }
    const MJOBJECT_KEY key = member->GetObjectUniqueID();
    // Members join in ascending key order at start-up: the end hint then saves the search.
    const std::size_t before = m_mapMemberObjects.size();
    m_mapMemberObjects.try_emplace(m_mapMemberObjects.end(), key, member);
    if (m_mapMemberObjects.size() == before) return 0;
    member->InsertElementToContainers(self);
    if (!write) return 0;

    // The membership stays in memory whatever the database says.
    CADODatabase* db = GetDatabase();
    if (!db) return E_DATABASE_UNAVAILABLE;
    const std::string sql = StrPrintf(
        "INSERT INTO Container(nContainerID, nSubObjectID, nContainerClassID ,nSubClassID,"
        "nContainerServerNO,nSubObjectServerNO)VALUES(%d, %d, %d, %d, %d, %d)",
        Int(m_nID), Int(member->GetID()), Int(m_nClassID), Int(member->GetObjectClassID()),
        Int(m_nServerNO), Int(member->GetServerNO()));
    if (!db->Execute(sql)) return E_DATABASE_OPERATION;
    AnnounceChange(db, ChangeOperation::AddMember, key, GetObjectUniqueID());
    return 0;
}

std::int32_t CContainer::RemoveObject(std::uint32_t classID, std::uint32_t id,
                                      std::uint32_t serverNO,
                                      std::shared_ptr<CAccessObject>& removed, int write) {
    CADODatabase* db = nullptr;
    if (write) {
        db = GetDatabase();
        if (!db) return E_DATABASE_UNAVAILABLE;
    }
    auto it = m_mapMemberObjects.find(MJOBJECT_KEY(classID, id, serverNO));
    if (it == m_mapMemberObjects.end()) return 0;
    std::shared_ptr<CAccessObject> member = it->second;
    removed = member;
    m_mapMemberObjects.erase(it);
    if (member) member->RemoveElementFromContainers(SelfAs<CContainer>());
    if (!write) return 0;

    const std::string sql = StrPrintf(
        "DELETE FROM Container WHERE nContainerClassID = %d AND nContainerID = %d AND "
        "nContainerServerNO = %d AND nSubObjectID = %d AND nSubClassID = %d AND "
        "nSubObjectServerNO = %d",
        Int(m_nClassID), Int(m_nID), Int(m_nServerNO), Int(id), Int(classID), Int(serverNO));
    if (!db->Execute(sql)) return E_DATABASE_OPERATION;
    AnnounceChange(db, ChangeOperation::RemoveMember, MJOBJECT_KEY(classID, id, serverNO),
                   GetObjectUniqueID());
    return 0;
}

std::int32_t CContainer::RemoveObject(std::shared_ptr<CAccessObject> member, int write) {
    if (!member) return E_CONTAINER_MEMBER_NULL;
    std::shared_ptr<CAccessObject> removed;
    return RemoveObject(member->GetObjectClassID(), member->GetID(), member->GetServerNO(), removed,
                        write);
}

bool CContainer::RemoveElementFromChildren(std::shared_ptr<CAccessObject> member) {
    if (!member) return false;
    m_mapMemberObjects.erase(member->GetObjectUniqueID());
    return true;
}

// ---- queries ------------------------------------------------------------------

std::shared_ptr<CAccessObject> CContainer::GetObjectW(std::uint32_t classID, std::uint32_t id,
                                                      std::uint32_t serverNO) const {
    auto it = m_mapMemberObjects.find(MJOBJECT_KEY(classID, id, serverNO));
    return it == m_mapMemberObjects.end() ? nullptr : it->second;
}

int CContainer::GetMemberObjects(std::uint32_t classID, int includeDerived, MemberMap& out) const {
    static const std::set<unsigned int> kNone;
    const std::set<unsigned int>& derived = includeDerived ? GetChildClassID(classID) : kNone;
    for (const auto& [key, member] : m_mapMemberObjects) {
        if (key.nClassID == classID || derived.count(key.nClassID) != 0) {
            out.emplace(key, member);  // an entry already there stays
        }
    }
    return static_cast<int>(out.size());
}

CContainer::MemberMap CContainer::GetMemberObjects(std::uint32_t classID,
                                                   int includeDerived) const {
    MemberMap out;
    GetMemberObjects(classID, includeDerived, out);
    return out;
}

int CContainer::GetChildren(std::uint32_t classID, int includeDerived, MemberMap& out) const {
    GetMemberObjects(classID, includeDerived, out);
    const std::set<unsigned int>& containerClasses = GetChildClassID(kContainerClassID);
    for (const auto& [key, member] : m_mapMemberObjects) {
        if (key.nClassID != kContainerClassID && containerClasses.count(key.nClassID) == 0) {
            continue;
        }
        if (const CContainer* inner = AsContainer(member)) {
            inner->GetChildren(classID, includeDerived, out);
        }
    }
    return static_cast<int>(out.size());
}

// ---- class entries ------------------------------------------------------------

std::int32_t CContainer::DeleteObject(std::shared_ptr<CNameObject> object) {
    CDatabaseWriteScope unit(GetDatabase());
    const std::int32_t result = CAccessObject::DeleteObject(object);
    if (result < 0) return result;
    if (!object || !object->IsKindOf(RUNTIME_CLASS(CContainer))) return E_WRONG_OBJECT_CLASS;
    CADODatabase* db = GetDatabase();
    if (!db) return E_DATABASE_UNAVAILABLE;

    auto* container = static_cast<CContainer*>(object.get());
    const MemberMap members = container->m_mapMemberObjects;
    for (const auto& [key, member] : members) {
        if (member) container->RemoveObject(member, 0);
    }
    const std::string sql = StrPrintf(
        "DELETE FROM Container WHERE (nContainerClassID = %d AND nContainerID = %d) or "
        "(nSubClassID = %d AND nSubObjectID = %d)",
        Int(container->m_nClassID), Int(container->m_nID), Int(container->m_nClassID),
        Int(container->m_nID));
    return db->Execute(sql) ? result : E_DATABASE_OPERATION;
}

void CContainer::DestroyObject(std::shared_ptr<CNameObject> object) { object.reset(); }

std::int32_t CContainer::InitObjectMap() { return 0; }

void CContainer::FinalRelease() { CAccessObject::FinalRelease(); }

// ---- rest data ----------------------------------------------------------------

int CContainer::SaveRestData(CBufferWriter& writer) {
    return SaveRestLevel(
        writer, [this](CBufferWriter& w) { return CAccessObject::SaveRestData(w); }, kDataVersion,
        nullptr);
}

int CContainer::LoadRestData(CBufferReader& reader, int restArg) {
    return LoadRestLevel(
        reader,
        [this, restArg](CBufferReader& r) { return CAccessObject::LoadRestData(r, restArg); },
        kDataVersion, nullptr);
}

int CContainer::LoadRestData_V2(const void* data, int* size, int version) {
    if (!data || !size) return 0;
    int used = *size;
    if (!CAccessObject::LoadRestData_V2(data, &used, version)) return 0;
    return SkipRawFields(data, size, used, kRawSkippedBytes);
}

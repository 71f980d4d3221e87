#include "operators/Builtin.h"

#include "core/NameObjectRow.h"
#include "membership/Container.h"
#include "operators/OperatorGroup.h"
#include "operators/PrivilegeObject.h"
#include "platform/Database.h"
#include "platform/StringFormat.h"
#include "registry/ClassRegistry.h"
#include "registry/IdAllocator.h"

namespace builtin {

namespace {

constexpr int kBuiltinLockKey = 0x4e4f4249;  // with the class ID: the advisory lock's key

// The class's first row of the current server, read and filed as a start-up load files it.
std::shared_ptr<CNameObject> LoadStored(CADODatabase* db, std::uint32_t classID) {
    const std::uint32_t serverNO = GetCurrentServerNO();
    CADORecordset rs(db);
    const std::string sql = NameObjectRow::SelectAll() +
                            StrPrintf(" WHERE nClassID = %d AND nServerNO = %d ORDER BY nID",
                                      static_cast<int>(classID), static_cast<int>(serverNO));
    if (!rs.Open(sql) || rs.IsEOF()) return nullptr;
    std::int32_t version = 0;
    NameObjectRow::ReadTimes times;
    std::shared_ptr<CNameObject> object = NameObjectRow::ReadObject(rs, version, times);
    if (!object || !object->OnLoad(version)) return nullptr;
    SetLocalMaxObjectID(object->GetID());
    GDM_Add(object->GetObjectClassID(), object->GetID(), serverNO, object);
    return object;
}

}  // namespace

std::shared_ptr<CNameObject> CreateOnce(
    std::uint32_t classID, const std::function<std::shared_ptr<CNameObject>()>& create) {
    CADODatabase* db = GetDatabase();
    if (!db || db->GetEngine() != DatabaseEngine::PostgreSQL || !GetClsInfo(classID)) {
        return create();
    }
    const std::string key = StrPrintf("(%d, %d)", kBuiltinLockKey, static_cast<int>(classID));
    // A session lock: creating the object commits on its own, and the lock is held past it.
    const bool locked = db->Execute("SELECT pg_advisory_lock" + key) != 0;
    std::shared_ptr<CNameObject> object = LoadStored(db, classID);
    if (!object) object = create();
    if (locked) db->Execute("SELECT pg_advisory_unlock" + key);
    return object;
}

std::shared_ptr<CContainer> ServerContainerOf(const CNameObject& object) {
    auto server = FindObject(0, object.GetServerNO(), object.GetServerNO());
    if (!server || !server->IsKindOf(RUNTIME_CLASS(CContainer))) return nullptr;
    return std::static_pointer_cast<CContainer>(server);
}

void JoinServerObject(const std::shared_ptr<CAccessObject>& object) {
    if (!object) return;
    auto server = ServerContainerOf(*object);
    if (server && !server->HasObject(object)) server->AddObject(object, 1);
}

std::int32_t InitPrivilege(std::uint32_t classID, std::shared_ptr<CPrivilegeBase> instance,
                           std::shared_ptr<CNameObject> (*create)()) {
    if (!instance) {
        instance = CPrivilegeBase::Cast(CreateOnce(classID, [create] {
            auto made = CPrivilegeBase::Cast(create());
            if (made && made->GetDefaultPrivilegeFromDB()) {
                made->SetGrantedPrivileges(made->GetDefaultPrivileges());
            }
            if (made) CNameObject::InsertObject(made);  // filed in memory even when the row failed
            return std::shared_ptr<CNameObject>(made);
        }));
        if (!instance) return 0;
    }
    FileAlsoAs(CPrivilegeObject::kClassID, instance);
    return 0;
}

std::int32_t InitGroup(std::uint32_t classID, std::shared_ptr<COperatorGroup> instance,
                       std::shared_ptr<CNameObject> (*create)()) {
    if (!instance) {
        instance = COperatorGroup::Cast(CreateOnce(classID, [create] {
            auto made = COperatorGroup::Cast(create());
            if (made) {
                made->SetServerNO(GetCurrentServerNO());
                CNameObject::InsertObject(made);
            }
            return std::shared_ptr<CNameObject>(made);
        }));
        if (!instance) return 0;
    }
    FileAlsoAs(COperatorGroup::kClassID, instance);
    return 0;
}

void InitGroupRelation(COperatorGroup& group, std::uint32_t pairedClassID,
                       const CRuntimeClass* pairedClass) {
    auto server = ServerContainerOf(group);
    if (!server) return;
    JoinServerObject(COperatorGroup::Cast(group.shared_from_this()));
    for (const auto& [id, object] : GDM_GetMapCopy(pairedClassID, group.GetServerNO())) {
        if (!object || !object->IsKindOf(pairedClass)) continue;
        COperatorGroup::PrivilegeMap grants = group.GetPrivilegeObject();
        // An entry the map already has for the server stays as it is.
        grants.try_emplace(group.GetServerNO(), std::map<std::uint64_t, std::uint32_t>{
                                                    {server->MakeClassIDAndIDKey(), id}});
        group.SetPrivilegeObject(grants);
        break;
    }
}

}  // namespace builtin

#include "operators/Builtin.h"

#include "membership/Container.h"
#include "operators/OperatorGroup.h"
#include "operators/PrivilegeObject.h"

namespace builtin {

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

std::int32_t InitPrivilege(std::shared_ptr<CPrivilegeBase> instance,
                           std::shared_ptr<CNameObject> (*create)()) {
    if (!instance) {
        instance = CPrivilegeBase::Cast(create());
        if (!instance) return 0;
        if (instance->GetDefaultPrivilegeFromDB()) {
            instance->SetGrantedPrivileges(instance->GetDefaultPrivileges());
        }
        CNameObject::InsertObject(instance);  // filed in memory even when the row failed
    }
    FileAlsoAs(CPrivilegeObject::kClassID, instance);
    return 0;
}

std::int32_t InitGroup(std::shared_ptr<COperatorGroup> instance,
                       std::shared_ptr<CNameObject> (*create)()) {
    if (!instance) {
        instance = COperatorGroup::Cast(create());
        if (!instance) return 0;
        instance->SetServerNO(GetCurrentServerNO());
        CNameObject::InsertObject(instance);
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

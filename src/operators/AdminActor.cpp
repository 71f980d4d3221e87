#include "operators/AdminActor.h"

NO_IMPLEMENT_OBJECT_CLASS(CAdminActor, COperator)

CAdminActor::CAdminActor() {
    m_nClassID = kClassID;
    m_strFullName = u"admin";
}

CAdminActor::~CAdminActor() = default;

std::shared_ptr<CAdminActor> CAdminActor::GetInstance() { return builtin::Instance<CAdminActor>(); }

std::int32_t CAdminActor::InitObjectMap() {
    auto instance = GetInstance();
    const std::uint32_t serverNO = GetCurrentServerNO();
    if (!instance) {
        instance = std::dynamic_pointer_cast<CAdminActor>(builtin::CreateOnce(kClassID, [serverNO] {
            auto made = CreateObj();
            if (made) {
                made->SetServerNO(serverNO);
                InsertObject(made);  // kept in memory even when refused
            }
            return made;
        }));
        if (!instance) return 0;
    }
    // Exactly one administrator per server: every other one leaves the store. The read-only
    // view keeps the find index valid for the rest of the start-up.
    for (const ObjectIDMap* admins = GDM_FindMap(kClassID, serverNO); admins && !admins->empty();) {
        const auto first = admins->begin()->second;
        const std::uint32_t id = admins->begin()->first;
        GDM_Remove(first ? first->GetObjectClassID() : kClassID, id, serverNO);
        GDM_Remove(COperator::kClassID, id, serverNO);
        GDM_Remove(kClassID, id, serverNO);  // when the object's own class was another one
    }
    builtin::FileAlsoAs(kClassID, instance);
    builtin::FileAlsoAs(COperator::kClassID, instance);
    return 0;
}

std::int32_t CAdminActor::DeleteObject(std::shared_ptr<CNameObject> object) {
    return builtin::Delete(object, &COperator::DeleteObject);
}

std::int32_t CAdminActor::InsertObject(std::shared_ptr<CNameObject> object) {
    return COperator::InsertObject(std::move(object));
}

std::int32_t CAdminActor::UpdateRecord() { return COperator::UpdateRecord(); }

std::int32_t CAdminActor::OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                         std::uint32_t sections) {
    return COperator::OnObjectChange(std::move(other), changed, sections);
}

void CAdminActor::InitObjectRelation() {
    CNameObject::InitObjectRelation();
    builtin::JoinServerObject(SelfAs<CAccessObject>());
}

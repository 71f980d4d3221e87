#include "operators/ServiceGroupMJ.h"

#include "operators/ServicePrivilege.h"
#include "platform/Language.h"

NO_IMPLEMENT_OBJECT_CLASS(CServiceGroupMJ, COperatorGroup)

CServiceGroupMJ::CServiceGroupMJ() {
    m_nClassID = kClassID;
    m_strFullName = CAnalyzeLangINI::GetValue(u"IDS_OperatorGroup_Service");
}

CServiceGroupMJ::~CServiceGroupMJ() = default;

std::shared_ptr<CServiceGroupMJ> CServiceGroupMJ::GetInstance() {
    return builtin::Instance<CServiceGroupMJ>();
}

std::int32_t CServiceGroupMJ::InitObjectMap() {
    return builtin::InitGroup(GetInstance(), &CreateObj);
}

std::int32_t CServiceGroupMJ::DeleteObject(std::shared_ptr<CNameObject> object) {
    return builtin::Delete(object, &COperatorGroup::DeleteObject);
}

std::int32_t CServiceGroupMJ::InsertObject(std::shared_ptr<CNameObject> object) {
    return CNameObject::InsertObject(std::move(object));
}

std::int32_t CServiceGroupMJ::UpdateRecord() { return CAccessObject::UpdateRecord(); }

void CServiceGroupMJ::InitObjectRelation() {
    CNameObject::InitObjectRelation();
    builtin::InitGroupRelation(*this, CServicePrivilege::kClassID,
                               RUNTIME_CLASS(CServicePrivilege));
}

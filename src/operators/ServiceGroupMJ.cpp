#include "operators/ServiceGroupMJ.h"

#include "operators/ServicePrivilege.h"
#include "platform/Language.h"

NO_IMPLEMENT_OBJECT_CLASS(CServiceGroupMJ, COperatorGroup)

CServiceGroupMJ::CServiceGroupMJ() {
    m_nClassID = kClassID;
    m_strFullName = CAnalyzeLangINI::GetValue(u"IDS_OperatorGroup_Service");
}

CServiceGroupMJ::~CServiceGroupMJ() = default;

NO_IMPLEMENT_BUILTIN(CServiceGroupMJ, builtin::InitGroup, COperatorGroup::DeleteObject)

std::int32_t CServiceGroupMJ::InsertObject(std::shared_ptr<CNameObject> object) {
    return CNameObject::InsertObject(std::move(object));
}

std::int32_t CServiceGroupMJ::UpdateRecord() { return CAccessObject::UpdateRecord(); }

void CServiceGroupMJ::InitObjectRelation() {
    CNameObject::InitObjectRelation();
    builtin::InitGroupRelation(*this, CServicePrivilege::kClassID,
                               RUNTIME_CLASS(CServicePrivilege));
}

#include "operators/OndutyGroupMJ.h"

#include "operators/OndutyPrivilege.h"
#include "platform/Language.h"

NO_IMPLEMENT_OBJECT_CLASS(COndutyGroupMJ, COperatorGroup)

COndutyGroupMJ::COndutyGroupMJ() {
    m_nClassID = kClassID;
    m_strFullName = CAnalyzeLangINI::GetValue(u"IDS_OperatorGroup_OnDuty");
}

COndutyGroupMJ::~COndutyGroupMJ() = default;

NO_IMPLEMENT_BUILTIN(COndutyGroupMJ, builtin::InitGroup, COperatorGroup::DeleteObject)

std::int32_t COndutyGroupMJ::InsertObject(std::shared_ptr<CNameObject> object) {
    return CNameObject::InsertObject(std::move(object));
}

std::int32_t COndutyGroupMJ::UpdateRecord() { return CAccessObject::UpdateRecord(); }

void COndutyGroupMJ::InitObjectRelation() {
    CNameObject::InitObjectRelation();
    builtin::InitGroupRelation(*this, COndutyPrivilege::kClassID, RUNTIME_CLASS(COndutyPrivilege));
}

#include "operators/SysManagerGroupMJ.h"

#include "operators/SysManagerPrivilege.h"
#include "platform/Language.h"

NO_IMPLEMENT_OBJECT_CLASS(CSysManagerGroupMJ, COperatorGroup)

CSysManagerGroupMJ::CSysManagerGroupMJ() {
    m_nClassID = kClassID;
    m_strFullName = CAnalyzeLangINI::GetValue(u"IDS_OperatorGroup_Sys");
}

CSysManagerGroupMJ::~CSysManagerGroupMJ() = default;

NO_IMPLEMENT_BUILTIN(CSysManagerGroupMJ, builtin::InitGroup, COperatorGroup::DeleteObject)

std::int32_t CSysManagerGroupMJ::InsertObject(std::shared_ptr<CNameObject> object) {
    return CNameObject::InsertObject(std::move(object));
}

std::int32_t CSysManagerGroupMJ::UpdateRecord() { return CAccessObject::UpdateRecord(); }

void CSysManagerGroupMJ::InitObjectRelation() {
    CNameObject::InitObjectRelation();
    builtin::InitGroupRelation(*this, CSysManagerPrivilege::kClassID,
                               RUNTIME_CLASS(CSysManagerPrivilege));
}

std::int32_t CSysManagerGroupMJ::OnObjectChange(std::shared_ptr<CNameObject> other,
                                                std::uint32_t& changed, std::uint32_t sections) {
    return COperatorGroup::OnObjectChange(std::move(other), changed, sections);
}

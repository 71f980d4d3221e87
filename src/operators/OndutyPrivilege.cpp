#include "operators/OndutyPrivilege.h"

#include "platform/Language.h"

NO_IMPLEMENT_OBJECT_CLASS(COndutyPrivilege, CPrivilegeObject)

COndutyPrivilege::COndutyPrivilege() {
    m_nClassID = kClassID;
    m_strFullName = CAnalyzeLangINI::GetValue(u"IDS_OnDutyPrivilege");
}

COndutyPrivilege::~COndutyPrivilege() = default;

std::shared_ptr<COndutyPrivilege> COndutyPrivilege::GetInstance() {
    return builtin::Instance<COndutyPrivilege>();
}

std::int32_t COndutyPrivilege::InitObjectMap() {
    return builtin::InitPrivilege(GetInstance(), &CreateObj);
}

std::int32_t COndutyPrivilege::DeleteObject(std::shared_ptr<CNameObject> object) {
    return builtin::Delete(object, &CPrivilegeBase::DeleteObject);
}

int COndutyPrivilege::GetDefaultPrivilegeFromDB() {
    return CPrivilegeObject::GetDefaultPrivilegeFromDB();
}

std::int32_t COndutyPrivilege::UpdateRecord() { return CAccessObject::UpdateRecord(); }

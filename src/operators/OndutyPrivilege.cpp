#include "operators/OndutyPrivilege.h"

#include "platform/Language.h"

NO_IMPLEMENT_OBJECT_CLASS(COndutyPrivilege, CPrivilegeObject)

COndutyPrivilege::COndutyPrivilege() {
    m_nClassID = kClassID;
    m_strFullName = CAnalyzeLangINI::GetValue(u"IDS_OnDutyPrivilege");
}

COndutyPrivilege::~COndutyPrivilege() = default;

NO_IMPLEMENT_BUILTIN(COndutyPrivilege, builtin::InitPrivilege, CPrivilegeBase::DeleteObject)

int COndutyPrivilege::GetDefaultPrivilegeFromDB() {
    return CPrivilegeObject::GetDefaultPrivilegeFromDB();
}

std::int32_t COndutyPrivilege::UpdateRecord() { return CAccessObject::UpdateRecord(); }

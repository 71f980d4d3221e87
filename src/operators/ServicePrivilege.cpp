#include "operators/ServicePrivilege.h"

#include "platform/Language.h"

NO_IMPLEMENT_OBJECT_CLASS(CServicePrivilege, CPrivilegeObject)

CServicePrivilege::CServicePrivilege() {
    m_nClassID = kClassID;
    m_strFullName = CAnalyzeLangINI::GetValue(u"IDS_ServicePrivilege");
}

CServicePrivilege::~CServicePrivilege() = default;

NO_IMPLEMENT_BUILTIN(CServicePrivilege, builtin::InitPrivilege, CPrivilegeBase::DeleteObject)

int CServicePrivilege::GetDefaultPrivilegeFromDB() {
    return CPrivilegeObject::GetDefaultPrivilegeFromDB();
}

std::int32_t CServicePrivilege::UpdateRecord() { return CAccessObject::UpdateRecord(); }

#include "operators/ServicePrivilege.h"

#include "platform/Language.h"

NO_IMPLEMENT_OBJECT_CLASS(CServicePrivilege, CPrivilegeObject)

CServicePrivilege::CServicePrivilege() {
    m_nClassID = kClassID;
    m_strFullName = CAnalyzeLangINI::GetValue(u"IDS_ServicePrivilege");
}

CServicePrivilege::~CServicePrivilege() = default;

std::shared_ptr<CServicePrivilege> CServicePrivilege::GetInstance() {
    return builtin::Instance<CServicePrivilege>();
}

std::int32_t CServicePrivilege::InitObjectMap() {
    return builtin::InitPrivilege(GetInstance(), &CreateObj);
}

std::int32_t CServicePrivilege::DeleteObject(std::shared_ptr<CNameObject> object) {
    return builtin::Delete(object, &CPrivilegeBase::DeleteObject);
}

int CServicePrivilege::GetDefaultPrivilegeFromDB() {
    return CPrivilegeObject::GetDefaultPrivilegeFromDB();
}

std::int32_t CServicePrivilege::UpdateRecord() { return CAccessObject::UpdateRecord(); }

#include "operators/SysManagerPrivilege.h"

#include "platform/Language.h"

NO_IMPLEMENT_OBJECT_CLASS(CSysManagerPrivilege, CPrivilegeObject)

CSysManagerPrivilege::CSysManagerPrivilege() {
    m_nClassID = kClassID;
    m_strFullName = CAnalyzeLangINI::GetValue(u"IDS_SysPrivilege");
}

CSysManagerPrivilege::~CSysManagerPrivilege() = default;

NO_IMPLEMENT_BUILTIN(CSysManagerPrivilege, builtin::InitPrivilege, CPrivilegeBase::DeleteObject)

int CSysManagerPrivilege::GetDefaultPrivilegeFromDB() {
    return CPrivilegeObject::GetDefaultPrivilegeFromDB();
}

std::int32_t CSysManagerPrivilege::UpdateRecord() { return CAccessObject::UpdateRecord(); }

std::int32_t CSysManagerPrivilege::OnObjectChange(std::shared_ptr<CNameObject> other,
                                                  std::uint32_t& changed, std::uint32_t sections) {
    return CPrivilegeObject::OnObjectChange(std::move(other), changed, sections);
}

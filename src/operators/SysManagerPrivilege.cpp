#include "operators/SysManagerPrivilege.h"

#include "platform/Language.h"

NO_IMPLEMENT_OBJECT_CLASS(CSysManagerPrivilege, CPrivilegeObject)

CSysManagerPrivilege::CSysManagerPrivilege() {
    m_nClassID = kClassID;
    m_strFullName = CAnalyzeLangINI::GetValue(u"IDS_SysPrivilege");
}

CSysManagerPrivilege::~CSysManagerPrivilege() = default;

std::shared_ptr<CSysManagerPrivilege> CSysManagerPrivilege::GetInstance() {
    return builtin::Instance<CSysManagerPrivilege>();
}

std::int32_t CSysManagerPrivilege::InitObjectMap() {
    return builtin::InitPrivilege(GetInstance(), &CreateObj);
}

std::int32_t CSysManagerPrivilege::DeleteObject(std::shared_ptr<CNameObject> object) {
    return builtin::Delete(object, &CPrivilegeBase::DeleteObject);
}

int CSysManagerPrivilege::GetDefaultPrivilegeFromDB() {
    return CPrivilegeObject::GetDefaultPrivilegeFromDB();
}

std::int32_t CSysManagerPrivilege::UpdateRecord() { return CAccessObject::UpdateRecord(); }

std::int32_t CSysManagerPrivilege::OnObjectChange(std::shared_ptr<CNameObject> other,
                                                  std::uint32_t& changed, std::uint32_t sections) {
    return CPrivilegeObject::OnObjectChange(std::move(other), changed, sections);
}

#include "operators/PrivilegeBase.h"

#include "operators/RestFields.h"
#include "platform/Database.h"

NO_IMPLEMENT_OBJECT_CLASS(CPrivilegeBase, CAccessObject)

CPrivilegeBase::CPrivilegeBase() { m_nClassID = kClassID; }

CPrivilegeBase::~CPrivilegeBase() = default;

std::shared_ptr<CPrivilegeBase> CPrivilegeBase::Cast(const std::shared_ptr<CNameObject>& object) {
    if (!object || !object->IsKindOf(RUNTIME_CLASS(CPrivilegeBase))) return nullptr;
    return std::static_pointer_cast<CPrivilegeBase>(object);
}

int CPrivilegeBase::GetDefaultPrivilegeFromDB() {
    m_setDefault.clear();
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return 0;
    CADORecordset rs(db);
    if (!rs.Open(CString::Formatted(
            "SELECT * FROM SpecialPrivilegeObject WHERE nSpecialObjectClassID = %d ",
            static_cast<int>(m_nClassID)))) {
        return 0;
    }
    while (!rs.IsEOF()) {
        unsigned int privilegeClassID = 0;
        unsigned int privilegeID = 0;
        if (!rs.GetFieldValue("nPrivilegeClassID", privilegeClassID)) privilegeClassID = 0;
        if (!rs.GetFieldValue("nPrivilegeID", privilegeID)) privilegeID = 0;
        m_setDefault.insert(MakePrivilegeKey(privilegeClassID, privilegeID));
        rs.MoveNext();
    }
    return 1;
}

std::int32_t CPrivilegeBase::OnObjectChange(std::shared_ptr<CNameObject> other,
                                            std::uint32_t& changed, std::uint32_t sections) {
    const std::int32_t result = CAccessObject::OnObjectChange(other, changed, sections);
    if (result < 0 || (sections & SECTION_REST_DATA) == 0) return result;
    auto from = Cast(other);
    if (from && from->m_setGranted != m_setGranted) {
        m_setGranted = from->m_setGranted;
        changed |= SECTION_REST_DATA;
    }
    return result;
}

std::int32_t CPrivilegeBase::DeleteObject(std::shared_ptr<CNameObject> object) {
    return CAccessObject::DeleteObject(std::move(object));
}

int CPrivilegeBase::SaveRestData(CBufferWriter& writer) {
    return SaveRestLevel(
        writer, [this](CBufferWriter& w) { return CAccessObject::SaveRestData(w); }, kDataVersion,
        [this](CBufferWriter& w) {
            return restfields::WriteSet(w, m_setGranted) && restfields::WriteSet(w, m_setDefault);
        });
}

int CPrivilegeBase::LoadRestData(CBufferReader& reader, int restArg) {
    return restfields::LoadOwnOrBaseLevel(
        reader,
        [this, restArg](CBufferReader& r) { return CAccessObject::LoadRestData(r, restArg); },
        kDataVersion,
        [this](CBufferReader& r, std::int32_t) {
            return restfields::ReadSet(r, m_setGranted) && restfields::ReadSet(r, m_setDefault);
        });
}

#include "misc/SocialSecurity.h"

#include <utility>

#include "platform/Database.h"
#include "platform/StringFormat.h"

CSocialSecurity::CSocialSecurity(int type, CString number, CString department)
    : m_nType(type), m_strNumber(std::move(number)), m_strDepartment(std::move(department)) {}

int CSocialSecurity::SaveData(CBufferWriter& writer) const {
    const int start = writer.GetLength();
    if (!writer.Write(static_cast<std::int32_t>(m_nType)) || !writer.WriteString(m_strNumber) ||
        !writer.WriteString(m_strDepartment)) {
        return 0;
    }
    return writer.GetLength() - start;
}

int CSocialSecurity::LoadData(CBufferReader& reader) {
    std::int32_t type = 0;
    if (!reader.Read(type)) return 0;
    m_nType = type;
    return reader.ReadString(m_strNumber) && reader.ReadString(m_strDepartment) ? 1 : 0;
}

CString CSocialSecurity::GetTypeDesc(int type) {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return CString();
    CADORecordset rs(db);
    if (!rs.Open(StrPrintf("SELECT strDesc FROM SocialSecurity WHERE nType = %d", type), 0)) {
        return CString();
    }
    if (rs.IsEOF()) return CString();
    CString desc;
    rs.GetFieldValue("strDesc", desc);
    rs.Close();
    return desc;
}

// CSocialSecurity: an operator's social-security record (type, number, department). A plain
// value, copied with its operator; it has no identity of its own.
#pragma once

#include "platform/BufferIO.h"
#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/RuntimeClass.h"

class NAMEOBJECT_API CSocialSecurity : public CObject {
public:
    CSocialSecurity() = default;
    CSocialSecurity(int type, CString number, CString department);

    int GetType() const { return m_nType; }
    void SetType(int type) { m_nType = type; }
    CString GetNumber() const { return m_strNumber; }
    void SetNumber(const CString& number) { m_strNumber = number; }
    CString GetDepartment() const { return m_strDepartment; }
    void SetDepartment(const CString& department) { m_strDepartment = department; }

    // Writes type, number, department. Returns the number of bytes written, 0 on failure.
    int SaveData(CBufferWriter& writer) const;
    // Reads the same three in order: 1 on success, 0 at the first that cannot be read (the
    // fields read before it keep their new values).
    int LoadData(CBufferReader& reader);

    // The description of a type from the SocialSecurity table (the first row of that type);
    // empty when there is no database, no such row or the query fails.
    static CString GetTypeDesc(int type);

private:
    int m_nType = 1;
    CString m_strNumber;
    CString m_strDepartment;
};

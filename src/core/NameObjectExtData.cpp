// The extension-data facet: typed access to the fields, their section of the frame, and their
// rows in ObjectExtData / ObjectExtDataDelCache.
#include "core/NameObjectExtData.h"

#include <exception>
#include <set>
#include <string>
#include <utility>

#include "core/NameObject.h"
#include "core/ObjectKey.h"
#include "core/ResultCodes.h"
#include "core/Sections.h"
#include "platform/Database.h"
#include "platform/NoThrow.h"
#include "platform/StringFormat.h"
#include "registry/ObjectStore.h"

namespace {

// Versions from this one on carry the mask map after the fields.
constexpr std::int32_t kFirstVersionWithMasks = 0x03000200;
// Smallest encoding of one field (name count + type word) and of one mask (name count + mask).
constexpr int kMinFieldBytes = 8;
constexpr int kMinMaskBytes = 8;

// How a value of a given variant type is written, in the section and in ObjectExtData.
enum class ValueKind { Int32, Int64, Float, Double, Date, String, None };

ValueKind KindOf(std::uint32_t vt) {
    switch (vt) {
        case VT_I2:
        case VT_I4:
        case VT_BOOL:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_HRESULT:
            return ValueKind::Int32;
        case VT_I8:
        case VT_UI8:
            return ValueKind::Int64;
        case VT_R4:
            return ValueKind::Float;
        case VT_R8:
            return ValueKind::Double;
        case VT_DATE:
            return ValueKind::Date;
        case VT_BSTR:
            return ValueKind::String;
        default:
            return ValueKind::None;
    }
}

// The 32-bit form of a small value: bytes zero-extended, 16-bit values (BOOL too)
// sign-extended, 32-bit values as they are.
std::int32_t Int32Of(const _variant_t& v) {
    switch (v.vt) {
        case VT_I1:
        case VT_UI1:
            return v.bVal;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return v.iVal;
        default:
            return v.lVal;
    }
}

// The variant a section value of the given stored type is rebuilt as.
int ReadValue(CBufferReader& reader, std::uint32_t type, _variant_t& out) {
    out.Clear();
    std::int32_t word = 0;
    switch (type) {
        case VT_I1:
        case VT_UI1:
            if (!reader.Read(word)) return 0;
            out.vt = VT_UI1;
            out.bVal = static_cast<std::uint8_t>(word);
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            if (!reader.Read(word)) return 0;
            out.vt = type == VT_BOOL ? VT_BOOL : VT_I2;
            out.iVal = static_cast<std::int16_t>(word);
            return 1;
        case VT_I4:
        case VT_INT:
        case VT_HRESULT:
        case VT_UI4:
        case VT_UINT:
            if (!reader.Read(word)) return 0;
            out.vt = (type == VT_UI4 || type == VT_UINT) ? VT_UINT : VT_INT;
            out.lVal = word;
            return 1;
        case VT_I8:
        case VT_UI8:
            if (!reader.Read(out.llVal)) return 0;
            out.vt = static_cast<VARTYPE>(type);
            return 1;
        case VT_R4:
            if (!reader.Read(out.fltVal)) return 0;
            out.vt = VT_R4;
            return 1;
        case VT_R8:
        case VT_DATE:
            if (!reader.Read(out.dblVal)) return 0;
            out.vt = VT_R8;
            return 1;
        case VT_BSTR: {
            CString text;
            if (!reader.ReadString(text)) return 0;
            out.SetString(text);
            return 1;
        }
        default:
            return 1;  // no value bytes; the field is kept empty
    }
}

int WriteValue(CBufferWriter& writer, const _variant_t& v) {
    switch (KindOf(v.vt)) {
        case ValueKind::Int32:
            return writer.Write(Int32Of(v));
        case ValueKind::Int64:
            return writer.Write(v.llVal);
        case ValueKind::Float:
            return writer.Write(v.fltVal);
        case ValueKind::Double:
        case ValueKind::Date:
            return writer.Write(v.dblVal);
        case ValueKind::String:
            return writer.WriteString(v.GetString());
        case ValueKind::None:
            return 1;
    }
    return 1;
}

// Reads `count` names, each followed by what readItem reads, into a map. The count is checked
// against the bytes that remain before anything is read.
template <class Map, class ReadItem>
int ReadNamedMap(CBufferReader& reader, int minItemBytes, Map& out, ReadItem readItem) {
    std::int32_t count = 0;
    if (!ReadCount(reader, count, minItemBytes)) return 0;
    for (std::int32_t i = 0; i < count; ++i) {
        CString name;
        typename Map::mapped_type value{};
        if (!reader.ReadString(name) || !readItem(value)) return 0;
        out[name] = std::move(value);
    }
    return 1;
}

// Stores a typed value: the name, trimmed, must not be empty; the key is the trimmed name when
// trimKey is set, else the name as given.
int StoreTyped(LazyMember<CNameObjectExtData::ValueMap>& map, const CString& name, bool trimKey,
               _variant_t value) {
    CString trimmed = name;
    trimmed.Trim();
    if (trimmed.IsEmpty()) return 0;
    return GuardAllocation(0, [&] {
        map.Edit()[trimKey ? trimmed : name] = std::move(value);
        return 1;
    });
}

// Resets out, then fills it from the named field converted to vt: 1, or 0 when the field is
// absent or does not convert.
template <class T, class Pick>
int GetTyped(const CNameObjectExtData::ValueMap& map, const CString& name, VARTYPE vt, T& out,
             Pick pick) {
    out = T{};
    const auto it = map.find(name);
    _variant_t v;
    if (it == map.end() || v.ChangeType(vt, &it->second) != S_OK) return 0;
    out = pick(v);
    return 1;
}

// The INSERT statement of one field, or an empty text when its type has no column.
std::string InsertStatement(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
                            const CString& name, const _variant_t& v) {
    const int c = static_cast<int>(classID);
    const int i = static_cast<int>(id);
    const int s = static_cast<int>(serverNO);
    const std::string field = SqlEscape(name);
    const int type = v.vt;
    switch (KindOf(v.vt)) {
        case ValueKind::Int32:
            return StrPrintf(
                "INSERT INTO ObjectExtData(nClassID, nID, nServerNO, strFieldName, "
                "nType, V_int)\t\tVALUES(%d, %d, %d, '%s', %d, %d)",
                c, i, s, field.c_str(), type, Int32Of(v));
        case ValueKind::Int64:
            // "%I64lld" is "%I64d" spelt so that the compiler's format check sees a long long.
            return StrPrintf(
                "INSERT INTO ObjectExtData(nClassID, nID, nServerNO, strFieldName, "
                "nType, V_int64)\t\tVALUES(%d, %d, %d, '%s', %d, %I64lld)",
                c, i, s, field.c_str(), type, static_cast<long long>(v.llVal));
        case ValueKind::Float:
        case ValueKind::Double: {
            const double value = v.vt == VT_R4 ? static_cast<double>(v.fltVal) : v.dblVal;
            return StrPrintf(
                "INSERT INTO ObjectExtData(nClassID, nID, nServerNO, strFieldName, "
                "nType, V_double)\t\tVALUES(%d, %d, %d, '%s', %d, %f)",
                c, i, s, field.c_str(), type, value);
        }
        case ValueKind::Date: {
            const std::string date = COleDateTime(v.date).Format("%Y-%m-%d %H:%M:%S").ToUtf8();
            return StrPrintf(
                "INSERT INTO ObjectExtData(nClassID, nID, nServerNO, strFieldName, "
                "nType, V_DateTime)\tVALUES(%d, %d, %d, '%s', %d, '%s')",
                c, i, s, field.c_str(), type, date.c_str());
        }
        case ValueKind::String: {
            const std::string text = SqlEscape(v.GetString());
            return StrPrintf(
                "INSERT INTO ObjectExtData(nClassID, nID, nServerNO, strFieldName, "
                "nType, V_String)\t\tVALUES(%d, %d, %d, '%s', %d, '%s')",
                c, i, s, field.c_str(), type, text.c_str());
        }
        case ValueKind::None:
            break;
    }
    return std::string();
}

// One ObjectExtData row as a variant, by column index of the InitObjectExtData query.
_variant_t ValueOfRow(const CADORecordset& rs, std::uint32_t type) {
    _variant_t v;
    switch (KindOf(type)) {
        case ValueKind::Int32: {
            int value = 0;
            rs.GetFieldValue(4, value);
            v.vt = static_cast<VARTYPE>(type);
            v.lVal = value;
            break;
        }
        case ValueKind::Int64: {
            std::int64_t value = 0;
            rs.GetFieldValue(5, value);
            v.vt = static_cast<VARTYPE>(type);
            v.llVal = value;
            break;
        }
        case ValueKind::Float:
        case ValueKind::Double: {
            double value = 0.0;
            rs.GetFieldValue(6, value);
            v = type == VT_R4 ? _variant_t(static_cast<float>(value)) : _variant_t(value);
            break;
        }
        case ValueKind::Date: {  // kept as the date's double
            COleDateTime date;
            rs.GetFieldValue(7, date);
            v = _variant_t(date.m_dt);
            break;
        }
        case ValueKind::String: {
            CString text;
            rs.GetFieldValue(8, text, CString());
            v.SetString(text);
            break;
        }
        case ValueKind::None:
            break;
    }
    return v;
}

}  // namespace

// ---- typed access --------------------------------------------------------------------------

int CNameObjectExtData::ExtData_Set(const CString& name, float value) {
    return StoreTyped(m_mapExtData, name, false, _variant_t(value));
}
int CNameObjectExtData::ExtData_Set(const CString& name, int value) {
    return StoreTyped(m_mapExtData, name, false, _variant_t(value));
}
int CNameObjectExtData::ExtData_Set(const CString& name, unsigned int value) {
    return StoreTyped(m_mapExtData, name, false, _variant_t(value));
}
int CNameObjectExtData::ExtData_Set(const CString& name, double value) {
    return StoreTyped(m_mapExtData, name, true, _variant_t(value));
}
int CNameObjectExtData::ExtData_Set(const CString& name, bool value) {
    return StoreTyped(m_mapExtData, name, true, _variant_t(value));
}
int CNameObjectExtData::ExtData_Set(const CString& name, const CString& value) {
    return StoreTyped(m_mapExtData, name, true, _variant_t(value));
}
int CNameObjectExtData::ExtData_Set(const CString& name, const COleDateTime& value) {
    return StoreTyped(m_mapExtData, name, false, _variant_t(value.m_dt));
}
int CNameObjectExtData::ExtData_Set(const CString& name, std::int64_t value) {
    return StoreTyped(m_mapExtData, name, false, _variant_t(static_cast<long long>(value)));
}
int CNameObjectExtData::ExtData_Set(const CString& name, std::uint64_t value) {
    return StoreTyped(m_mapExtData, name, false,
                      _variant_t(static_cast<unsigned long long>(value)));
}
int CNameObjectExtData::ExtData_Set(const CString& name, const _variant_t& value) {
    return GuardAllocation(0, [&] {
        m_mapExtData.Edit()[name] = value;
        return 1;
    });
}

int CNameObjectExtData::ExtData_Get(const CString& name, float& out) const {
    return GetTyped(m_mapExtData.Get(), name, VT_R4, out,
                    [](const _variant_t& v) { return v.fltVal; });
}
int CNameObjectExtData::ExtData_Get(const CString& name, int& out) const {
    return GetTyped(m_mapExtData.Get(), name, VT_INT, out,
                    [](const _variant_t& v) { return v.intVal; });
}
int CNameObjectExtData::ExtData_Get(const CString& name, unsigned int& out) const {
    return GetTyped(m_mapExtData.Get(), name, VT_UINT, out,
                    [](const _variant_t& v) { return v.uintVal; });
}
int CNameObjectExtData::ExtData_Get(const CString& name, double& out) const {
    return GetTyped(m_mapExtData.Get(), name, VT_R8, out,
                    [](const _variant_t& v) { return v.dblVal; });
}
int CNameObjectExtData::ExtData_Get(const CString& name, bool& out) const {
    return GetTyped(m_mapExtData.Get(), name, VT_BOOL, out,
                    [](const _variant_t& v) { return v.boolVal != VARIANT_FALSE; });
}
int CNameObjectExtData::ExtData_Get(const CString& name, CString& out) const {
    return GetTyped(m_mapExtData.Get(), name, VT_BSTR, out,
                    [](const _variant_t& v) { return v.GetString(); });
}
int CNameObjectExtData::ExtData_Get(const CString& name, COleDateTime& out) const {
    return GetTyped(m_mapExtData.Get(), name, VT_DATE, out,
                    [](const _variant_t& v) { return COleDateTime(v.date); });
}
int CNameObjectExtData::ExtData_Get(const CString& name, std::int64_t& out) const {
    return GetTyped(m_mapExtData.Get(), name, VT_I8, out,
                    [](const _variant_t& v) { return v.llVal; });
}
int CNameObjectExtData::ExtData_Get(const CString& name, std::uint64_t& out) const {
    return GetTyped(m_mapExtData.Get(), name, VT_UI8, out,
                    [](const _variant_t& v) { return v.ullVal; });
}
int CNameObjectExtData::ExtData_Get(const CString& name, _variant_t& out) const {
    out.Clear();
    const ValueMap& values = m_mapExtData.Get();
    const auto it = values.find(name);
    if (it != values.end()) out = it->second;
    return 1;
}

VARTYPE CNameObjectExtData::GetFieldType(const CString& name) const {
    const ValueMap& values = m_mapExtData.Get();
    const auto it = values.find(name);
    return it == values.end() ? VARTYPE{0} : it->second.vt;
}

int CNameObjectExtData::RemoveField(const CString& name) {
    if (MaskMap* masks = m_mapExtDataMask.Present()) masks->erase(name);
    ValueMap* values = m_mapExtData.Present();
    return values != nullptr && values->erase(name) != 0 ? 1 : 0;
}

int CNameObjectExtData::ExtData_GetMask(const CString& name, std::uint32_t& mask) const {
    mask = 0;
    const MaskMap& masks = m_mapExtDataMask.Get();
    const auto it = masks.find(name);
    if (it == masks.end()) return 0;
    mask = it->second;
    return 1;
}

int CNameObjectExtData::ExtData_SetMask(const CString& name, std::uint32_t mask) {
    m_mapExtDataMask.Edit()[name] = mask;
    return 1;
}

// ---- the section ---------------------------------------------------------------------------

int CNameObjectExtData::SaveExtData(CBufferWriter& writer) {
    SectionWriter section(writer);
    if (!writer.Write(NAMEOBJECT_DATA_VERSION)) return 0;
    const ValueMap& values = m_mapExtData.Get();
    if (!writer.Write(static_cast<std::int32_t>(values.size()))) return 0;
    for (const auto& [name, value] : values) {
        if (!writer.WriteString(name) || !writer.Write(static_cast<std::uint32_t>(value.vt)) ||
            !WriteValue(writer, value)) {
            return 0;
        }
    }
    const MaskMap& masks = m_mapExtDataMask.Get();
    if (!writer.Write(static_cast<std::int32_t>(masks.size()))) return 0;
    for (const auto& [name, mask] : masks) {
        if (!writer.WriteString(name) || !writer.Write(mask)) return 0;
    }
    return section.Finish();
}

int CNameObjectExtData::LoadExtData(CBufferReader& reader, int apply) {
    SectionReader section(reader);
    if (!section.ReadLength()) return 0;
    if (!apply) return section.Skip();

    if (!section.ReadVersion(NAMEOBJECT_DATA_VERSION)) {
        const std::int32_t version = section.Version();
        if (version > NAMEOBJECT_DATA_VERSION && version > CNameObject::m_nMinVersion) {
            CNameObject::m_nMinVersion = version;
        }
        return 0;
    }
    const std::int32_t version = section.Version();
    return GuardAllocation(0, [&] {
        // Read into fresh maps, so that a bad section leaves the facet as it was.
        ValueMap values;
        const auto readField = [&reader](_variant_t& value) {
            std::uint32_t type = 0;
            return reader.Read(type) && ReadValue(reader, type, value);
        };
        if (!ReadNamedMap(reader, kMinFieldBytes, values, readField)) return 0;

        MaskMap masks;
        const bool hasMasks = version >= kFirstVersionWithMasks;
        const auto readMask = [&reader](std::uint32_t& mask) { return reader.Read(mask) != 0; };
        if (hasMasks && !ReadNamedMap(reader, kMinMaskBytes, masks, readMask)) return 0;

        if (!section.Finish()) return 0;
        m_mapExtData.Set(std::move(values));
        if (hasMasks) m_mapExtDataMask.Set(std::move(masks));
        return 1;
    });
}

// ---- the tables ----------------------------------------------------------------------------

int CNameObjectExtData::UpdateExtDataRecord(std::uint32_t classID, std::uint32_t id,
                                            std::uint32_t serverNO) {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return 0;
    // The old rows and the new ones are one unit: a crash between them loses nothing.
    CDatabaseWriteScope unit(db);
    return GuardAllocation(0, [&] {
        db->Execute(
            StrPrintf("Delete from ObjectExtData where nClassID=%d And nID=%d And "
                      "nServerNO=%d",
                      static_cast<int>(classID), static_cast<int>(id), static_cast<int>(serverNO)));
        for (const auto& [name, value] : m_mapExtData.Get()) {
            const std::string sql = InsertStatement(classID, id, serverNO, name, value);
            if (sql.empty()) continue;
            if (!db->Execute(sql)) return 0;
        }
        return unit.Finish();
    });
}

int CNameObjectExtData::InitObjectExtData(std::uint32_t classID, std::uint32_t id,
                                          std::uint32_t serverNO) {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return 0;
    return GuardAllocation(0, [&] {
        std::string sql =
            "SELECT [nClassID] ,[nID] ,[strFieldName], [nType], [V_int],[V_int64] ,[V_double], "
            "[V_DateTime], [V_String] , [nServerNO] FROM [ObjectExtData]";
        if (classID != 0xFFFFFFFF && id != 0xFFFFFFFF && serverNO != 0xFFFFFFFF) {
            sql += StrPrintf(" Where nClassID=%d And nID=%d And nServerNO=%d",
                             static_cast<int>(classID), static_cast<int>(id),
                             static_cast<int>(serverNO));
        }
        std::set<MJOBJECT_KEY> missing;
        {
            CADORecordset rs(db);
            if (!rs.Open(sql)) return 0;
            for (; !rs.IsEOF(); rs.MoveNext()) {
                MJOBJECT_KEY key;
                CString name;
                unsigned int type = 0;
                rs.GetFieldValue(0, key.nClassID);
                rs.GetFieldValue(1, key.nID);
                rs.GetFieldValue(2, name, CString());
                rs.GetFieldValue(3, type);
                rs.GetFieldValue(9, key.nServerNO);
                std::shared_ptr<CNameObject> object =
                    GDM_Find(key.nClassID, key.nID, key.nServerNO);
                if (!object) {
                    missing.insert(key);
                    continue;
                }
                CNameObjectExtData& facet = *object;
                facet.m_mapExtData.Edit()[name] = ValueOfRow(rs, type);
            }
            rs.Close();
        }
        for (const MJOBJECT_KEY& key : missing) {
            db->Execute(
                StrPrintf("Delete from ObjectExtData where nClassID=%d and nID=%d and "
                          "nServerNO=%d",
                          static_cast<int>(key.nClassID), static_cast<int>(key.nID),
                          static_cast<int>(key.nServerNO)));
        }
        return 1;
    });
}

std::int32_t CNameObjectExtData::DeleteExtData(std::uint32_t classID, std::uint32_t id,
                                               std::uint32_t serverNO) {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;
    const int c = static_cast<int>(classID);
    const int i = static_cast<int>(id);
    const int s = static_cast<int>(serverNO);
    CDatabaseWriteScope unit(db);
    return GuardAllocation(E_OUT_OF_MEMORY, [&] {
        if (!db->Execute(StrPrintf("Delete from ObjectExtData where nClassID = %d and nID = %d "
                                   "And nServerNo = %d ",
                                   c, i, s)) ||
            !db->Execute(StrPrintf("Delete from ObjectExtDataDelCache where nClassID = %d and "
                                   "nID = %d And nServerNo = %d ",
                                   c, i, s))) {
            return E_DATABASE_OPERATION;
        }
        const ValueMap& values = m_mapExtData.Get();
        for (const auto& [name, mask] : m_mapExtDataMask.Get()) {
            if ((mask & MASK_KEEP_ON_DELETE) == 0) continue;
            const auto value = values.find(name);
            if (value == values.end()) continue;
            CString text;
            if (!value->second.ToText(text) || text.IsEmpty()) continue;
            db->Execute(
                StrPrintf("INSERT INTO ObjectExtDataDelCache(nClassID, nID, nServerNO, "
                          "strFieldName, nType, valueStr) \t\t\t\t\t\t\t\t\t "
                          "VALUES(%d, %d, %d, '%s', %d, '%s')",
                          c, i, s, SqlEscape(name).c_str(), static_cast<int>(value->second.vt),
                          SqlEscape(text).c_str()));
        }
        return S_SUCCESS;
    });
}

// ---- merge ---------------------------------------------------------------------------------

std::int32_t CNameObjectExtData::_OnExtDataChange(const CNameObjectExtData& other,
                                                  std::uint32_t& changed, std::uint32_t sections) {
    if ((sections & SECTION_EXT_DATA) == 0) return 0;
    if (m_mapExtData.Get() != other.m_mapExtData.Get()) {
        m_mapExtData = other.m_mapExtData;
        changed |= SECTION_EXT_DATA;
    }
    if (m_mapExtDataMask.Get() != other.m_mapExtDataMask.Get()) {
        m_mapExtDataMask = other.m_mapExtDataMask;
        changed |= SECTION_EXT_DATA;
    }
    return 0;
}

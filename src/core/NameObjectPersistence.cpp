// The NameObject row of an object: insert, rewrite whole or by facet, touch, delete.
// Each operation stops at its first failed step; one that takes several statements runs them
// as one write unit, so that a crash leaves the old state or the new one. A rewrite that the
// store refuses keeps its result code and is reported as not stored.
#include <memory>
#include <new>
#include <vector>

#include "core/ChangeNotice.h"
#include "core/NameObject.h"
#include "core/NameObjectRow.h"
#include "platform/Database.h"
#include "platform/NoThrow.h"
#include "platform/StringFormat.h"
#include "registry/ClassRegistry.h"
#include "registry/IdAllocator.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"

namespace row = NameObjectRow;

namespace {

constexpr int kRestDataFirstTry = 4096;

// A buffer of size bytes, left uninitialised (the rest data is written before it is read);
// null when out of memory.
std::unique_ptr<std::uint8_t[]> NewBuffer(int size) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]);
}

// The first-try buffer of the rest data: this thread's, kept from insert to insert (a fresh
// 4 KB block per insert makes the allocator consolidate its free lists each time), or a new
// one for an insert started while the thread's is in use. Null data when out of memory.
class FirstTryBuffer {
public:
    FirstTryBuffer() {
        thread_local std::unique_ptr<std::uint8_t[]> kept;
        if (!t_lent && (kept || (kept = NewBuffer(kRestDataFirstTry)))) {
            t_lent = m_lent = true;
            m_data = kept.get();
        } else {
            m_own = NewBuffer(kRestDataFirstTry);
            m_data = m_own.get();
        }
    }
    ~FirstTryBuffer() {
        if (m_lent) t_lent = false;
    }
    FirstTryBuffer(const FirstTryBuffer&) = delete;
    FirstTryBuffer& operator=(const FirstTryBuffer&) = delete;
    std::uint8_t* data() const { return m_data; }

private:
    static thread_local bool t_lent;
    std::unique_ptr<std::uint8_t[]> m_own;
    std::uint8_t* m_data = nullptr;
    bool m_lent = false;
};
thread_local bool FirstTryBuffer::t_lent = false;

int AsInt(std::uint32_t v) { return static_cast<int>(v); }

std::string SelectRowByKey(const char* columns, const CNameObject& o) {
    return StrPrintf("SELECT %s FROM NameObject WHERE nID = %d And nClassID =%d And nServerNO=%d",
                     columns, AsInt(o.GetID()), AsInt(o.GetObjectClassID()),
                     AsInt(o.GetServerNO()));
}

// Stores a facet's section into a BLOB column, or an empty BLOB when the facet is empty.
template <class SaveFn>
void StoreFacet(CADORecordset& rs, const char* column, bool empty, SaveFn save) {
    CBufferWriter writer;
    if (!empty) save(writer);
    rs.AppendChunk(column, writer.GetData(), writer.GetLength());
}

void ReportUnstored(CADODatabase& db, const char* operation, const CNameObject& o) {
    db.ReportUnstoredWrite(StrPrintf("%s of object class=%d id=%d server=%d", operation,
                                     AsInt(o.GetObjectClassID()), AsInt(o.GetID()),
                                     AsInt(o.GetServerNO())));
}

}  // namespace

std::int32_t CNameObject::InsertObject(std::shared_ptr<CNameObject> object) {
    if (!object) return E_OBJECT_NULL;
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;

    // The rest data: a first try into 4096 bytes, then again with the size asked for. A
    // failure for any other reason stores no varData.
    int restSize = kRestDataFirstTry;
    const FirstTryBuffer firstTry;
    std::unique_ptr<std::uint8_t[]> larger;
    const std::uint8_t* rest = firstTry.data();
    if (!rest) return E_OUT_OF_MEMORY;
    if (!object->SaveRestData(firstTry.data(), &restSize)) {
        if (restSize > kRestDataFirstTry) {
            if (!(larger = NewBuffer(restSize))) return E_OUT_OF_MEMORY;
            rest = larger.get();
            if (!object->SaveRestData(larger.get(), &restSize)) restSize = 0;
        } else {
            restSize = 0;
        }
    }

    // The server object keeps its ID, and so does an object another server created; a local
    // object always receives a new ID.
    CDatabaseWriteScope unit(db);
    const std::uint32_t serverNO = GetCurrentServerNO();
    const bool isServerObject = object->GetObjectClassID() == 0 &&
                                object->GetID() == GetCurrentServerID() &&
                                object->GetServerNO() == serverNO;
    const bool isForeign = object->GetServerNO() != serverNO && object->GetID() != 0xFFFFFFFF;
    std::string query;
    if (isServerObject || isForeign) {
        query =
            StrPrintf("select * from NameObject where nID=%d and nClassID=%d and nServerNo = %d",
                      AsInt(object->GetID()), AsInt(object->GetObjectClassID()),
                      AsInt(object->GetServerNO()));
    } else {
        std::uint32_t id = 0;
        if (!GetLocalNextObjectID(&id)) return E_ALLOC_OBJECT_ID;
        object->SetID(id);
        query = "select * from NameObject where 1=0";
    }

    CADORecordset rs(db);
    if (!rs.Open(query, 0)) return E_DATABASE_OPERATION;
    if (rs.IsEOF()) {
        rs.AddNew();
    } else {
        rs.Edit();
    }
    rs.SetFieldValue(row::Name(row::kID), object->GetID());
    const COleDateTime now = COleDateTime::GetCurrentTime();
    if (object->m_dtCreateTime.m_dt == 0.0) object->m_dtCreateTime = now;
    if (object->m_dtModifyTime.m_dt == 0.0) object->m_dtModifyTime = now;
    row::WriteBasicColumns(rs, *object);
    rs.SetFieldValue(row::Name(row::kServerNO), object->GetServerNO());
    if (restSize > 0) rs.AppendChunk(row::Name(row::kVarData), rest, restSize);
    StoreFacet(rs, row::Name(row::kAttribute), false,
               [&](CBufferWriter& w) { object->SaveExtAttribute(w); });
    StoreFacet(rs, row::Name(row::kProperty), false,
               [&](CBufferWriter& w) { object->SaveExtProperty(w); });
    if (!rs.Update()) return E_DATABASE_OPERATION;
    rs.Close();

    const std::uint32_t classID = object->GetObjectClassID();
    const std::uint32_t id = object->GetID();
    const std::uint32_t objServerNO = object->GetServerNO();
    object->InsertDatabaseImage(db);
    object->UpdateExtDataRecord(classID, id, objServerNO);
    AnnounceChange(db, ChangeOperation::Insert, object->GetObjectUniqueID());
    if (!unit.Finish()) return E_DATABASE_OPERATION;
    GDM_Add(classID, id, objServerNO, object);
    return S_SUCCESS;
}

std::int32_t CNameObject::UpdateRecord() {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;
    LoadDataFromDatabase(SECTION_BASIC_DATA | SECTION_EXT_ATTRIBUTE | SECTION_REST_DATA |
                         SECTION_EXT_PROPERTY);

    CDatabaseWriteScope unit(db);
    CADORecordset rs(db);
    if (!rs.Open(SelectRowByKey("*", *this), 0)) return E_DATABASE_OPERATION;
    if (rs.IsEOF()) {
        rs.Close();
        return E_DATABASE_OPERATION;
    }
    rs.Edit();
    m_dtModifyTime = COleDateTime::GetCurrentTime();
    row::WriteBasicColumns(rs, *this);
    StoreFacet(rs, row::Name(row::kAttribute), m_mapAttribute.empty(),
               [&](CBufferWriter& w) { SaveExtAttribute(w); });
    StoreFacet(rs, row::Name(row::kProperty), m_mapProperty.empty(),
               [&](CBufferWriter& w) { SaveExtProperty(w); });
    StoreFacet(rs, row::Name(row::kVarData), false, [&](CBufferWriter& w) { SaveRestData(w); });
    bool stored = rs.Update() != 0;
    rs.Close();

    // Extension data that was never loaded stays as stored.
    if (m_nInitState & SECTION_EXT_DATA) {
        stored = UpdateExtDataRecord(m_nClassID, m_nID, m_nServerNO) != 0 && stored;
    }
    if (stored) AnnounceChange(db, ChangeOperation::Update, GetObjectUniqueID());
    if (!unit.Finish() || !stored) ReportUnstored(*db, "UpdateRecord", *this);
    return S_SUCCESS;
}

namespace {

// Rewrites the modification time and one facet BLOB of an object's row.
template <class SaveFn>
std::int32_t UpdateFacetColumn(CNameObject& o, const char* operation, std::uint32_t section,
                               const char* column, bool empty, SaveFn save) {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;
    o.LoadDataFromDatabase(section);
    CADORecordset rs(db);
    const std::string columns = std::string(row::Name(row::kModifyTime)) + ", " + column;
    if (!rs.Open(SelectRowByKey(columns.c_str(), o), 0) || rs.IsEOF()) return E_DATABASE_OPERATION;
    rs.Edit();
    rs.SetFieldValue(row::Name(row::kModifyTime), o.GetModifyTime());
    StoreFacet(rs, column, empty, save);
    if (rs.Update()) {
        AnnounceChange(db, ChangeOperation::Update, o.GetObjectUniqueID());
    } else {
        ReportUnstored(*db, operation, o);
    }
    rs.Close();
    return S_SUCCESS;
}

}  // namespace

std::int32_t CNameObject::UpdateAttributeData() {
    return UpdateFacetColumn(*this, "UpdateAttributeData", SECTION_EXT_ATTRIBUTE,
                             row::Name(row::kAttribute), m_mapAttribute.empty(),
                             [&](CBufferWriter& w) { SaveExtAttribute(w); });
}

std::int32_t CNameObject::UpdatePropertyData() {
    return UpdateFacetColumn(*this, "UpdatePropertyData", SECTION_EXT_PROPERTY,
                             row::Name(row::kProperty), m_mapProperty.empty(),
                             [&](CBufferWriter& w) { SaveExtProperty(w); });
}

std::int32_t CNameObject::UpdateRecordOfModifyTime() {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;
    m_dtModifyTime = COleDateTime::GetCurrentTime();
    const std::string time = m_dtModifyTime.Format("%Y-%m-%d %H:%M:%S").ToUtf8();
    const int stored =
        db->Execute(StrPrintf("Update NameObject set dtModifyTime='%s' WHERE nClassID = %d and  "
                              "nID = %d AND nServerNO = %d",
                              time.c_str(), AsInt(m_nClassID), AsInt(m_nID), AsInt(m_nServerNO)));
    if (stored) {
        AnnounceChange(db, ChangeOperation::Update, GetObjectUniqueID());
    } else {
        ReportUnstored(*db, "UpdateRecordOfModifyTime", *this);
    }
    return S_SUCCESS;
}

std::int32_t CNameObject::DeleteObject(std::shared_ptr<CNameObject> object) {
    if (!object) return E_OBJECT_NULL;
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;
    const std::uint32_t classID = object->GetObjectClassID();
    const std::uint32_t id = object->GetID();
    const std::uint32_t serverNO = object->GetServerNO();
    CDatabaseWriteScope unit(db);
    // Objects of classes derived from class 14 have no NameObject row.
    if (!::IsDerivedFrom(classID, 14)) {
        if (!db->Execute(StrPrintf(
                "DELETE FROM NameObject WHERE nClassID=%d AND nID = %d AND nServerNO = %d",
                AsInt(classID), AsInt(id), AsInt(serverNO)))) {
            return E_DATABASE_OPERATION;
        }
    }
    object->DeleteExtData(classID, id, serverNO);
    object->DeleteDatabaseImage(db);
    object->UpdateObjectRelated(RELATED_OP_DELETE, object, 0xFFFFFFFF, object->m_nInitState);
    AnnounceChange(db, ChangeOperation::Delete, object->GetObjectUniqueID());
    if (!unit.Finish()) return E_DATABASE_OPERATION;
    GDM_Remove(classID, id, serverNO);
    return S_SUCCESS;
}

std::int32_t CNameObject::InitObjectMap() { return 0; }

std::int32_t DeleteObject(std::shared_ptr<CNameObject> object) {
    if (!object) return E_OBJECT_NULL;
    return DeleteObject(object->GetObjectClassID(), object->GetID(), object->GetServerNO());
}

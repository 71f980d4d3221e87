// The NameObject row of an object: insert (new, foreign), rewrite whole and by facet, delete;
// against a real SQLite installation.
#include <sqlite3.h>

#include "support/Test.h"

namespace {

class Persistence : public ConnectedInstallation {
protected:
    static long long RowCount(const std::string& where = "1=1") {
        return QueryInt("select count(*) from NameObject where " + where);
    }
};

// Names, facets and the attribute word come back in the round-trip test.
TEST_F(Persistence, LocalInsertAllocatesANewIdAndStoresTheRow) {
    auto object = Named<CAccessObject>(u"Front door");
    object->SetID(42);  // a local object always gets a new ID
    ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(object));
    EXPECT_NE(42u, object->GetID());
    EXPECT_EQ(object, GDM_Find(2, object->GetID(), object->GetServerNO()));
    EXPECT_EQ(0, RowCount("nID=42"));
    EXPECT_EQ(0x03000200, QueryInt(StrPrintf("select nVersion from NameObject where nID=%d",
                                             static_cast<int>(object->GetID()))));

    // Creation and modification times were 0.0: both are now, and the object carries them.
    EXPECT_LT(COleDateTime::GetCurrentTime() - object->GetCreateTime(), 1.0 / 24);
}

// The extension-data unit inside an insert joins the insert's unit: one transaction in
// autocommit mode, one savepoint inside the host's transaction, and the extension data stored.
TEST_F(Persistence, InsertRunsAsOneUnitWithoutNestedSavepoints) {
    sqlite3* handle = GetDatabase()->Handle();
    if (handle == nullptr) GTEST_SKIP() << "statements are traced on SQLite";
    std::vector<std::string> ran;
    sqlite3_trace_v2(
        handle, SQLITE_TRACE_STMT,
        [](unsigned, void* seen, void* stmt, void*) {
            const std::string text = sqlite3_sql(static_cast<sqlite3_stmt*>(stmt));
            if (text.find(' ') == std::string::npos || text.rfind("SAVEPOINT", 0) == 0 ||
                text.rfind("RELEASE", 0) == 0 || text.rfind("BEGIN", 0) == 0) {
                static_cast<std::vector<std::string>*>(seen)->push_back(text);
            }
            return 0;
        },
        &ran);
    const std::vector<std::string> expected[] = {
        {"BEGIN IMMEDIATE", "COMMIT"}, {"SAVEPOINT nameobject_unit", "RELEASE nameobject_unit"}};
    for (const bool host : {false, true}) {
        auto object = Named<CAccessObject>(u"joined");
        object->ExtData_Set(u"floor", 3);
        ran.clear();
        if (host) {
            ASSERT_TRUE(GetDatabase()->BeginTransaction());
            ran.clear();
        }
        ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(object));
        EXPECT_EQ(ran, expected[host]);
        if (host) {
            ASSERT_TRUE(GetDatabase()->CommitTransaction());
        }
        EXPECT_EQ(3, QueryInt(StrPrintf("select V_int from ObjectExtData where nID=%d",
                                        static_cast<int>(object->GetID()))));
    }
    sqlite3_trace_v2(handle, 0, nullptr, nullptr);
}

TEST_F(Persistence, ForeignObjectKeepsItsIdAndRewritesAnExistingRow) {
    const std::uint32_t other = GetCurrentServerNO() + 5;
    LocalIdCounters before = GetLocalIdCounters();

    auto first = Named<CAccessObject>(u"first");
    first->SetServerNO(other);
    first->SetID(7);
    ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(first));
    EXPECT_EQ(7u, first->GetID());

    // The same key arriving again rewrites the row instead of adding one.
    GDM_Remove(2, 7, other);
    auto again = Named<CAccessObject>(u"second");
    again->SetServerNO(other);
    again->SetID(7);
    ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(again));
    EXPECT_EQ(1, RowCount(StrPrintf("nServerNO=%d", static_cast<int>(other))));
    EXPECT_EQ(CString(u"second"),
              QueryText(StrPrintf("select strFullName from NameObject where nServerNO=%d",
                                  static_cast<int>(other))));
    EXPECT_EQ(before.nextObjectID, GetLocalIdCounters().nextObjectID);  // nothing allocated
}

TEST_F(Persistence, UpdatesRewriteColumnsAndFacetsAndNeedTheRow) {
    auto missing = New<CAccessObject>();
    missing->SetID(999);
    EXPECT_EQ(E_DATABASE_OPERATION, missing->UpdateRecord());
    EXPECT_EQ(E_DATABASE_OPERATION, missing->UpdateAttributeData());
    EXPECT_EQ(E_DATABASE_OPERATION, missing->UpdatePropertyData());
    EXPECT_EQ(S_SUCCESS, missing->UpdateRecordOfModifyTime());  // its result is not checked
    EXPECT_EQ(0, RowCount());

    auto object = New<CAccessObject>();
    object->AddAttribute(3, 9);
    ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(object));
    const COleDateTime inserted = object->GetModifyTime();
    object->SetFullName(u"renamed");
    object->RemoveAttribute(3, 9);  // the facet becomes empty: an empty BLOB
    object->GetAreaID().insert(77);
    ASSERT_EQ(S_SUCCESS, object->UpdateRecord());
    EXPECT_GE(object->GetModifyTime().m_dt, inserted.m_dt);
    const std::string row =
        StrPrintf(" from NameObject where nID=%d", static_cast<int>(object->GetID()));
    EXPECT_EQ(CString(u"renamed"), QueryText("select strFullName" + row));
    EXPECT_EQ(0, QueryInt("select length(ObjectAttribute)" + row));
    CBufferReader rest = QueryBlob("select varData" + row);
    auto loaded = New<CAccessObject>();
    ASSERT_EQ(1, loaded->LoadRestData(rest, 0x03000200));
    EXPECT_EQ(std::set<std::uint32_t>{77}, loaded->GetAreaID());

    // A facet update keeps the modification time the object carries.
    object->SetModifyTime(COleDateTime(2020, 1, 2, 3, 4, 5));
    object->SetProperty(1, 1, _variant_t(5));
    ASSERT_EQ(S_SUCCESS, object->UpdatePropertyData());
    EXPECT_EQ(CString(u"2020-01-02 03:04:05"),
              QueryText("select substr(dtModifyTime, 1, 19)" + row));
    CBufferReader blob = QueryBlob("select ObjectProperty" + row);
    ASSERT_EQ(1, loaded->LoadExtProperty(blob));
    EXPECT_EQ(_variant_t(5), loaded->GetProperty(1, 1));
}

TEST_F(Persistence, DeleteRemovesRowExtensionDataImagesAndStoreEntry) {
    auto object = New<CAccessObject>();
    object->ExtData_Set(u"field", 7);
    CBufferWriter photo;
    photo.Write(std::uint32_t{0xCAFEBABE});
    object->SetPhotoImage(1, COleDateTime(2024, 5, 6, 7, 8, 9), photo);
    ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(object));
    const auto id = object->GetID();
    const auto serverNO = object->GetServerNO();

    ASSERT_EQ(S_SUCCESS, CNameObject::DeleteObject(object));
    EXPECT_EQ(0, RowCount());
    EXPECT_FALSE(GDM_Find(2, id, serverNO));
    EXPECT_EQ(0, QueryInt("select count(*) from ObjectExtData"));
    EXPECT_EQ(0, QueryInt("select count(*) from ObjectImage"));
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Database.h"
#include "platform/StringFormat.h"
#include "support/Capture.h"
#include "support/TestInstallation.h"

namespace {

// GCC's format checker reads "%I64d" as the glibc 'I' flag with width 64.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
std::string Format64(const char* fmt, std::uint64_t v) { return StrPrintf(fmt, v); }
#pragma GCC diagnostic pop

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(inst.Connect());
        db = GetDatabase();
        ASSERT_NE(db, nullptr);
    }

    // Adds a NameObject row through an updatable set, as object insertion does.
    void AddObject(unsigned classID, unsigned id, unsigned serverNO, const CString& name) {
        CADORecordset rs(db);
        ASSERT_TRUE(rs.Open("select * from NameObject where 1=0"));
        ASSERT_TRUE(rs.IsUpdatable());
        ASSERT_TRUE(rs.AddNew());
        EXPECT_TRUE(rs.SetFieldValue("nClassID", classID));
        EXPECT_TRUE(rs.SetFieldValue("nID", id));
        EXPECT_TRUE(rs.SetFieldValue("nServerNO", serverNO));
        EXPECT_TRUE(rs.SetFieldValue("strName", name));
        ASSERT_TRUE(rs.Update());
    }

    CString NameOf(unsigned id) {
        CADORecordset rs(db);
        CString name;
        if (rs.Open(StrPrintf("SELECT strName FROM NameObject WHERE nID = %d", id)) &&
            !rs.IsEOF()) {
            rs.GetFieldValue("strName", name);
        }
        return name;
    }

    TestInstallation inst;
    CADODatabase* db = nullptr;
};

TEST(DatabaseConnection, OnlyWhileConnected) {
    EXPECT_EQ(GetDatabase(), nullptr);
    TestInstallation inst;
    ASSERT_NO_FATAL_FAILURE(inst.Connect());
    ASSERT_NE(GetDatabase(), nullptr);
    EXPECT_EQ(GetDatabase()->GetConnectionString(), inst.dbPath());
    DisconnectDatabase();
    EXPECT_EQ(GetDatabase(), nullptr);

    CADODatabase closed;
    CADORecordset rs(&closed);
    EXPECT_EQ(closed.Execute("DELETE FROM NameObject"), 0);
    EXPECT_EQ(rs.Open("SELECT * FROM NameObject"), 0);
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_TRUE(ConnectDatabase("sqlite::memory:"));
    EXPECT_NE(GetDatabase(), nullptr);
}

TEST_F(DatabaseTest, SchemaCreatedOnConnectAndReconnectKeepsData) {
    // clang-format off
    const char* tables[] = {"NameObject", "Container", "ObjectExtData", "ObjectExtDataDelCache",
                            "ObjectImage", "ObjectID", "ServerOption", "OperatorBindingPerson",
                            "SpecialPrivilegeObject", "SocialSecurity", "OperationLog"};
    // clang-format on
    AddObject(1, 7, 0, u"kept");
    ASSERT_TRUE(ConnectDatabase("sqlite:" + inst.dbPath()));
    db = GetDatabase();
    for (const char* table : tables) {
        CADORecordset rs(db);
        EXPECT_TRUE(rs.Open(StrPrintf("SELECT * FROM [%s] WHERE 1=0", table))) << table;
    }
    EXPECT_EQ(NameOf(7).ToUtf8(), "kept");
}

TEST_F(DatabaseTest, QuotedStatementStyles) {
    const char* insert =
        "INSERT INTO Container(nContainerID, nSubObjectID, nContainerClassID ,nSubClassID,"
        "nContainerServerNO,nSubObjectServerNO)VALUES(%d, %d, %d, %d, %d, %d)";
    ASSERT_TRUE(db->Execute(StrPrintf(insert, 10, 20, 3, 2, 0, 0)));
    ASSERT_TRUE(db->Execute(StrPrintf(insert, 10, 21, 3, 2, 0, 0)));
    EXPECT_EQ(db->GetRecordsAffected(), 1);

    CADORecordset count(db);
    ASSERT_TRUE(count.Open("select count(*) as NUMBER_Count from [Container]", 3));
    EXPECT_FALSE(count.IsUpdatable());
    int n = 0;
    EXPECT_TRUE(count.GetFieldValue(0, n));
    EXPECT_EQ(n, 2);
    EXPECT_TRUE(count.GetFieldValue("number_count", n));  // names compare without case
    EXPECT_FALSE(count.Edit());

    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("SELECT * FROM [Container] "));
    EXPECT_EQ(rs.GetFieldCount(), 6);  // the rowid an updatable set carries stays hidden
    EXPECT_EQ(rs.GetFieldIndex("NSUBOBJECTID"), 1);
    EXPECT_EQ(rs.GetFieldIndex("rowid"), -1);
    std::vector<unsigned> members;
    for (; !rs.IsEOF(); rs.MoveNext()) {
        unsigned id = 0;
        EXPECT_TRUE(rs.GetFieldValue("nSubObjectID", id));
        members.push_back(id);
    }
    EXPECT_EQ(members, (std::vector<unsigned>{20, 21}));
    EXPECT_FALSE(rs.GetFieldValue("nSubObjectID", n));  // at end of set

    CADORecordset joined(db);
    ASSERT_TRUE(joined.Open("SELECT a.nID FROM NameObject a JOIN Container c ON 1=1"));
    EXPECT_FALSE(joined.IsUpdatable());
}

TEST_F(DatabaseTest, EditRewritesOnlyTheCurrentRow) {
    AddObject(62, 1, 0, u"one");
    AddObject(62, 2, 0, u"two");
    AddObject(63, 2, 0, u"other class");
    {
        CADORecordset rs(db);
        ASSERT_TRUE(rs.Open(
            StrPrintf("SELECT * FROM NameObject WHERE nID = %d And nClassID =%d And nServerNO=%d",
                      2, 62, 0)));
        ASSERT_FALSE(rs.IsEOF());
        ASSERT_TRUE(rs.Edit());
        EXPECT_TRUE(rs.SetFieldValue("strName", CString(u"zwei 'quoted' 名字")));
        EXPECT_FALSE(rs.SetFieldValue("noSuchColumn", 1));
        ASSERT_TRUE(rs.Update());
    }
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("SELECT strName FROM NameObject WHERE nID = 2 ORDER BY nClassID"));
    CString second, other;
    rs.GetFieldValue(0, second), rs.MoveNext(), rs.GetFieldValue(0, other);
    EXPECT_EQ(second.ToUtf8(), "zwei 'quoted' 名字");
    EXPECT_EQ(other.ToUtf8(), "other class");

    // A partial select edits its own columns and leaves the others.
    const std::vector<std::uint8_t> facet = {1, 2, 3, 0, 5};
    COleDateTime when(2024, 2, 29, 23, 59, 58);
    CADORecordset part(db);
    ASSERT_TRUE(
        part.Open(StrPrintf("SELECT dtModifyTime, ObjectAttribute FROM NameObject WHERE "
                            "nID = %d And nClassID =%d And nServerNO=%d",
                            1, 62, 0)));
    ASSERT_TRUE(part.Edit());
    EXPECT_TRUE(part.SetFieldValue("dtModifyTime", when));
    EXPECT_TRUE(part.AppendChunk("ObjectAttribute", facet.data(), 5));
    ASSERT_TRUE(part.Update());
    part.Close();
    ASSERT_TRUE(part.Open("SELECT * FROM NameObject WHERE nID = 1"));
    COleDateTime read;
    CBufferReader blob;
    EXPECT_TRUE(part.GetFieldValue("dtModifyTime", read));
    EXPECT_EQ(read.FormatIsoMs(), when.FormatIsoMs());
    ASSERT_TRUE(ReadBlobColumn(part, part.GetFieldIndex("ObjectAttribute"), blob));
    EXPECT_EQ(std::vector<std::uint8_t>(blob.GetData(), blob.GetData() + blob.GetLength()), facet);
    CString name;
    EXPECT_TRUE(part.GetFieldValue("strName", name));
    EXPECT_EQ(name.ToUtf8(), "one");

    // After AddNew and Update the added record is the current one: Edit rewrites it.
    CADORecordset added(db);
    ASSERT_TRUE(added.Open("select * from NameObject where 1=0"));
    ASSERT_TRUE(added.AddNew());
    added.SetFieldValue("nClassID", 1), added.SetFieldValue("nID", 9);
    added.SetFieldValue("nServerNO", 0);
    ASSERT_TRUE(added.Update());
    ASSERT_TRUE(added.Edit());
    added.SetFieldValue("strName", CString(u"renamed"));
    ASSERT_TRUE(added.Update());
    EXPECT_EQ(NameOf(9).ToUtf8(), "renamed");
    EXPECT_EQ(NameOf(1).ToUtf8(), "one");
}

TEST_F(DatabaseTest, UnsignedValuesMatchTheirPercentDText) {
    AddObject(2, 0xFFFFFFFFu, 0x81000000u, u"set");
    ASSERT_TRUE(
        db->Execute(StrPrintf("INSERT INTO NameObject(nClassID, nID, nServerNO, strName) "
                              "VALUES(%d, %d, %d, 'stmt')",
                              2, 0x80000001u, 0x81000000u)));
    EXPECT_EQ(NameOf(0xFFFFFFFFu).ToUtf8(), "set");
    EXPECT_EQ(NameOf(0x80000001u).ToUtf8(), "stmt");

    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open(
        StrPrintf("select * from NameObject where nServerNo = %d order by strName", 0x81000000u)));
    unsigned id = 0, server = 0;
    int signedId = 0;
    ASSERT_TRUE(rs.GetFieldValue("nID", id) && rs.GetFieldValue("nServerNo", server));
    EXPECT_EQ(id, 0xFFFFFFFFu);
    EXPECT_EQ(server, 0x81000000u);
    rs.MoveNext();
    ASSERT_TRUE(rs.GetFieldValue("nID", signedId));
    EXPECT_EQ(static_cast<unsigned>(signedId), 0x80000001u);

    // 64-bit values through %I64d and through SetFieldValue.
    const std::uint64_t big = 0xFFFFFFFFFFFFFFF0ull;
    ASSERT_TRUE(db->Execute(Format64("INSERT INTO ObjectID(nMaxAlarmID) VALUES(%I64d)", big)));
    CADORecordset ids(db);
    ASSERT_TRUE(ids.Open("SELECT * FROM ObjectID"));
    std::uint64_t alarm = 0;
    EXPECT_TRUE(ids.GetFieldValue("nMaxAlarmID", alarm));
    EXPECT_EQ(alarm, big);
    ASSERT_TRUE(ids.Edit());
    EXPECT_TRUE(ids.SetFieldValue("nMaxAlarmID", big - 1));
    ASSERT_TRUE(ids.Update());
    ids.Close();
    ASSERT_TRUE(
        ids.Open(Format64("SELECT nMaxAlarmID FROM ObjectID WHERE nMaxAlarmID = %I64d", big - 1)));
    EXPECT_FALSE(ids.IsEOF());
}

TEST_F(DatabaseTest, DatesWithAndWithoutMilliseconds) {
    COleDateTime precise;
    COleDateTime::Fields f;
    f.year = 2023, f.month = 11, f.day = 5, f.hour = 8, f.minute = 9, f.second = 10;
    f.millisecond = 123;
    ASSERT_EQ(precise.SetDateTime(f), 0);
    const COleDateTime plain(2023, 11, 5, 8, 9, 10);

    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("SELECT * FROM ObjectImage WHERE 1=0"));
    for (int index : {1, 2}) {  // two records through the same set; the second date NULL
        ASSERT_TRUE(rs.AddNew());
        rs.SetFieldValue("nClassID", 1), rs.SetFieldValue("nID", 1);
        rs.SetFieldValue("nServerNO", 0), rs.SetFieldValue("nIndex", index);
        if (index == 1) rs.SetFieldValue("dateTime", precise);
        ASSERT_TRUE(rs.Update());
    }
    rs.Close();
    ASSERT_TRUE(
        db->Execute("INSERT INTO ObjectImage(nClassID, nID, nServerNO, nIndex, dateTime) "
                    "VALUES(1, 1, 0, 3, '" +
                    plain.Format("%Y-%m-%d %H:%M:%S").ToUtf8() + "')"));

    ASSERT_TRUE(rs.Open("Select nIndex, dateTime from ObjectImage order by nIndex"));
    COleDateTime read;
    EXPECT_TRUE(rs.GetFieldValue(1, read));
    EXPECT_TRUE(read.IsValid());
    EXPECT_EQ(read.FormatIsoMs(), precise.FormatIsoMs());
    rs.MoveNext();
    EXPECT_TRUE(rs.GetFieldValue("DATETIME", read));
    EXPECT_EQ(read.GetStatus(), COleDateTime::null);
    rs.MoveNext();
    EXPECT_TRUE(rs.GetFieldValue(1, read));
    EXPECT_EQ(read, plain);
}

TEST_F(DatabaseTest, BlobsReadBackByteExact) {
    std::vector<std::uint8_t> large(35000);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7 + 3);
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("select * from NameObject where 1=0"));
    ASSERT_TRUE(rs.AddNew());
    rs.SetFieldValue("nClassID", 1), rs.SetFieldValue("nID", 1), rs.SetFieldValue("nServerNO", 0);
    // Two appends make one value.
    EXPECT_TRUE(rs.AppendChunk("varData", large.data(), 20000));
    EXPECT_TRUE(rs.AppendChunk("varData", large.data() + 20000, 15000));
    EXPECT_TRUE(rs.AppendChunk("ObjectAttribute", large.data(), 0));
    EXPECT_FALSE(rs.AppendChunk("ObjectProperty", nullptr, 4));
    ASSERT_TRUE(rs.Update());
    rs.Close();

    ASSERT_TRUE(rs.Open("SELECT varData, ObjectAttribute, ObjectProperty FROM NameObject"));
    EXPECT_EQ(rs.GetFieldActualSize(0), 35000);
    CBufferWriter_base chunk(0);
    EXPECT_EQ(rs.GetChunk(0, 30000, 10240, chunk), 5000);
    EXPECT_EQ(rs.GetChunk(0, 35000, 10240, chunk), 0);
    CBufferReader reader;
    ASSERT_TRUE(ReadBlobColumn(rs, 0, reader));
    EXPECT_EQ(std::vector<std::uint8_t>(reader.GetData(), reader.GetData() + reader.GetLength()),
              large);

    EXPECT_EQ(rs.GetFieldActualSize(1), 0);  // an empty BLOB, not NULL
    EXPECT_FALSE(rs.IsFieldNull(1));
    EXPECT_TRUE(rs.IsFieldNull(2));
    for (int column : {1, 2}) {
        ASSERT_TRUE(ReadBlobColumn(rs, column, reader));
        EXPECT_EQ(reader.GetLength(), 0);
    }
    EXPECT_FALSE(ReadBlobColumn(rs, 3, reader));  // no such column
}

TEST_F(DatabaseTest, TransactionsRollBackAndCommit) {
    ASSERT_TRUE(db->BeginTransaction());
    AddObject(1, 1, 0, u"discarded");
    ASSERT_TRUE(db->RollbackTransaction());
    ASSERT_TRUE(db->BeginTransaction());
    AddObject(1, 2, 0, u"kept");
    ASSERT_TRUE(db->CommitTransaction());
    EXPECT_TRUE(NameOf(1).IsEmpty());
    EXPECT_EQ(NameOf(2).ToUtf8(), "kept");
    EXPECT_FALSE(db->CommitTransaction());  // none open
}

TEST_F(DatabaseTest, FailuresReturnZeroAndReachTheDebugOutput) {
    DebugCapture capture;
    EXPECT_EQ(db->Execute("Delete from NoSuchTable where nID = 1"), 0);
    EXPECT_TRUE(capture.Contains(u"no such table: NoSuchTable"));
    EXPECT_NE(db->GetLastError().find("no such table"), std::string::npos);

    CADORecordset rs(db);
    EXPECT_EQ(rs.Open("SELECT nope FROM NameObject"), 0);
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_TRUE(capture.Contains(u"no such column: nope"));
    EXPECT_EQ(rs.Open("  "), 0);

    // A second row with the same key breaks the unique index: Update fails.
    AddObject(1, 5, 0, u"first");
    ASSERT_TRUE(rs.Open("select * from NameObject where 1=0"));
    ASSERT_TRUE(rs.AddNew());
    rs.SetFieldValue("nClassID", 1), rs.SetFieldValue("nID", 5), rs.SetFieldValue("nServerNO", 0);
    EXPECT_EQ(rs.Update(), 0);
    EXPECT_TRUE(capture.Contains(u"UNIQUE"));
    EXPECT_EQ(rs.Edit(), 0);  // no current row in an empty set
}

}  // namespace

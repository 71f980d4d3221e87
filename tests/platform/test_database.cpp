#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Database.h"
#include "platform/StringFormat.h"
#include "support/Capture.h"
#include "support/Query.h"
#include "support/TestInstallation.h"

namespace {

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(inst.Connect());
        db = GetDatabase();
    }

    // Adds a NameObject row through an updatable set, as object insertion does.
    void AddObject(unsigned classID, unsigned id, const CString& name) {
        CADORecordset rs(db);
        ASSERT_TRUE(rs.Open("select * from NameObject where 1=0"));
        ASSERT_TRUE(rs.IsUpdatable() && rs.AddNew());
        EXPECT_TRUE(rs.SetFieldValue("nClassID", classID) && rs.SetFieldValue("nID", id) &&
                    rs.SetFieldValue("nServerNO", 0x81000000u) &&
                    rs.SetFieldValue("strName", name));
        ASSERT_TRUE(rs.Update());
    }
    static std::string NameOf(unsigned id) {
        return QueryText(StrPrintf("SELECT strName FROM NameObject WHERE nID = %d", id)).ToUtf8();
    }

    TestInstallation inst;
    CADODatabase* db = nullptr;
};

TEST_F(DatabaseTest, SchemaOnConnectReconnectAndClosedConnections) {
    EXPECT_EQ(db->GetConnectionString(), inst.dbPath());
    AddObject(1, 7, u"kept");
    ASSERT_TRUE(ConnectDatabase("sqlite:" + inst.dbPath()));  // the schema is not recreated
    EXPECT_EQ(NameOf(7), "kept");
    DisconnectDatabase();
    EXPECT_EQ(GetDatabase(), nullptr);
    CADODatabase closed;
    CADORecordset rs(&closed);
    EXPECT_EQ(closed.Execute("DELETE FROM NameObject"), 0);
    EXPECT_EQ(rs.Open("SELECT * FROM NameObject"), 0);
    EXPECT_TRUE(rs.IsEOF());
}

TEST_F(DatabaseTest, StatementStylesAndFieldNames) {
    const char* insert =
        "INSERT INTO Container(nContainerID, nSubObjectID, nContainerClassID ,nSubClassID,"
        "nContainerServerNO,nSubObjectServerNO)VALUES(%d, %d, %d, %d, %d, %d)";
    ASSERT_TRUE(db->Execute(StrPrintf(insert, 10, 20, 3, 2, 0, 0)));
    ASSERT_TRUE(db->Execute(StrPrintf(insert, 10, 21, 3, 2, 0, 0)));
    EXPECT_EQ(db->GetRecordsAffected(), 1);

    CADORecordset count(db);
    ASSERT_TRUE(count.Open("select count(*) as NUMBER_Count from [Container]", 3));
    EXPECT_FALSE(count.IsUpdatable() || count.Edit());
    int n = 0;
    EXPECT_TRUE(count.GetFieldValue("number_count", n));  // names compare without case
    EXPECT_EQ(n, 2);

    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("SELECT * FROM [Container] "));
    EXPECT_EQ(rs.GetFieldCount(), 6);  // the rowid an updatable set carries stays hidden
    EXPECT_EQ(rs.GetFieldIndex("NSUBOBJECTID"), 1);
    EXPECT_EQ(rs.GetFieldIndex("rowid"), -1);
    rs.MoveNext();
    rs.MoveNext();
    EXPECT_FALSE(rs.GetFieldValue("nSubObjectID", n));  // at end of set
}

TEST_F(DatabaseTest, EditRewritesOnlyTheCurrentRow) {
    AddObject(62, 1, u"one");
    AddObject(62, 2, u"two");
    AddObject(63, 2, u"other class");
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open(
        StrPrintf("SELECT * FROM NameObject WHERE nID = %d And nClassID =%d And nServerNO=%d", 2,
                  62, 0x81000000u)));
    ASSERT_TRUE(rs.Edit());
    EXPECT_TRUE(rs.SetFieldValue("strName", CString(u"zwei 'quoted' 名字")));
    EXPECT_FALSE(rs.SetFieldValue("noSuchColumn", 1));
    ASSERT_TRUE(rs.Update());
    EXPECT_EQ(QueryText("SELECT group_concat(strName, '|') FROM NameObject WHERE nID = 2").ToUtf8(),
              "zwei 'quoted' 名字|other class");
}

TEST_F(DatabaseTest, DatesWithAndWithoutMillisecondsAndNull) {
    COleDateTime precise;
    ASSERT_EQ(precise.SetDateTime(COleDateTime::Fields{2023, 11, 5, 8, 9, 10, 123}), 0);
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
    ASSERT_TRUE(db->Execute(
        "INSERT INTO ObjectImage(nClassID, nID, nServerNO, nIndex, dateTime) VALUES(1, 1, 0, 3, '" +
        plain.Format("%Y-%m-%d %H:%M:%S").ToUtf8() + "')"));

    ASSERT_TRUE(rs.Open("Select nIndex, dateTime from ObjectImage order by nIndex"));
    COleDateTime read;
    EXPECT_TRUE(rs.GetFieldValue(1, read));
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
    CBufferWriter_base chunk(0);
    EXPECT_EQ(rs.GetChunk(0, 30000, 10240, chunk), 5000);
    EXPECT_EQ(rs.GetChunk(0, 35000, 10240, chunk), 0);
    CBufferReader reader;
    ASSERT_TRUE(ReadBlobColumn(rs, 0, reader));
    EXPECT_EQ(std::vector<std::uint8_t>(reader.GetData(), reader.GetData() + reader.GetLength()),
              large);
    EXPECT_FALSE(rs.IsFieldNull(1));  // an empty BLOB, not NULL
    EXPECT_TRUE(rs.IsFieldNull(2));
    for (int column : {1, 2}) {
        ASSERT_TRUE(ReadBlobColumn(rs, column, reader));
        EXPECT_EQ(reader.GetLength(), 0);
    }
    EXPECT_FALSE(ReadBlobColumn(rs, 3, reader));  // no such column
}

TEST_F(DatabaseTest, TransactionsAndFailures) {
    ASSERT_TRUE(db->BeginTransaction());
    AddObject(1, 1, u"discarded");
    ASSERT_TRUE(db->RollbackTransaction());
    EXPECT_EQ(NameOf(1), "");
    EXPECT_FALSE(db->CommitTransaction());  // none open

    // Failures return 0 and reach the debugger output.
    DebugCapture capture;
    EXPECT_EQ(db->Execute("Delete from NoSuchTable where nID = 1"), 0);
    EXPECT_TRUE(capture.Contains(u"no such table: NoSuchTable"));
    EXPECT_NE(db->GetLastError().find("no such table"), std::string::npos);
    CADORecordset rs(db);
    EXPECT_EQ(rs.Open("SELECT nope FROM NameObject"), 0);
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_TRUE(capture.Contains(u"no such column: nope"));

    // A second row with the same key breaks the unique index: Update fails.
    AddObject(1, 5, u"first");
    ASSERT_TRUE(rs.Open("select * from NameObject where 1=0"));
    ASSERT_TRUE(rs.AddNew());
    rs.SetFieldValue("nClassID", 1), rs.SetFieldValue("nID", 5);
    rs.SetFieldValue("nServerNO", 0x81000000u);
    EXPECT_EQ(rs.Update(), 0);
    EXPECT_TRUE(capture.Contains(u"UNIQUE"));
    EXPECT_EQ(rs.Edit(), 0);  // no current row in an empty set
}

}  // namespace

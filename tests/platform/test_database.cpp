#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

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
    const std::string again = (TestInstallation::OnPostgres() ? "" : "sqlite:") + inst.dbPath();
    ASSERT_TRUE(ConnectDatabase(again));  // the schema is not recreated
    EXPECT_EQ(NameOf(7), "kept");
    DisconnectDatabase();
    EXPECT_EQ(GetDatabase(), nullptr);
    CADODatabase closed;
    CADORecordset rs(&closed);
    EXPECT_EQ(closed.Execute("DELETE FROM NameObject"), 0);
    EXPECT_EQ(rs.Open("SELECT * FROM NameObject"), 0);
    EXPECT_TRUE(rs.IsEOF());
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

namespace {

// Statements kept for reuse: the same text twice at once, a kept query after the schema
// changed, and a kept statement after the connection was closed and opened again.
TEST_F(DatabaseTest, KeptStatementsFollowDataSchemaAndReconnects) {
    ASSERT_TRUE(db->Execute("CREATE TABLE Kept (a INTEGER)"));
    const std::string query = "select * from Kept where 1=0";
    for (int round = 0; round < 3; ++round) {
        CADORecordset outer(db), inner(db);
        ASSERT_TRUE(outer.Open(query) && inner.Open(query));  // one text, two statements
        ASSERT_TRUE(outer.AddNew() && outer.SetFieldValue("a", round) && outer.Update());
        EXPECT_EQ(1, inner.GetFieldCount());
    }
    EXPECT_EQ(3, QueryInt("SELECT count(*) FROM Kept"));
    ASSERT_TRUE(db->Execute("ALTER TABLE Kept ADD COLUMN b INTEGER"));
    {
        CADORecordset rs(db);
        ASSERT_TRUE(rs.Open(query));
        EXPECT_EQ(2, rs.GetFieldCount());
        ASSERT_TRUE(rs.AddNew() && rs.SetFieldValue("b", 5) && rs.Update());
    }
    EXPECT_EQ(1, QueryInt("SELECT count(*) FROM Kept WHERE b = 5"));
    CADORecordset open(db);
    ASSERT_TRUE(open.Open("select * from Kept"));
    ASSERT_TRUE(ConnectDatabase(inst.dbPath()));
    db = GetDatabase();
    open.Close();  // its statement belongs to the closed connection and is not kept
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open(query));
    EXPECT_EQ(2, rs.GetFieldCount());
    EXPECT_TRUE(db->Execute("DELETE FROM Kept"));
    EXPECT_EQ(0, QueryInt("SELECT count(*) FROM Kept"));
}

}  // namespace

namespace {

// A DELETE or UPDATE that differs from an earlier one only in integers after "=" runs on the
// earlier one's statement with the integers bound. Every text below, run that way on one
// table and run literally (sqlite3_exec) on a twin, must leave both tables alike; the
// integer-keyed texts share one statement each.
TEST_F(DatabaseTest, StatementsSharedAcrossIntegersActAsTheirLiteralTexts) {
    sqlite3* handle = db->Handle();
    if (handle == nullptr) GTEST_SKIP() << "statements are kept on SQLite only";
    const char* const texts[] = {
        "DELETE FROM T WHERE a=1",
        "DELETE FROM T WHERE a = 2 And b=2",
        "delete from T where (a=-3)",
        "UPDATE T SET b=5, c=6 WHERE a=4",
        "UPDATE T SET b=7 WHERE a=5",
        "UPDATE T SET c=8 WHERE a=5.5",  // a real: left as written
        "UPDATE T SET c=9 WHERE a=5+1",
        "UPDATE T SET c=10 WHERE b='7'",
        "DELETE FROM T WHERE b=5",  // text affinity: matches the row whose b became '5'
        "DELETE FROM T WHERE a=99999999999999999999",
        "DELETE FROM T WHERE a=6",
        "DELETE FROM T WHERE a=7",
    };
    for (const char* table : {"Shared", "Twin"}) {
        ASSERT_TRUE(db->Execute(StrPrintf("CREATE TABLE %s (a INTEGER, b TEXT, c REAL)", table)));
        for (int a = -3; a <= 9; ++a) {
            ASSERT_TRUE(
                db->Execute(StrPrintf("INSERT INTO %s VALUES (%d, '%d', %d.5)", table, a, a, a)));
        }
    }
    auto on = [](std::string text, const std::string& table) {
        return text.replace(text.find(" T "), 3, " " + table + " ");
    };
    for (int round = 0; round < 2; ++round) {
        for (const char* text : texts) {
            EXPECT_TRUE(db->Execute(on(text, "Shared"))) << text;
            EXPECT_EQ(SQLITE_OK,
                      sqlite3_exec(handle, on(text, "Twin").c_str(), nullptr, nullptr, nullptr))
                << text;
        }
    }
    const char* const rows = "SELECT group_concat(quote(a) || quote(b) || quote(c), ';') FROM ";
    EXPECT_EQ(QueryText(std::string(rows) + "Twin").ToUtf8(),
              QueryText(std::string(rows) + "Shared").ToUtf8());
    int shapes = 0;
    for (sqlite3_stmt* s = sqlite3_next_stmt(handle, nullptr); s; s = sqlite3_next_stmt(handle, s))
        shapes += std::string(sqlite3_sql(s)).find("Shared WHERE a=?") != std::string::npos;
    EXPECT_EQ(1, shapes);
}

}  // namespace

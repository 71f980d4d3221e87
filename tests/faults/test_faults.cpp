// Writes under faults: a database locked by another connection, a full disk, a lost
// connection. Every operation's result code and the state after it; no
// write reported as done that was not stored. Each case runs in a process of its own.
#include <libpq-fe.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <future>

#include "support/Test.h"

namespace {

using Clock = std::chrono::steady_clock;

// Another process's connection holding the write lock (on PostgreSQL: of every table the
// writes touch) until Release.
class Locker {
public:
    explicit Locker(const std::string& connection) {
        if (TestInstallation::OnPostgres()) {
            m_pg = PQconnectdb(connection.c_str());
            PGresult* r = PQexec(m_pg,
                                 "BEGIN; LOCK TABLE NameObject, ObjectExtData, ObjectID, "
                                 "OperationLog IN EXCLUSIVE MODE");
            EXPECT_EQ(PGRES_COMMAND_OK, PQresultStatus(r)) << PQerrorMessage(m_pg);
            PQclear(r);
            return;
        }
        sqlite3_open(connection.c_str(), &m_db);
        EXPECT_EQ(SQLITE_OK, sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr));
    }
    ~Locker() {
        sqlite3_close(m_db);
        PQfinish(m_pg);
    }
    void Release() {
        if (m_pg) PQclear(PQexec(m_pg, "COMMIT"));
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }

private:
    sqlite3* m_db = nullptr;
    PGconn* m_pg = nullptr;
};

class Faults : public ConnectedInstallation {
protected:
    void SetUp() override {
        ConnectedInstallation::SetUp();
        ASSERT_EQ(1, InitLocalObjectID());
        object = CAccessObject::CreateObj();
        ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(object));
        SetDatabaseErrorSink([this](const std::string& m) { errors.push_back(m); });
    }
    void TearDown() override {
        SetDatabaseErrorSink(nullptr);
        ConnectedInstallation::TearDown();
    }
    void SetBusyTimeout(int ms) {
        if (TestInstallation::OnPostgres()) {
            ASSERT_TRUE(GetDatabase()->Execute(StrPrintf("SET lock_timeout = %d", ms)));
        } else {
            sqlite3_busy_timeout(GetDatabase()->Handle(), ms);
        }
    }
    bool Reported(const std::string& fragment) const {
        for (const auto& e : errors) {
            if (e.find(fragment) != std::string::npos) return true;
        }
        return false;
    }
    void ExpectEveryWriteRefused(const std::string& engineText, std::chrono::milliseconds wait);
    std::string Key() const { return StrPrintf("nID=%d", static_cast<int>(object->GetID())); }

    std::shared_ptr<CNameObject> object;
    std::vector<std::string> errors;
};

// The writes under test, each with its result when the store refuses it (a rewrite keeps
// S_SUCCESS and is reported as not stored instead) and without a connection.
struct Operation {
    const char* name;
    std::function<std::int32_t(CNameObject&)> run;
    std::int32_t refused;
    const char* reported;  // the fragment of the sink message, or null
    std::int32_t unavailable = E_DATABASE_UNAVAILABLE;
};

const Operation kOperations[] = {
    {"insert", [](CNameObject&) { return CNameObject::InsertObject(CAccessObject::CreateObj()); },
     E_DATABASE_OPERATION, nullptr},
    {"rename",
     [](CNameObject& o) {
         o.SetShortName(u"renamed");
         return o.UpdateRecord();
     },
     S_SUCCESS, "UpdateRecord of object class=2"},
    {"attributes", [](CNameObject& o) { return o.UpdateAttributeData(); }, S_SUCCESS,
     "UpdateAttributeData of object class=2"},
    {"properties", [](CNameObject& o) { return o.UpdatePropertyData(); }, S_SUCCESS,
     "UpdatePropertyData of object class=2"},
    {"touch", [](CNameObject& o) { return o.UpdateRecordOfModifyTime(); }, S_SUCCESS,
     "UpdateRecordOfModifyTime of object class=2"},
    {"object IDs", [](CNameObject&) { return SaveObjectIDToDatabase() ? S_SUCCESS : -1; }, -1,
     nullptr, -1},
    {"log",
     [](CNameObject&) {
         return static_cast<std::int32_t>(NS_LOG::AddLog(1, u"entry", 0, 0, 2, 1, 1));
     },
     NS_LOG::ADD_LOG_DATABASE_ERROR, nullptr, NS_LOG::ADD_LOG_NO_DATABASE},
};

// Runs every operation against a store that refuses it: each takes at least `wait`, returns
// its refusal and reaches the sink with the engine's text and, for rewrites, "not stored".
void Faults::ExpectEveryWriteRefused(const std::string& engineText,
                                     std::chrono::milliseconds wait) {
    for (const Operation& op : kOperations) {
        SCOPED_TRACE(op.name);
        errors.clear();
        const auto start = Clock::now();
        EXPECT_EQ(op.refused, op.run(*object));
        EXPECT_GE(Clock::now() - start, wait);
        EXPECT_TRUE(Reported(engineText));
        if (op.reported) {
            EXPECT_TRUE(Reported(std::string(op.reported) + " id="));
        }
    }
}

TEST_F(Faults, LockedDatabaseMakesEveryWriteWaitThenFailAloud) {
    SetBusyTimeout(150);
    Locker lock(inst.dbPath());
    ExpectEveryWriteRefused("database is locked", std::chrono::milliseconds(140));
    errors.clear();
    EXPECT_EQ(1, InitLocalObjectID());  // its result stays; the failed write is reported
    EXPECT_TRUE(Reported("InitLocalObjectID: the ObjectID row not stored"));
    EXPECT_EQ(E_DATABASE_OPERATION, CAccessObject::DeleteObject(object));
    EXPECT_EQ(object, GDM_Find(2, object->GetID()));
    lock.Release();
    EXPECT_EQ(1, QueryInt("SELECT count(*) FROM NameObject"));  // the failed insert left no row
    EXPECT_EQ(0, QueryInt("SELECT count(*) FROM NameObject WHERE strName = 'renamed'"));
}

TEST_F(Faults, WritesStoreWhenTheLockGoesWithinTheTimeout) {
    SetBusyTimeout(5000);
    for (const Operation& op : kOperations) {
        SCOPED_TRACE(op.name);
        errors.clear();
        auto lock = std::make_unique<Locker>(inst.dbPath());
        auto release = std::async(std::launch::async, [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            lock->Release();
        });
        const auto start = Clock::now();
        EXPECT_EQ(0, op.run(*object));  // success is 0 for every one of them
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(90));
        release.wait();
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
    EXPECT_EQ(CString(u"renamed"), QueryText("SELECT strName FROM NameObject WHERE " + Key()));
    EXPECT_EQ(2, QueryInt("SELECT count(*) FROM NameObject"));
    EXPECT_EQ(1, QueryInt("SELECT count(*) FROM OperationLog"));
}

TEST_F(Faults, LostConnectionAnswersUnavailable) {
    DisconnectDatabase();
    EXPECT_EQ(E_OBJECT_NULL, CNameObject::InsertObject(nullptr));
    const LocalIdCounters before = GetLocalIdCounters();
    for (const Operation& op : kOperations) EXPECT_EQ(op.unavailable, op.run(*object)) << op.name;
    EXPECT_EQ(before.nextObjectID, GetLocalIdCounters().nextObjectID);  // nothing allocated
    EXPECT_EQ(0, object->UpdateExtDataRecord(2, object->GetID(), object->GetServerNO()));
    EXPECT_EQ(E_DATABASE_UNAVAILABLE, CAccessObject::InitObjectMap());
    EXPECT_EQ(0, InitContainer(nullptr, nullptr));
    EXPECT_EQ(E_DATABASE_UNAVAILABLE, CAccessObject::DeleteObject(object));
    EXPECT_EQ(object, GDM_Find(2, object->GetID()));
}

TEST_F(Faults, FullDiskLeavesTheOldStateAndSaysSo) {
    if (TestInstallation::OnPostgres()) GTEST_SKIP() << "the file size limit binds a local file";
    object->SetObjectInitState(0x3F);
    object->ExtData_Set(u"photo", 1);
    ASSERT_EQ(S_SUCCESS, object->UpdateRecord());
    const CString photo(std::u16string(300000, u'x'));
    auto big = CAccessObject::CreateObj();
    big->ExtData_Set(u"photo", photo);
    object->ExtData_Set(u"photo", photo);
    object->SetShortName(u"renamed");

    // Writing past the limit fails with EFBIG instead of killing the process.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = 256 * 1024;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limit));
    const std::int32_t inserted = CNameObject::InsertObject(big);
    const std::int32_t renamed = object->UpdateRecord();
    // Inside a host's own transaction: all or nothing, even when the engine drops the
    // transaction at a failing statement and later statements of the unit would autocommit.
    ASSERT_TRUE(GetDatabase()->BeginTransaction()) << GetDatabase()->GetLastError();
    object->UpdateRecord();
    object->UpdateExtDataRecord(2, object->GetID(), object->GetServerNO());
    GetDatabase()->Execute("INSERT INTO OperationLog(strText) VALUES('x')");
    const int committed = GetDatabase()->CommitTransaction();
    if (!committed) GetDatabase()->RollbackTransaction();
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(0, committed);
    EXPECT_EQ(0, QueryInt("SELECT count(*) FROM OperationLog"));

    EXPECT_EQ(E_DATABASE_OPERATION, inserted);
    EXPECT_FALSE(GDM_Find(2, big->GetID()));
    EXPECT_EQ(S_SUCCESS, renamed);
    EXPECT_TRUE(Reported("UpdateRecord of object class=2"));
    // Neither the new row nor half of the rewrite: the old name and extension data stay.
    EXPECT_EQ(1, QueryInt("SELECT count(*) FROM NameObject"));
    EXPECT_EQ(0, QueryInt("SELECT count(*) FROM NameObject WHERE strName = 'renamed'"));
    EXPECT_EQ(1, QueryInt("SELECT V_int FROM ObjectExtData WHERE strFieldName = 'photo'"));
    EXPECT_EQ(CString(u"ok"), QueryText("PRAGMA integrity_check"));
}

TEST_F(Faults, TextWithZeroCharactersComesBackWhole) {
    if (TestInstallation::OnPostgres()) GTEST_SKIP() << "PostgreSQL text drops zero characters";
    const CString name(std::u16string(u"na\0me", 5));
    const CString value(std::u16string(u"it's\0\0 all", 11));
    object->ExtData_Set(name, value);
    object->SetShortName(value);
    object->SetDescription(value);
    object->SetObjectInitState(0x3F);
    ASSERT_EQ(S_SUCCESS, object->UpdateRecord());
    object->RemoveField(name);
    ASSERT_EQ(1, CNameObjectExtData::InitObjectExtData(2, object->GetID(), object->GetServerNO()));
    CString back;
    EXPECT_EQ(1, object->ExtData_Get(name, back));
    EXPECT_EQ(value, back);
    ASSERT_EQ(NS_LOG::ADD_LOG_SUCCESS, NS_LOG::AddLog(1, value, 0, 0, 2, 1, 1));
    for (const std::string& column :
         {"strName FROM NameObject WHERE " + Key(), "strDescription FROM NameObject WHERE " + Key(),
          std::string("strText FROM OperationLog")})
        EXPECT_EQ(value, QueryText("SELECT " + column)) << column;
}

}  // namespace

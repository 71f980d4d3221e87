// A SQLite connection for the database layer (Database.cpp): one file (WAL mode) or memory,
// its statements prepared through the per-connection statement cache (StatementCache.h).
#pragma once

#include <string>

#include "platform/DatabaseEngine.h"

struct sqlite3;

class SqliteConnection : public EngineConnection {
public:
    explicit SqliteConnection(sqlite3* db) : m_db(db) {}
    ~SqliteConnection() override;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    sqlite3* Handle() const { return m_db; }

    bool InTransaction() const override;
    // A statement failing inside a transaction that the engine then rolls back (a full disk,
    // an I/O error) sets status.transactionGone; a failing COMMIT ends its transaction itself.
    bool Execute(const std::string& utf8sql, EngineStatus& status) override;
    bool Notify(const std::string&, const std::string&, EngineStatus&) override { return false; }
    std::unique_ptr<EngineRowSet> NewRowSet() override;

private:
    sqlite3* m_db;
};

// The engine's error text for a statement: "<message> in \"<sql>\"".
std::string SqliteError(sqlite3* db, std::string_view sql);

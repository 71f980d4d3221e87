#include "platform/SqliteConnection.h"

#include <sqlite3.h>

#include <climits>
#include <string_view>

#include "platform/SqlDialect.h"
#include "platform/SqliteRowSet.h"
#include "platform/StatementCache.h"

namespace {
constexpr std::string_view kMemoryPath = ":memory:";
}  // namespace

std::string SqliteError(sqlite3* db, std::string_view sql) {
    std::string text = db ? sqlite3_errmsg(db) : "no connection";
    text += " in \"";
    text += sql;
    text += '"';
    return text;
}

std::unique_ptr<EngineConnection> OpenSqliteEngine(const std::string& path, int lockTimeoutMs,
                                                   const char* schemaSql, std::string& error) {
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        error = "cannot open \"" + path + "\": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, lockTimeoutMs);
    // WAL lets readers in other processes go on while this one writes; with WAL, NORMAL
    // synchronisation keeps the file consistent and spares a sync per statement.
    // The start-up load reads the whole NameObject table: pages are mapped rather than copied,
    // and a larger page cache keeps the tables the later steps read again.
    const char* wal =
        "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA mmap_size=268435456; "
        "PRAGMA cache_size=-16384;";
    for (const char* sql : {path == kMemoryPath ? "" : wal, schemaSql}) {
        char* message = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            error = "cannot set up \"" + path + "\": " + (message ? message : sqlite3_errmsg(db));
            sqlite3_free(message);
            sqlite3_close_v2(db);
            return nullptr;
        }
    }
    return std::make_unique<SqliteConnection>(db);
}

SqliteConnection::~SqliteConnection() {
    // Row sets still open keep their statements; the engine closes the connection when the
    // last of them is finalised.
    statementcache::Forget(m_db);
    sqlite3_close_v2(m_db);
}

bool SqliteConnection::InTransaction() const { return !sqlite3_get_autocommit(m_db); }

bool SqliteConnection::Execute(const std::string& utf8sql, EngineStatus& status) {
    if (utf8sql.size() > static_cast<std::size_t>(INT_MAX)) {
        status.error = "statement too long";
        return false;
    }
    // Runs every statement of the text in order, as sqlite3_exec does.
    const char* p = utf8sql.c_str();
    const char* const end = p + utf8sql.size();
    bool ranOne = false;
    while (p < end) {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = end;
        if (statementcache::Prepare(m_db, p, static_cast<int>(end - p), &stmt, &tail) !=
            SQLITE_OK) {
            status.error = SqliteError(m_db, utf8sql);
            return false;
        }
        if (!stmt) break;  // only white space or comments remain
        const bool inTransaction = InTransaction();
        int rc;
        do {
            rc = sqlite3_step(stmt);
        } while (rc == SQLITE_ROW);
        if (rc != SQLITE_DONE) {
            // A failed COMMIT ends the transaction itself, and its owner sees the failure.
            status.transactionGone =
                inTransaction && !InTransaction() && !IsTransactionEnd(sqlite3_sql(stmt));
            status.error = SqliteError(m_db, utf8sql);
            statementcache::Release(stmt, false);
            return false;
        }
        statementcache::Release(stmt);
        status.affected = sqlite3_changes(m_db);
        ranOne = true;
        p = tail;
    }
    if (!ranOne) status.error = "empty statement";
    return ranOne;
}

std::unique_ptr<EngineRowSet> SqliteConnection::NewRowSet() {
    return std::make_unique<SqliteRowSet>(m_db);
}

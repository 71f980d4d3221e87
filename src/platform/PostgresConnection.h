// A PostgreSQL connection through libpq, for the database layer (Database.cpp): it runs
// statements already in PostgreSQL spelling (see SqlDialect.h) and reads their text results;
// as an EngineConnection it takes the library's own spelling and translates it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/DatabaseEngine.h"

struct pg_conn;
struct pg_result;

// "postgresql://..." and "postgres://..." URIs, and "postgresql:KEYWORD=VALUE ..." strings.
bool IsPostgresConnection(std::string_view connection);

// A query's result, freed with the object.
class PgResult {
public:
    PgResult() = default;
    explicit PgResult(pg_result* result) : m_result(result) {}
    ~PgResult();
    PgResult(PgResult&& other) noexcept : m_result(other.m_result) { other.m_result = nullptr; }
    PgResult& operator=(PgResult&& other) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    explicit operator bool() const { return m_result != nullptr; }
    pg_result* Get() const { return m_result; }
    int Rows() const;
    int Columns() const;
    std::string ColumnName(int column) const;
    bool IsNull(int row, int column) const;
    // The value as the server wrote it (text format); empty for NULL.
    std::string_view Text(int row, int column) const;
    // A bytea column (its values are written in hex and read back as bytes by Bytes).
    bool IsBinary(int column) const;
    // The bytes of a bytea value, or the text of any other; false when out of memory or when
    // the server's hex is malformed.
    bool Bytes(int row, int column, std::string& out) const;
    // The affected-row count of an INSERT / UPDATE / DELETE, 0 for anything else.
    int Affected() const;

private:
    pg_result* m_result = nullptr;
};

// One value of a parameterised statement: text, bytes (sent in binary) or NULL.
struct PgParam {
    enum Kind { kNull, kText, kBinary } kind = kNull;
    std::string value;
};

// The reader of a query whose rows arrive one by one (PgConnection::Query). When another
// statement needs the connection first, the reader is handed the rows still to come, in one
// result, and the error that ended them if one did.
class PgRowReader {
public:
    virtual void TakeRemainingRows(PgResult rest, std::string error) = 0;

protected:
    ~PgRowReader() = default;
};

class PgConnection : public EngineConnection {
public:
    PgConnection() = default;
    ~PgConnection() override;
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Connects ("postgresql:" keyword strings without their prefix, URIs as they are), waits
    // lockTimeoutMs for a lock unless the connection string sets lock_timeout itself, and
    // silences the server's notices. Empty on success, else the reason.
    std::string Open(const std::string& connection, int lockTimeoutMs);

    // Runs a statement (several, separated by ';', without parameters); calls of several
    // threads take turns. Inside a transaction a failing statement is undone alone (a savepoint
    // around it), so the transaction goes on as it does on SQLite. A connection the server
    // dropped is opened again for the next statement; when it dropped inside a transaction,
    // TakeTransactionGone says so once. A null result on failure, with the server's text in
    // error.
    PgResult Run(const std::string& sql, std::string& error);
    PgResult Run(const std::string& sql, const PgParam* params, int count, std::string& error);
    // True once after a Run during which the connection dropped inside a transaction.
    bool TakeTransactionGone();

    // Runs a query for reader. Outside a transaction a single statement's rows are read as
    // they arrive: the result holds the first row, NextRow gives the others (streaming is set
    // then); should another statement need the connection before the last row, the reader is
    // handed the rest. Otherwise the result holds every row. Null on failure, with the reason
    // in error.
    PgResult Query(const std::string& sql, PgRowReader* reader, bool& streaming,
                   std::string& error);
    // The next row of reader's query as a one-row result. Null past the last row, or when the
    // rest was handed to the reader (ended set either way), or on failure (error set).
    PgResult NextRow(PgRowReader* reader, bool& ended, std::string& error);
    // Ends reader's query, dropping the rows not read.
    void EndStream(PgRowReader* reader);

    bool InTransaction() const override;
    bool Execute(const std::string& utf8sql, EngineStatus& status) override;
    // select pg_notify(channel, payload).
    bool Notify(const std::string& channel, const std::string& payload,
                EngineStatus& status) override;
    std::unique_ptr<EngineRowSet> NewRowSet() override;

private:
    PgResult RunLocked(const std::string& sql, const PgParam* params, int count,
                       std::string& error);
    PgResult RunGuarded(const std::string& sql, const PgParam* params, int count,
                        std::string& error);
    std::string SetUpSession();  // the lock timeout; empty on success, else the reason
    bool Reconnect();            // true when the connection is (again) usable
    PgResult RunUnlocked(const std::string& sql, const PgParam* params, int count,
                         std::string& error);
    // Hands the rows of a query still being read to its reader, so the connection is free.
    void HandOverLocked();
    void DiscardResultsLocked();

    pg_conn* m_conn = nullptr;
    int m_lockTimeoutMs = 0;
    bool m_transactionGone = false;
    std::atomic<PgRowReader*> m_stream{nullptr};  // the reader of a query being read row by row
    std::string m_streamSql;
    std::mutex m_mutex;
};

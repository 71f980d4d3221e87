// What the database layer (Database.cpp) needs of an engine: a connection that runs statements
// and opens row sets. SQLite (SqliteConnection.h, SqliteRowSet.h) and PostgreSQL
// (PostgresConnection.h, PostgresRowSet.h) implement it; CADODatabase and CADORecordset hold
// the engine-neutral rules (the lost-transaction guard, column lookup, value conversions, the
// staging of an AddNew / Edit).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The outcome of one statement.
struct EngineStatus {
    std::string error;             // the engine's text (with the statement) on failure
    int affected = 0;              // rows an INSERT / UPDATE / DELETE changed
    bool transactionGone = false;  // the engine dropped the open transaction at this statement
};

// A value staged by SetFieldValue / AppendChunk until Update.
struct StagedValue {
    enum Type { kNull, kInteger, kReal, kText, kBlob } type = kNull;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string bytes;  // text (UTF-8) or BLOB bytes

    static StagedValue Integer(std::int64_t v) { return {kInteger, v, 0.0, {}}; }
    static StagedValue Real(double v) { return {kReal, 0, v, {}}; }
    static StagedValue Text(std::string v) { return {kText, 0, 0.0, std::move(v)}; }
    static StagedValue Blob(std::string v) { return {kBlob, 0, 0.0, std::move(v)}; }
};
// Column index (as the row set numbers them), value; in setting order.
using StagedValues = std::vector<std::pair<int, StagedValue>>;

// One query's rows, walked forward.
class EngineRowSet {
public:
    virtual ~EngineRowSet() = default;
    // Runs a query in the library's spelling, positioned before the first row. A single-table
    // SELECT also selects the row's identity so that its records can be written (Table() is
    // then its table). False on failure, with the reason in error.
    virtual bool Open(const std::string& utf8sql, std::string& error) = 0;
    // Moves to the next row: 1 on a row, 0 past the last, -1 on failure (reason in error).
    virtual int Next(std::string& error) = 0;

    virtual int Columns() const = 0;
    // The column's name as the query or the schema file spells it.
    virtual const std::string& ColumnName(int column) const = 0;
    // The name of the table column a write of this column goes to.
    virtual std::string WriteColumn(int column) const = 0;
    // The table of a writable (single-table) query, else empty.
    virtual const std::string& Table() const = 0;

    // Values of the current row; the column index is valid (the caller checks).
    virtual bool IsNull(int column) const = 0;
    // True when the engine stores the value as a number (a date may be an OLE date number).
    virtual bool IsNumber(int column) const = 0;
    virtual std::int64_t Int64(int column) const = 0;  // NULL and junk read as 0
    virtual double Real(int column) const = 0;         // NULL and junk read as 0
    // The value's bytes (text as UTF-8, a BLOB as it is), valid until the row changes; false
    // when they cannot be had (out of memory, a malformed value).
    virtual bool Bytes(int column, std::string_view& out) const = 0;

    // Writes the values as a new record (adding), the current one, or the record the last
    // write added (added). True when exactly one row was written.
    virtual bool Write(bool adding, bool added, const StagedValues& values,
                       EngineStatus& status) = 0;
};

// One connection.
class EngineConnection {
public:
    virtual ~EngineConnection() = default;
    virtual bool InTransaction() const = 0;
    // Runs a statement text (several statements separated by ';' run in order). True on
    // success; status receives the affected rows or the failure.
    virtual bool Execute(const std::string& utf8sql, EngineStatus& status) = 0;
    // Sends a notification delivered when the current transaction commits; false on an engine
    // without notifications (status.error empty) or on failure.
    virtual bool Notify(const std::string& channel, const std::string& payload,
                        EngineStatus& status) = 0;
    virtual std::unique_ptr<EngineRowSet> NewRowSet() = 0;
};

// Opens a connection and creates the missing tables of schemaSql; null on failure, with the
// reason in error. lockTimeoutMs is how long a statement waits for a lock.
std::unique_ptr<EngineConnection> OpenSqliteEngine(const std::string& path, int lockTimeoutMs,
                                                   const char* schemaSql, std::string& error);
std::unique_ptr<EngineConnection> OpenPostgresEngine(const std::string& connection,
                                                     int lockTimeoutMs, const char* schemaSql,
                                                     std::string& error);

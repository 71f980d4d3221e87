// The rows of one PostgreSQL query as a recordset walks them (Database.cpp): the current
// row's values read as the layer's types, and the writing of a record of a single-table
// query, found again by its ctid.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/DatabaseEngine.h"
#include "platform/PostgresConnection.h"

// Outside a transaction the rows are read from the server as they arrive rather than held
// whole (PgConnection::Query).
class PgRowSet : public EngineRowSet, private PgRowReader {
public:
    explicit PgRowSet(PgConnection& connection) : m_connection(connection) {}
    ~PgRowSet() override;
    PgRowSet(const PgRowSet&) = delete;
    PgRowSet& operator=(const PgRowSet&) = delete;

    // A single-table SELECT also selects the row's ctid (should that form fail, a view say,
    // the query runs as written).
    bool Open(const std::string& utf8sql, std::string& error) override;
    int Next(std::string& error) override;

    int Columns() const override { return m_columns; }  // the query's own columns
    const std::string& ColumnName(int column) const override { return m_spelled[column]; }
    // PostgreSQL's own (lower-case) name.
    std::string WriteColumn(int column) const override { return m_result.ColumnName(column); }
    // The table as PostgreSQL names it.
    const std::string& Table() const override { return m_table; }

    bool IsNull(int column) const override { return m_result.IsNull(m_row, column); }
    bool IsNumber(int) const override { return false; }  // values come as text
    // An integer, real or boolean value as an int64 (a real is truncated).
    std::int64_t Int64(int column) const override;
    double Real(int column) const override;
    // A bytea value decoded, kept until the row changes.
    bool Bytes(int column, std::string_view& out) const override;

    // The record's new ctid is kept for the next write of it.
    bool Write(bool adding, bool added, const StagedValues& values, EngineStatus& status) override;

private:
    std::string_view Text(int column) const { return m_result.Text(m_row, column); }
    void TakeRemainingRows(PgResult rest, std::string error) override;
    // The next block of rows into m_result; false on failure.
    bool Fetch(std::string& error);

    PgConnection& m_connection;
    PgResult m_result;  // the rows read whole, or the current row of a streamed query
    bool m_streaming = false;
    // Set when the connection handed over the rest of a streamed query (from any thread).
    std::atomic<bool> m_handedOver{false};
    PgResult m_rest;
    std::string m_restError;
    std::string m_pendingError;  // reported once the rows before it are read
    int m_row = -1;
    int m_columns = 0;
    std::vector<std::string> m_spelled;  // column names as the query or schema spells them
    std::string m_table;                 // of a single-table query
    std::string m_currentCtid;           // of the current row
    std::string m_addedCtid;             // of the record the last write added
    mutable std::vector<std::optional<std::string>> m_bytes;
};

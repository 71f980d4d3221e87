// The rows of one PostgreSQL query as a recordset walks them (Database.cpp): the current
// row's values read as the layer's types, and the writing of a record of a single-table
// query, found again by its ctid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/PostgresConnection.h"

class PgRowSet {
public:
    // Runs a query written in the library's spelling. A single-table SELECT also selects the
    // row's ctid so that its records can be written (should that form fail, a view say, the
    // query runs as written). Before the first row; false on failure, with the reason in error.
    bool Open(PgConnection& connection, const std::string& utf8sql, std::string& error);
    void Close();
    // Moves to the next row; false past the last one.
    bool Next();

    int Columns() const { return m_columns; }  // the query's own columns
    // The table of a single-table query as PostgreSQL names it; empty for any other query.
    const std::string& Table() const { return m_table; }
    std::string ColumnName(int column) const { return m_result.ColumnName(column); }
    // The column's name as the query or the schema file spells it.
    std::string SpelledName(int column) const;

    bool IsNull(int column) const { return m_result.IsNull(m_row, column); }
    // An integer, real or boolean value as an int64 (a real is truncated; NULL and junk read
    // as 0).
    std::int64_t Int64(int column) const;
    double Real(int column) const;  // NULL and junk read as 0
    std::string_view Text(int column) const { return m_result.Text(m_row, column); }
    // The bytes of a value (a bytea decoded), kept until the row changes; null when they
    // cannot be had.
    const std::string* Bytes(int column);

    // Writes a new record (adding) or the current one, or the record the last write added
    // when `added`: each value goes to the column it names. True when exactly one row was
    // written; the record's new ctid is kept for the next write of it.
    bool Write(PgConnection& connection, bool adding, bool added,
               const std::vector<std::pair<std::string, PgParam>>& values, std::string& error);

private:
    PgResult m_result;
    int m_row = -1;
    int m_columns = 0;
    std::string m_query;        // as the caller wrote it
    std::string m_table;        // of a single-table query
    std::string m_currentCtid;  // of the current row
    std::string m_addedCtid;    // of the record the last write added
    std::vector<std::optional<std::string>> m_bytes;
};

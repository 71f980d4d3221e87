// The rows of one SQLite query as a recordset walks them (Database.cpp), stepped one by one
// from the engine, and the writing of a record of a single-table query, found again by its
// rowid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DatabaseEngine.h"

struct sqlite3;
struct sqlite3_stmt;

class SqliteRowSet : public EngineRowSet {
public:
    explicit SqliteRowSet(sqlite3* db) : m_db(db) {}
    ~SqliteRowSet() override;
    SqliteRowSet(const SqliteRowSet&) = delete;
    SqliteRowSet& operator=(const SqliteRowSet&) = delete;

    bool Open(const std::string& utf8sql, std::string& error) override;
    int Next(std::string& error) override;

    int Columns() const override { return static_cast<int>(m_names.size()); }
    const std::string& ColumnName(int column) const override { return m_names[column]; }
    std::string WriteColumn(int column) const override { return m_tableColumns[column]; }
    const std::string& Table() const override { return m_table; }

    bool IsNull(int column) const override;
    bool IsNumber(int column) const override;
    std::int64_t Int64(int column) const override;
    double Real(int column) const override;
    bool Bytes(int column, std::string_view& out) const override;

    // Ends the query's read while it writes (outside a transaction, so that the write can
    // wait for the lock like any statement) and steps back to the row it was on.
    bool Write(bool adding, bool added, const StagedValues& values, EngineStatus& status) override;

private:
    void ReturnToRow();

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    std::vector<std::string> m_names;         // as the result names them
    std::vector<std::string> m_tableColumns;  // the table's own column names, for writing
    std::string m_table;                      // of a single-table query
    int m_rowidColumn = -1;                   // the added rowid column of a single-table query
    std::int64_t m_currentRowid = 0;
    std::int64_t m_addedRowid = 0;  // of the record the last write added
    std::int64_t m_rowsRead = 0;    // rows stepped to since the query started
};

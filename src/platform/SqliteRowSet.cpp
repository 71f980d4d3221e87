#include "platform/SqliteRowSet.h"

#include <sqlite3.h>

#include <array>
#include <climits>
#include <cstdint>
#include <optional>

#include "platform/SqlDialect.h"
#include "platform/SqliteConnection.h"
#include "platform/StatementCache.h"
#include "platform/WriteText.h"

namespace {

int Bind(const StagedValue& v, sqlite3_stmt* stmt, int position) {
    switch (v.type) {
        case StagedValue::kInteger:
            return sqlite3_bind_int64(stmt, position, v.integer);
        case StagedValue::kReal:
            return sqlite3_bind_double(stmt, position, v.real);
        case StagedValue::kText:
            return sqlite3_bind_text64(stmt, position, v.bytes.data(), v.bytes.size(),
                                       SQLITE_STATIC, SQLITE_UTF8);
        case StagedValue::kBlob:  // data() is never null, so an empty value stays a BLOB
            return sqlite3_bind_blob64(stmt, position, v.bytes.data(), v.bytes.size(),
                                       SQLITE_STATIC);
        case StagedValue::kNull:
            break;
    }
    return sqlite3_bind_null(stmt, position);
}

// How a query is opened: the same texts come again and again (the "where 1=0" query of every
// new record), and finding the single table of a text parses it whole.
struct QueryForm {
    std::string query;      // as the caller wrote it
    std::string table;      // of a single-table query, else empty
    std::string withRowid;  // the query that also selects the rowid, when there is a table
    std::uint64_t used = 0;
};

// The form of query, parsed now or remembered from the last time (per thread, the most
// recently used kRememberedForms). May throw bad_alloc.
const QueryForm& FormOf(const std::string& query) {
    constexpr std::size_t kRememberedForms = 8;
    thread_local std::array<QueryForm, kRememberedForms> forms;
    thread_local std::uint64_t clock = 0;
    QueryForm* oldest = &forms[0];
    for (QueryForm& form : forms) {
        if (form.used != 0 && form.query == query) {
            form.used = ++clock;
            return form;
        }
        if (form.used < oldest->used) oldest = &form;
    }
    QueryForm& form = *oldest;
    form.used = 0;  // a form half-filled by a failed allocation is never found
    form.query = query;
    form.table.clear();
    form.withRowid.clear();
    if (const std::optional<SingleTableSelect> single = FindSingleTableSelect(query)) {
        form.table = single->table;
        form.withRowid.assign(query, 0, single->fromOffset);
        form.withRowid += ", rowid ";
        form.withRowid.append(query, single->fromOffset);
    }
    form.used = ++clock;
    return form;
}

}  // namespace

SqliteRowSet::~SqliteRowSet() {
    if (m_stmt) statementcache::Release(m_stmt);
}

bool SqliteRowSet::Open(const std::string& utf8sql, std::string& error) {
    if (utf8sql.size() > static_cast<std::size_t>(INT_MAX / 2)) {
        error = "query too long";
        return false;
    }
    // A single-table query also selects the rowid, so that Edit can rewrite exactly the
    // current row. Should that form not compile (a view, say), the query runs as written.
    const QueryForm& form = FormOf(utf8sql);
    bool single = !form.table.empty();
    sqlite3_stmt* stmt = nullptr;
    if (single) {
        if (statementcache::Prepare(m_db, form.withRowid.c_str(),
                                    static_cast<int>(form.withRowid.size()), &stmt,
                                    nullptr) != SQLITE_OK ||
            !stmt) {
            statementcache::Release(stmt, false);
            stmt = nullptr;
            single = false;
        }
    }
    if (!stmt) {
        const int rc = statementcache::Prepare(m_db, utf8sql.c_str(),
                                               static_cast<int>(utf8sql.size()), &stmt, nullptr);
        if (rc != SQLITE_OK || !stmt) {
            error = rc != SQLITE_OK ? SqliteError(m_db, utf8sql) : "empty query";
            sqlite3_finalize(stmt);
            return false;
        }
    }
    m_stmt = stmt;
    const int columns = sqlite3_column_count(stmt);
    const int visible = single ? columns - 1 : columns;
    if (single) {
        m_table = form.table;
        m_rowidColumn = columns - 1;
    }
    m_names.reserve(static_cast<std::size_t>(visible));
    for (int i = 0; i < visible; ++i) {
        const char* name = sqlite3_column_name(stmt, i);
        const char* origin = sqlite3_column_origin_name(stmt, i);
        m_names.emplace_back(name ? name : "");
        m_tableColumns.emplace_back(origin ? origin : (name ? name : ""));
    }
    return true;
}

int SqliteRowSet::Next(std::string& error) {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        ++m_rowsRead;
        if (m_rowidColumn >= 0) m_currentRowid = sqlite3_column_int64(m_stmt, m_rowidColumn);
        return 1;
    }
    if (rc == SQLITE_DONE) return 0;
    error = SqliteError(sqlite3_db_handle(m_stmt), sqlite3_sql(m_stmt));
    return -1;
}

bool SqliteRowSet::IsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

bool SqliteRowSet::IsNumber(int column) const {
    const int type = sqlite3_column_type(m_stmt, column);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

std::int64_t SqliteRowSet::Int64(int column) const { return sqlite3_column_int64(m_stmt, column); }

double SqliteRowSet::Real(int column) const { return sqlite3_column_double(m_stmt, column); }

bool SqliteRowSet::Bytes(int column, std::string_view& out) const {
    // A BLOB keeps its bytes; any other value is read as its UTF-8 text.
    const int type = sqlite3_column_type(m_stmt, column);
    const void* data = type == SQLITE_BLOB ? sqlite3_column_blob(m_stmt, column)
                                           : sqlite3_column_text(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    out = {};
    // No pointer: NULL, an empty BLOB, or out of memory converting a value to text.
    if (!data) return type == SQLITE_BLOB || type == SQLITE_NULL;
    out = std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size));
    return true;
}

void SqliteRowSet::ReturnToRow() {
    const std::int64_t target = m_rowsRead;
    m_rowsRead = 0;
    std::string ignored;
    while (m_rowsRead < target && Next(ignored) == 1) {
    }
}

bool SqliteRowSet::Write(bool adding, bool added, const StagedValues& values,
                         EngineStatus& status) {
    const auto column = [this](int index) -> const std::string& { return m_tableColumns[index]; };
    const std::string& sql = writetext::Get<SqliteRowSet>(m_table, adding, values, column, [&] {
        const auto mark = [](std::size_t) { return "?"; };
        return writetext::Spell(m_table, adding, values, column, mark, "rowid = ?", "");
    });

    sqlite3_stmt* stmt = nullptr;
    if (statementcache::Prepare(m_db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        status.error = SqliteError(m_db, sql);
        statementcache::Release(stmt, false);
        return false;
    }
    // An unfinished query holds a read transaction, and the engine does not wait for a lock
    // that a reading connection asks for: the read ends first, as for any other statement.
    const bool inTransaction = !sqlite3_get_autocommit(m_db);
    const bool released = !inTransaction && sqlite3_stmt_busy(m_stmt);
    if (released) sqlite3_reset(m_stmt);
    int position = 1;
    int rc = SQLITE_OK;
    for (const auto& entry : values) {
        if (rc == SQLITE_OK) rc = Bind(entry.second, stmt, position++);
    }
    if (!adding && rc == SQLITE_OK) {
        rc = sqlite3_bind_int64(stmt, position, added ? m_addedRowid : m_currentRowid);
    }
    if (rc == SQLITE_OK) rc = sqlite3_step(stmt);
    status.transactionGone = rc != SQLITE_DONE && inTransaction && sqlite3_get_autocommit(m_db);
    const bool stored = rc == SQLITE_DONE && sqlite3_changes(m_db) == 1;
    if (!stored) {
        status.error =
            rc == SQLITE_DONE ? "the record to update no longer exists" : SqliteError(m_db, sql);
    }
    const std::int64_t addedRowid = sqlite3_last_insert_rowid(m_db);
    statementcache::Release(stmt, stored);
    if (released) ReturnToRow();
    if (stored && adding) m_addedRowid = addedRowid;
    return stored;
}

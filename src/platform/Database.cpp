#include "platform/Database.h"

#include <sqlite3.h>
#include <strings.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/DebugOutput.h"
#include "platform/LockedSink.h"
#include "platform/PostgresConnection.h"
#include "platform/PostgresRowSet.h"
#include "platform/SqlDialect.h"
#include "platform/StatementCache.h"

// The text of schema/installation.sql, compiled in by the build.
extern const char* const kInstallationSchemaSql;

namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr int kSchemaLockKey = 0x4e4f5343;  // the advisory lock creating the PostgreSQL tables
constexpr int kBlobChunkBytes = 10240;
constexpr std::size_t kRememberedLookups = 16;
constexpr int kBlobStagingCapacity = 128;
constexpr std::string_view kMemoryPath = ":memory:";

enum EditMode { kNotEditing = 0, kAdding = 1, kEditing = 2 };

// "sqlite:PATH" and "sqlite::memory:" name the file after the prefix; anything else is a path.
std::string DatabasePath(const std::string& connection) {
    constexpr std::string_view kPrefix = "sqlite:";
    if (connection.compare(0, kPrefix.size(), kPrefix) == 0) {
        return connection.substr(kPrefix.size());
    }
    return connection;
}

// Never destroyed: errors may still be reported while the process exits.
LockedSink<DatabaseErrorSink>& ErrorSink() {
    static auto* state = new LockedSink<DatabaseErrorSink>;
    return *state;
}

void Announce(const std::string& what) {
    OutputDebugStringW(CString::FromUtf8("Database error: " + what + "\n"));
    if (const DatabaseErrorSink sink = ErrorSink().Get()) {
        try {
            sink(what);
        } catch (...) {  // a host's sink must not unwind through the library
        }
    }
}

void ReportTo(CADODatabase* db, const std::string& what) {
    if (db) {
        db->ReportError(what);
    } else {
        Announce(what);
    }
}

// Held by write units for their whole length, so that units of two threads on the shared
// connection do not interleave.
std::recursive_mutex g_writeUnitMutex;

std::string EngineError(sqlite3* db, std::string_view sql) {
    std::string text = db ? sqlite3_errmsg(db) : "no connection";
    text += " in \"";
    text += sql;
    text += '"';
    return text;
}

// Reads a stored date: the text that SetFieldValue or a statement writes, or a number
// holding the OLE date itself.
int ParseStoredDate(std::string_view text, COleDateTime& value) {
    if (value.ParseDateTime(text)) return 1;
    const std::string copy(text);
    char* end = nullptr;
    const double dt = std::strtod(copy.c_str(), &end);
    if (!copy.empty() && end == copy.c_str() + copy.size()) {
        value = COleDateTime(dt);
        return 1;
    }
    value.SetStatus(COleDateTime::invalid);
    return 0;
}

}  // namespace

// ---- CADODatabase --------------------------------------------------------------------------

CADODatabase::CADODatabase() = default;

CADODatabase::~CADODatabase() { Close(); }

int CADODatabase::Open(const std::string& connection) {
    Close();
    if (IsPostgresConnection(connection)) return OpenPostgres(connection);
    const std::string path = DatabasePath(connection);
    if (path.empty()) {
        ReportError("empty connection string");
        return 0;
    }
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        ReportError("cannot open \"" + path +
                    "\": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
        sqlite3_close_v2(db);
        return 0;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // WAL lets readers in other processes go on while this one writes; with WAL, NORMAL
    // synchronisation keeps the file consistent and spares a sync per statement.
    // The start-up load reads the whole NameObject table: pages are mapped rather than copied,
    // and a larger page cache keeps the tables the later steps read again.
    const char* wal =
        "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA mmap_size=268435456; "
        "PRAGMA cache_size=-16384;";
    for (const char* sql : {path == kMemoryPath ? "" : wal, kInstallationSchemaSql}) {
        char* message = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            ReportError("cannot set up \"" + path +
                        "\": " + (message ? message : sqlite3_errmsg(db)));
            sqlite3_free(message);
            sqlite3_close_v2(db);
            return 0;
        }
    }
    m_db = db;
    m_connection = connection;
    return 1;
}

int CADODatabase::OpenPostgres(const std::string& connection) {
    auto pg = std::make_unique<PgConnection>();
    std::string error = pg->Open(connection, kBusyTimeoutMs);
    // Hosts connecting at once would race to create the same tables: the first one does it
    // while the others wait on the lock.
    if (error.empty()) {
        pg->Run("BEGIN; SELECT pg_advisory_xact_lock(" + std::to_string(kSchemaLockKey) + "); " +
                    TranslateForPostgres(kInstallationSchemaSql) + "; COMMIT",
                error);
    }
    if (!error.empty()) {
        ReportError("cannot open \"" + connection + "\": " + error);
        return 0;
    }
    m_pg = std::move(pg);
    m_connection = connection;
    return 1;
}

bool CADODatabase::InTransaction() const {
    if (m_pg) return m_pg->InTransaction();
    return m_db && !sqlite3_get_autocommit(m_db);
}

int CADODatabase::Notify(const std::string& channel, const std::string& payload) {
    if (!m_pg) return 0;
    const PgParam params[] = {{PgParam::kText, channel}, {PgParam::kText, payload}};
    std::string error;
    if (m_pg->Run("select pg_notify($1, $2)", params, 2, error)) return 1;
    ReportError(error + " in notify on \"" + channel + "\"");
    return 0;
}

void CADODatabase::Close() {
    m_pg.reset();
    if (m_db) {
        // Recordsets still open keep their statements; the engine closes the connection
        // when the last of them is finalised.
        statementcache::Forget(m_db);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_connection.clear();
}

namespace {

bool StartsWith(std::string_view sql, std::string_view word) {
    return sql.size() >= word.size() && strncasecmp(sql.data(), word.data(), word.size()) == 0;
}

}  // namespace

int CADODatabase::Execute(const CString& sql) { return Execute(sql.ToUtf8()); }

int CADODatabase::Execute(const std::string& utf8sql) {
    m_affected = 0;
    if (m_pg) {
        std::string error;
        const PgResult result = m_pg->Run(TranslateForPostgres(utf8sql), error);
        if (!result) {
            ReportError(error + " in \"" + utf8sql + "\"");
            return 0;
        }
        m_affected = result.Affected();
        return 1;
    }
    if (!m_db) {
        ReportError(EngineError(nullptr, utf8sql));
        return 0;
    }
    if (utf8sql.size() > static_cast<std::size_t>(INT_MAX)) {
        ReportError("statement too long");
        return 0;
    }
    if (WriteRefused(utf8sql)) return StartsWith(utf8sql, "ROLLBACK") ? 1 : 0;
    // Runs every statement of the text in order, as sqlite3_exec does.
    const char* p = utf8sql.c_str();
    const char* const end = p + utf8sql.size();
    bool ranOne = false;
    while (p < end) {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = end;
        if (statementcache::Prepare(m_db, p, static_cast<int>(end - p), &stmt, &tail) !=
            SQLITE_OK) {
            ReportError(EngineError(m_db, utf8sql));
            return 0;
        }
        if (!stmt) break;  // only white space or comments remain
        const bool inTransaction = !sqlite3_get_autocommit(m_db);
        int rc;
        do {
            rc = sqlite3_step(stmt);
        } while (rc == SQLITE_ROW);
        if (rc != SQLITE_DONE) {
            // A failed COMMIT ends the transaction itself, and its owner sees the failure.
            if (!IsTransactionEnd(sqlite3_sql(stmt))) NoteFailure(inTransaction);
            ReportError(EngineError(m_db, utf8sql));
            statementcache::Release(stmt, false);
            return 0;
        }
        statementcache::Release(stmt);
        m_affected = sqlite3_changes(m_db);
        ranOne = true;
        p = tail;
    }
    if (!ranOne) {
        ReportError("empty statement");
        return 0;
    }
    return 1;
}

int CADODatabase::BeginTransaction() { return Execute("BEGIN"); }
int CADODatabase::CommitTransaction() { return Execute("COMMIT"); }
int CADODatabase::RollbackTransaction() { return Execute("ROLLBACK"); }

void CADODatabase::ReportError(const std::string& what) {
    m_lastError = what;
    Announce(what);
}

bool CADODatabase::WriteRefused(const std::string& sql) {
    if (!m_transactionLost) return false;
    // The owner's ROLLBACK or COMMIT ends the lost transaction; ROLLBACK has nothing left to do.
    if (IsTransactionEnd(sql)) m_transactionLost = false;
    // The unit's own savepoint housekeeping is refused quietly; anything else is reported.
    if (!StartsWith(sql, "ROLLBACK") && !StartsWith(sql, "RELEASE")) {
        ReportError("the transaction was rolled back after an error; not run: " +
                    sql.substr(0, 60));
    }
    return true;
}

void CADODatabase::NoteFailure(bool wasInTransaction) {
    if (wasInTransaction && m_db && sqlite3_get_autocommit(m_db)) m_transactionLost = true;
}

void CADODatabase::ReportUnstoredWrite(const std::string& what) {
    Announce(what + " not stored: " + (m_lastError.empty() ? "no connection" : m_lastError));
}

void SetDatabaseErrorSink(DatabaseErrorSink sink) { ErrorSink().Set(std::move(sink)); }

// ---- CDatabaseWriteScope -------------------------------------------------------------------

CDatabaseWriteScope::CDatabaseWriteScope(CADODatabase* db)
    : m_lock(g_writeUnitMutex), m_db(db && db->IsOpen() ? db : nullptr) {
    if (!m_db) return;
    if (!m_db->InTransaction()) {
        if (m_db->Execute("BEGIN IMMEDIATE")) m_kind = kTransaction;
    } else if (m_db->Execute("SAVEPOINT nameobject_unit")) {
        m_kind = kSavepoint;
    }
}

CDatabaseWriteScope::~CDatabaseWriteScope() { Finish(); }

int CDatabaseWriteScope::Finish() {
    const auto kind = m_kind;
    m_kind = kNone;
    // Whatever follows the unit (filing the object in the store, say) runs outside the lock.
    struct Unlock {
        std::unique_lock<std::recursive_mutex>& lock;
        ~Unlock() {
            if (lock.owns_lock()) lock.unlock();
        }
    } unlock{m_lock};
    if (kind == kNone) return 1;
    if (m_db->Execute(kind == kTransaction ? "COMMIT" : "RELEASE nameobject_unit")) return 1;
    // Nothing must stay open behind the caller's back: what this unit wrote is undone. The
    // commit's error stays the last one (a statement that succeeds does not clear it).
    if (kind == kTransaction) {
        if (m_db->InTransaction()) m_db->Execute("ROLLBACK");
    } else {
        m_db->Execute("ROLLBACK TO nameobject_unit");
        m_db->Execute("RELEASE nameobject_unit");
    }
    return 0;
}

// ---- CADORecordset -------------------------------------------------------------------------

// The recordset's column names, and the values of an AddNew / Edit in progress.
struct CADORecordset::Pending {
    // A value staged by SetFieldValue / AppendChunk until Update.
    struct Value {
        enum Type { kNull, kInteger, kReal, kText, kBlob } type = kNull;
        std::int64_t integer = 0;
        double real = 0.0;
        std::string bytes;  // text (UTF-8) or BLOB bytes

        static Value Integer(std::int64_t v) { return {kInteger, v, 0.0, {}}; }
        static Value Real(double v) { return {kReal, 0, v, {}}; }
        static Value Text(std::string v) { return {kText, 0, 0.0, std::move(v)}; }
        static Value Blob(std::string v) { return {kBlob, 0, 0.0, std::move(v)}; }

        int Bind(sqlite3_stmt* stmt, int position) const {
            switch (type) {
                case kInteger:
                    return sqlite3_bind_int64(stmt, position, integer);
                case kReal:
                    return sqlite3_bind_double(stmt, position, real);
                case kText:
                    return sqlite3_bind_text64(stmt, position, bytes.data(), bytes.size(),
                                               SQLITE_STATIC, SQLITE_UTF8);
                case kBlob:  // data() is never null, so an empty value stays a BLOB
                    return sqlite3_bind_blob64(stmt, position, bytes.data(), bytes.size(),
                                               SQLITE_STATIC);
                case kNull:
                    break;
            }
            return sqlite3_bind_null(stmt, position);
        }
    };

    std::vector<std::string> names;                    // as the result names them
    std::vector<std::pair<std::string, int>> lookups;  // names asked for, and their index
    std::vector<std::string> tableColumns;             // the table's own column names, for writing
    std::vector<std::pair<int, Value>> values;         // column index, value; in setting order
    bool onAddedRow = false;  // the current record is the one the last AddNew stored
    std::int64_t addedRowid = 0;

    PgRowSet pg;  // the rows of a query on PostgreSQL

    // A text value ready for a PostgreSQL parameter.
    static PgParam PgValue(const Value& v) {
        char number[40];
        switch (v.type) {
            case Value::kInteger:
                return {PgParam::kText, std::to_string(v.integer)};
            case Value::kReal:
                std::snprintf(number, sizeof number, "%.17g", v.real);
                return {PgParam::kText, number};
            case Value::kText: {
                std::string text = v.bytes;
                std::erase(text, '\0');
                return {PgParam::kText, std::move(text)};
            }
            case Value::kBlob:
                return {PgParam::kBinary, v.bytes};
            case Value::kNull:
                break;
        }
        return {};
    }

    int Stage(int column, Value value, bool append = false) {
        if (column < 0) return 0;
        for (auto& [index, staged] : values) {
            if (index != column) continue;
            if (append && staged.type == Value::kBlob) {
                staged.bytes += value.bytes;
            } else {
                staged = std::move(value);
            }
            return 1;
        }
        values.emplace_back(column, std::move(value));
        return 1;
    }

    void Reset() {
        names.clear();
        lookups.clear();
        tableColumns.clear();
        values.clear();
        onAddedRow = false;
        addedRowid = 0;
        pg.Close();
    }
};

namespace {

bool ValidColumn(const CADORecordset& rs, int index) {
    return !rs.IsEOF() && index >= 0 && index < rs.GetFieldCount();
}

template <class T>
int ReadByName(const CADORecordset& rs, const std::string& name, T& value) {
    const int index = rs.GetFieldIndex(name);
    return index >= 0 ? rs.GetFieldValue(index, value) : 0;
}

}  // namespace

CADORecordset::CADORecordset(CADODatabase* db) : m_db(db), m_pending(new Pending) {}

CADORecordset::~CADORecordset() { Close(); }

int CADORecordset::Open(const CString& sql, int option) { return Open(sql.ToUtf8(), option); }

int CADORecordset::Open(const std::string& utf8sql, int /*option*/) {
    Close();
    if (m_db && m_db->Postgres()) return OpenPostgres(utf8sql);
    sqlite3* handle = m_db ? m_db->Handle() : nullptr;
    if (!handle) {
        ReportTo(m_db, EngineError(nullptr, utf8sql));
        return 0;
    }
    if (utf8sql.size() > static_cast<std::size_t>(INT_MAX / 2)) {
        ReportTo(m_db, "query too long");
        return 0;
    }
    // A single-table query also selects the rowid, so that Edit can rewrite exactly the
    // current row. Should that form not compile (a view, say), the query runs as written.
    std::optional<SingleTableSelect> single = FindSingleTableSelect(utf8sql);
    sqlite3_stmt* stmt = nullptr;
    if (single) {
        const std::string withRowid =
            utf8sql.substr(0, single->fromOffset) + ", rowid " + utf8sql.substr(single->fromOffset);
        if (statementcache::Prepare(handle, withRowid.c_str(), static_cast<int>(withRowid.size()),
                                    &stmt, nullptr) != SQLITE_OK ||
            !stmt) {
            statementcache::Release(stmt, false);
            stmt = nullptr;
            single.reset();
        }
    }
    if (!stmt) {
        const int rc = statementcache::Prepare(handle, utf8sql.c_str(),
                                               static_cast<int>(utf8sql.size()), &stmt, nullptr);
        if (rc != SQLITE_OK || !stmt) {
            ReportTo(m_db, rc != SQLITE_OK ? EngineError(handle, utf8sql) : "empty query");
            sqlite3_finalize(stmt);
            return 0;
        }
    }

    m_stmt = stmt;
    const int columns = sqlite3_column_count(stmt);
    m_visibleColumns = single ? columns - 1 : columns;
    if (single) {
        m_table = single->table;
        m_rowidColumn = columns - 1;
    }
    m_pending->names.reserve(static_cast<std::size_t>(m_visibleColumns));
    for (int i = 0; i < m_visibleColumns; ++i) {
        const char* name = sqlite3_column_name(stmt, i);
        const char* origin = sqlite3_column_origin_name(stmt, i);
        m_pending->names.emplace_back(name ? name : "");
        m_pending->tableColumns.emplace_back(origin ? origin : (name ? name : ""));
    }
    if (!Step()) {
        Close();
        return 0;
    }
    return 1;
}

int CADORecordset::OpenPostgres(const std::string& utf8sql) {
    Pending& p = *m_pending;
    std::string error;
    if (!p.pg.Open(*m_db->Postgres(), utf8sql, error)) {
        ReportTo(m_db, error + " in \"" + utf8sql + "\"");
        return 0;
    }
    m_pgOpen = true;
    m_visibleColumns = p.pg.Columns();
    m_table = p.pg.Table();
    for (int i = 0; i < m_visibleColumns; ++i) {
        p.names.push_back(p.pg.ColumnName(i));
        p.tableColumns.push_back(p.names.back());
    }
    return Step();
}

void CADORecordset::Close() {
    m_pgOpen = false;
    if (m_stmt) {
        statementcache::Release(m_stmt);
        m_stmt = nullptr;
    }
    m_eof = true;
    m_table.clear();
    m_rowidColumn = -1;
    m_visibleColumns = 0;
    m_currentRowid = 0;
    m_rowsRead = 0;
    m_editMode = kNotEditing;
    m_pending->Reset();
}

bool CADORecordset::ReleaseRead() {
    sqlite3* handle = m_db ? m_db->Handle() : nullptr;
    if (!m_stmt || !handle || !sqlite3_get_autocommit(handle) || !sqlite3_stmt_busy(m_stmt)) {
        return false;
    }
    sqlite3_reset(m_stmt);
    return true;
}

void CADORecordset::ReturnToRow() {
    const std::int64_t target = m_rowsRead;
    m_rowsRead = 0;
    m_eof = true;
    while (m_rowsRead < target && Step() && !m_eof) {
    }
}

int CADORecordset::Step() {
    if (m_pgOpen) {
        m_eof = !m_pending->pg.Next();
        if (!m_eof) ++m_rowsRead;
        return 1;
    }
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        m_eof = false;
        ++m_rowsRead;
        if (m_rowidColumn >= 0) m_currentRowid = sqlite3_column_int64(m_stmt, m_rowidColumn);
        return 1;
    }
    m_eof = true;
    if (rc == SQLITE_DONE) return 1;
    ReportTo(m_db, EngineError(sqlite3_db_handle(m_stmt), sqlite3_sql(m_stmt)));
    return 0;
}

int CADORecordset::MoveNext() {
    if (!IsOpen() || m_eof) return 0;
    CancelUpdate();
    m_pending->onAddedRow = false;
    return Step();
}

int CADORecordset::GetFieldCount() const { return m_visibleColumns; }

CString CADORecordset::GetFieldName(int index) const {
    if (index < 0 || index >= m_visibleColumns) return CString();
    if (m_pgOpen) {
        return CString::FromUtf8(m_pending->pg.SpelledName(index));
    }
    return CString::FromUtf8(m_pending->names[static_cast<std::size_t>(index)]);
}

int CADORecordset::GetFieldIndex(const std::string& name) const { return ColumnIndex(name); }

int CADORecordset::ColumnIndex(const std::string& name) const {
    // Rows are read by the same names over and over: the last lookups are remembered.
    auto& cache = m_pending->lookups;
    for (const auto& [known, index] : cache) {
        if (known == name) return index;
    }
    const auto& names = m_pending->names;
    int found = -1;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (EqualsNoCase(names[i], name)) {
            found = static_cast<int>(i);
            break;
        }
    }
    if (cache.size() < kRememberedLookups) cache.emplace_back(name, found);
    return found;
}

// ---- reading -------------------------------------------------------------------------------

int CADORecordset::GetFieldValue(const std::string& name, int& value) const {
    return ReadByName(*this, name, value);
}
int CADORecordset::GetFieldValue(const std::string& name, unsigned int& value) const {
    return ReadByName(*this, name, value);
}
int CADORecordset::GetFieldValue(const std::string& name, std::int64_t& value) const {
    return ReadByName(*this, name, value);
}
int CADORecordset::GetFieldValue(const std::string& name, std::uint64_t& value) const {
    return ReadByName(*this, name, value);
}
int CADORecordset::GetFieldValue(const std::string& name, double& value) const {
    return ReadByName(*this, name, value);
}
int CADORecordset::GetFieldValue(const std::string& name, COleDateTime& value) const {
    return ReadByName(*this, name, value);
}
int CADORecordset::GetFieldValue(const std::string& name, CString& value,
                                 const CString& defaultValue) const {
    const int index = GetFieldIndex(name);
    return index >= 0 ? GetFieldValue(index, value, defaultValue) : 0;
}

int CADORecordset::GetFieldValue(int index, std::int64_t& value) const {
    if (!ValidColumn(*this, index)) return 0;
    if (m_pgOpen) {
        value = m_pending->pg.Int64(index);
        return 1;
    }
    value = sqlite3_column_int64(m_stmt, index);  // NULL reads as 0
    return 1;
}

// 32-bit reads keep the low half of the stored value, so that an unsigned value stored as
// its int32 and the same value formatted with %d read back alike.
int CADORecordset::GetFieldValue(int index, int& value) const {
    std::int64_t v = 0;
    if (!GetFieldValue(index, v)) return 0;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return 1;
}

int CADORecordset::GetFieldValue(int index, unsigned int& value) const {
    std::int64_t v = 0;
    if (!GetFieldValue(index, v)) return 0;
    value = static_cast<std::uint32_t>(v);
    return 1;
}

int CADORecordset::GetFieldValue(int index, std::uint64_t& value) const {
    std::int64_t v = 0;
    if (!GetFieldValue(index, v)) return 0;
    value = static_cast<std::uint64_t>(v);
    return 1;
}

int CADORecordset::GetFieldValue(int index, double& value) const {
    if (!ValidColumn(*this, index)) return 0;
    if (m_pgOpen) {
        value = m_pending->pg.Real(index);
        return 1;
    }
    value = sqlite3_column_double(m_stmt, index);
    return 1;
}

int CADORecordset::GetFieldValue(int index, CString& value, const CString& defaultValue) const {
    if (!ValidColumn(*this, index)) return 0;
    if (IsFieldNull(index)) {
        value = defaultValue;
        return 1;
    }
    if (m_pgOpen) {
        const std::string* bytes = m_pending->pg.Bytes(index);
        if (!bytes) return 0;
        value = CString::FromUtf8(*bytes);
        return 1;
    }
    const unsigned char* text = sqlite3_column_text(m_stmt, index);
    const int size = sqlite3_column_bytes(m_stmt, index);
    if (!text) return 0;  // out of memory converting the value
    value = CString::FromUtf8(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)));
    return 1;
}

int CADORecordset::GetFieldValue(int index, COleDateTime& value) const {
    if (!ValidColumn(*this, index)) return 0;
    if (m_pgOpen) {
        if (IsFieldNull(index)) {
            value = COleDateTime();
            value.SetStatus(COleDateTime::null);
            return 1;
        }
        return ParseStoredDate(m_pending->pg.Text(index), value);
    }
    switch (sqlite3_column_type(m_stmt, index)) {
        case SQLITE_NULL:
            value = COleDateTime();
            value.SetStatus(COleDateTime::null);
            return 1;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            value = COleDateTime(sqlite3_column_double(m_stmt, index));
            return 1;
        default: {
            const unsigned char* text = sqlite3_column_text(m_stmt, index);
            const int size = sqlite3_column_bytes(m_stmt, index);
            if (!text) return 0;
            return ParseStoredDate(std::string_view(reinterpret_cast<const char*>(text),
                                                    static_cast<std::size_t>(size)),
                                   value);
        }
    }
}

bool CADORecordset::IsFieldNull(int index) const {
    if (m_pgOpen) return !ValidColumn(*this, index) || m_pending->pg.IsNull(index);
    return !ValidColumn(*this, index) || sqlite3_column_type(m_stmt, index) == SQLITE_NULL;
}

int CADORecordset::GetFieldActualSize(int index) const {
    if (!ValidColumn(*this, index)) return -1;
    if (m_pgOpen) {
        const std::string* bytes = m_pending->pg.Bytes(index);
        return bytes ? static_cast<int>(std::min<std::size_t>(bytes->size(), INT_MAX)) : -1;
    }
    return sqlite3_column_bytes(m_stmt, index);
}

const void* CADORecordset::GetFieldBlob(int index, int& size) const {
    size = 0;
    if (!ValidColumn(*this, index)) return nullptr;
    const void* data = nullptr;
    if (m_pgOpen) {
        const std::string* bytes = IsFieldNull(index) ? nullptr : m_pending->pg.Bytes(index);
        if (bytes && bytes->size() <= static_cast<std::size_t>(INT_MAX)) {
            data = bytes->data();
            size = static_cast<int>(bytes->size());
        }
        return size > 0 ? data : nullptr;
    }
    data = sqlite3_column_blob(m_stmt, index);
    if (data != nullptr) size = sqlite3_column_bytes(m_stmt, index);
    return size > 0 ? data : nullptr;
}

int CADORecordset::GetChunk(int index, int offset, int maxBytes, CBufferWriter_base& out) const {
    if (!ValidColumn(*this, index) || offset < 0 || maxBytes <= 0) return 0;
    int size = 0;
    const void* data = m_pgOpen ? GetFieldBlob(index, size) : sqlite3_column_blob(m_stmt, index);
    if (!m_pgOpen) size = sqlite3_column_bytes(m_stmt, index);
    if (!data || offset >= size) return 0;
    const int n = std::min(maxBytes, size - offset);
    try {
        return out.WriteByte(static_cast<const std::uint8_t*>(data) + offset, n) ? n : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// ---- writing -------------------------------------------------------------------------------

int CADORecordset::AddNew() {
    if (!IsOpen() || !IsUpdatable()) return 0;
    m_pending->values.clear();
    m_editMode = kAdding;
    return 1;
}

int CADORecordset::Edit() {
    if (!IsOpen() || !IsUpdatable() || (m_eof && !m_pending->onAddedRow)) return 0;
    m_pending->values.clear();
    m_editMode = kEditing;
    return 1;
}

int CADORecordset::SetFieldValue(const std::string& name, int value) {
    return SetFieldValue(name, static_cast<std::int64_t>(value));
}

int CADORecordset::SetFieldValue(const std::string& name, unsigned int value) {
    return SetFieldValue(name, static_cast<std::int64_t>(static_cast<std::int32_t>(value)));
}

int CADORecordset::SetFieldValue(const std::string& name, std::uint64_t value) {
    return SetFieldValue(name, static_cast<std::int64_t>(value));
}

int CADORecordset::SetFieldValue(const std::string& name, std::int64_t value) {
    if (!m_editMode) return 0;
    return m_pending->Stage(ColumnIndex(name), Pending::Value::Integer(value));
}

int CADORecordset::SetFieldValue(const std::string& name, double value) {
    if (!m_editMode) return 0;
    return m_pending->Stage(ColumnIndex(name), Pending::Value::Real(value));
}

int CADORecordset::SetFieldValue(const std::string& name, const CString& value) {
    if (!m_editMode) return 0;
    return m_pending->Stage(ColumnIndex(name), Pending::Value::Text(value.ToUtf8()));
}

int CADORecordset::SetFieldValue(const std::string& name, const COleDateTime& value) {
    if (!m_editMode) return 0;
    // A null or invalid date is stored as NULL.
    return m_pending->Stage(ColumnIndex(name), value.IsValid()
                                                   ? Pending::Value::Text(value.FormatIsoMs())
                                                   : Pending::Value{});
}

int CADORecordset::AppendChunk(const std::string& name, const void* p, int n) {
    if (!m_editMode || n < 0 || (!p && n > 0)) return 0;
    try {
        std::string bytes;
        if (n > 0) bytes.assign(static_cast<const char*>(p), static_cast<std::size_t>(n));
        return m_pending->Stage(ColumnIndex(name), Pending::Value::Blob(std::move(bytes)),
                                /*append=*/true);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CADORecordset::UpdatePostgres() {
    Pending& p = *m_pending;
    const bool adding = m_editMode == kAdding;
    if (!adding && p.values.empty()) {
        m_editMode = kNotEditing;
        return 1;
    }
    std::vector<std::pair<std::string, PgParam>> values;
    for (const auto& [index, value] : p.values) {
        values.emplace_back(p.tableColumns[index], Pending::PgValue(value));
    }
    PgConnection* connection = m_db->Postgres();
    std::string error = "no connection";
    if (!connection || !p.pg.Write(*connection, adding, p.onAddedRow, values, error)) {
        ReportTo(m_db, error);
        return 0;
    }
    if (adding) p.onAddedRow = true;
    p.values.clear();
    m_editMode = kNotEditing;
    return 1;
}

int CADORecordset::Update() {
    if (m_pgOpen && m_editMode) return UpdatePostgres();
    sqlite3* handle = m_db ? m_db->Handle() : nullptr;
    if (!m_editMode || !handle) return 0;
    const auto& values = m_pending->values;
    const auto& columns = m_pending->tableColumns;
    const bool adding = m_editMode == kAdding;
    if (!adding && values.empty()) {
        m_editMode = kNotEditing;
        return 1;
    }

    std::string sql;
    if (adding && values.empty()) {
        sql = "INSERT INTO " + m_table + " DEFAULT VALUES";
    } else if (adding) {
        std::string names, marks;
        for (const auto& [index, value] : values) {
            names += (names.empty() ? "" : ", ") + QuoteSqlIdentifier(columns[index]);
            marks += marks.empty() ? "?" : ", ?";
        }
        sql = "INSERT INTO " + m_table + "(" + names + ") VALUES(" + marks + ")";
    } else {
        std::string assignments;
        for (const auto& [index, value] : values) {
            assignments +=
                (assignments.empty() ? "" : ", ") + QuoteSqlIdentifier(columns[index]) + " = ?";
        }
        sql = "UPDATE " + m_table + " SET " + assignments + " WHERE rowid = ?";
    }

    if (m_db->WriteRefused(sql)) return 0;
    sqlite3_stmt* stmt = nullptr;
    if (statementcache::Prepare(handle, sql.c_str(), static_cast<int>(sql.size()), &stmt,
                                nullptr) != SQLITE_OK) {
        ReportTo(m_db, EngineError(handle, sql));
        statementcache::Release(stmt, false);
        return 0;
    }
    // An unfinished query holds a read transaction, and the engine does not wait for a lock
    // that a reading connection asks for: the read ends first, as for any other statement.
    const bool released = ReleaseRead();
    int position = 1;
    int rc = SQLITE_OK;
    for (const auto& entry : values) {
        if (rc == SQLITE_OK) rc = entry.second.Bind(stmt, position++);
    }
    if (!adding && rc == SQLITE_OK) {
        const std::int64_t rowid = m_pending->onAddedRow ? m_pending->addedRowid : m_currentRowid;
        rc = sqlite3_bind_int64(stmt, position, rowid);
    }
    const bool inTransaction = !sqlite3_get_autocommit(handle);
    if (rc == SQLITE_OK) rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) m_db->NoteFailure(inTransaction);
    const bool stored = rc == SQLITE_DONE && sqlite3_changes(handle) == 1;
    if (!stored) {
        ReportTo(m_db, rc == SQLITE_DONE ? "the record to update no longer exists"
                                         : EngineError(handle, sql));
    }
    const std::int64_t addedRowid = sqlite3_last_insert_rowid(handle);
    statementcache::Release(stmt, stored);
    if (released) ReturnToRow();
    if (!stored) return 0;

    if (adding) {
        m_pending->onAddedRow = true;
        m_pending->addedRowid = addedRowid;
    }
    m_pending->values.clear();
    m_editMode = kNotEditing;
    return 1;
}

void CADORecordset::CancelUpdate() {
    m_pending->values.clear();
    m_editMode = kNotEditing;
}

// ---- BLOB reading --------------------------------------------------------------------------

int ReadBlobColumn(const CADORecordset& rs, int index, CBufferReader& out) {
    const int size = rs.GetFieldActualSize(index);
    if (size < 0) return 0;
    try {
        CBufferWriter staging(kBlobStagingCapacity);
        int read = 0;
        while (read < size) {
            const int n = rs.GetChunk(index, read, std::min(kBlobChunkBytes, size - read), staging);
            if (n <= 0) break;
            read += n;
        }
        if (read != size) return 0;
        CBufferReader reader(std::move(staging));
        out.swap(reader);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// ---- the shared connection -----------------------------------------------------------------

namespace {

std::mutex g_connectMutex;
// Created once and never destroyed, so that code running during process exit still finds
// a (disconnected or connected) object.
std::atomic<CADODatabase*> g_database{nullptr};

CADODatabase* SharedDatabaseLocked() {
    CADODatabase* db = g_database.load();
    if (!db) {
        db = new (std::nothrow) CADODatabase;
        g_database.store(db);
    }
    return db;
}

}  // namespace

void NewDatabaseDll() {
    std::lock_guard<std::mutex> lock(g_connectMutex);
    CADODatabase* db = SharedDatabaseLocked();
    const char* connection = std::getenv("NAMEOBJECT_DB");
    if (db && !db->IsOpen() && connection && *connection) db->Open(connection);
}

CADODatabase* GetDatabase() {
    CADODatabase* db = g_database.load();
    return db && db->IsOpen() ? db : nullptr;
}

bool ConnectDatabase(const std::string& connection) {
    std::lock_guard<std::mutex> lock(g_connectMutex);
    CADODatabase* db = SharedDatabaseLocked();
    return db && db->Open(connection) != 0;
}

void DisconnectDatabase() {
    std::lock_guard<std::mutex> lock(g_connectMutex);
    if (CADODatabase* db = g_database.load()) db->Close();
}

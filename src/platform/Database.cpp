#include "platform/Database.h"

#include <strings.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <new>
#include <string_view>
#include <utility>

#include "platform/DatabaseEngine.h"
#include "platform/DebugOutput.h"
#include "platform/LockedSink.h"
#include "platform/NoThrow.h"
#include "platform/PostgresConnection.h"
#include "platform/SqlDialect.h"
#include "platform/SqliteConnection.h"

// The text of schema/installation.sql, compiled in by the build.
extern const char* const kInstallationSchemaSql;

namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr int kBlobChunkBytes = 10240;
constexpr int kBlobStagingCapacity = 128;

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

// FNV-1a of the bytes with ASCII letters in lower case, for names compared without case.
std::uint32_t FoldedHash(std::string_view name) {
    std::uint32_t hash = 2166136261u;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        hash = (hash ^ (byte >= 'A' && byte <= 'Z' ? byte + 32u : byte)) * 16777619u;
    }
    return hash;
}

bool StartsWith(std::string_view sql, std::string_view word) {
    return sql.size() >= word.size() && strncasecmp(sql.data(), word.data(), word.size()) == 0;
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
    std::string error;
    const bool postgres = IsPostgresConnection(connection);
    const std::string path = postgres ? connection : DatabasePath(connection);
    if (path.empty()) {
        ReportError("empty connection string");
        return 0;
    }
    m_engine = postgres ? OpenPostgresEngine(path, kBusyTimeoutMs, kInstallationSchemaSql, error)
                        : OpenSqliteEngine(path, kBusyTimeoutMs, kInstallationSchemaSql, error);
    if (!m_engine) {
        ReportError(error);
        return 0;
    }
    if (postgres) {
        m_pg = static_cast<PgConnection*>(m_engine.get());
    } else {
        m_sqlite = static_cast<SqliteConnection*>(m_engine.get())->Handle();
    }
    ++m_generation;
    m_connection = connection;
    return 1;
}

bool CADODatabase::InTransaction() const {
    return m_engine && (m_transactionLost || m_engine->InTransaction());
}

int CADODatabase::Notify(const std::string& channel, const std::string& payload) {
    if (!m_engine || Refused("notify")) return 0;
    EngineStatus status;
    const bool sent = m_engine->Notify(channel, payload, status);
    Note(status);
    if (!sent && !status.error.empty()) ReportError(status.error);
    return sent ? 1 : 0;
}

void CADODatabase::Close() {
    m_engine.reset();
    m_sqlite = nullptr;
    m_pg = nullptr;
    m_transactionLost = false;
    m_connection.clear();
}

int CADODatabase::Execute(const CString& sql) { return Execute(sql.ToUtf8()); }

int CADODatabase::Execute(const std::string& utf8sql) {
    m_affected = 0;
    if (!m_engine) {
        ReportError("no connection in \"" + utf8sql + "\"");
        return 0;
    }
    if (Refused(utf8sql)) return StartsWith(utf8sql, "ROLLBACK") ? 1 : 0;
    EngineStatus status;
    const bool ran = m_engine->Execute(utf8sql, status);
    Note(status);
    if (!ran) {
        ReportError(status.error);
        return 0;
    }
    m_affected = status.affected;
    return 1;
}

int CADODatabase::BeginTransaction() { return Execute("BEGIN"); }
int CADODatabase::CommitTransaction() { return Execute("COMMIT"); }
int CADODatabase::RollbackTransaction() { return Execute("ROLLBACK"); }

void CADODatabase::ReportError(const std::string& what) {
    m_lastError = what;
    Announce(what);
}

bool CADODatabase::Refused(const std::string& sql) {
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

void CADODatabase::Note(const EngineStatus& status) {
    if (status.transactionGone) m_transactionLost = true;
}

void CADODatabase::ReportUnstoredWrite(const std::string& what) {
    Announce(what + " not stored: " + (m_lastError.empty() ? "no connection" : m_lastError));
}

void SetDatabaseErrorSink(DatabaseErrorSink sink) { ErrorSink().Set(std::move(sink)); }

// ---- CDatabaseWriteScope -------------------------------------------------------------------

namespace {

// The units this thread has opened (a transaction or a savepoint), innermost last: a unit
// opened inside one of them on the same connection joins it instead of setting a savepoint.
thread_local std::vector<const CDatabaseWriteScope*> t_openUnits;

void ForgetOpenUnit(const CDatabaseWriteScope* unit) {
    const auto found = std::find(t_openUnits.rbegin(), t_openUnits.rend(), unit);
    if (found != t_openUnits.rend()) t_openUnits.erase(std::next(found).base());
}

}  // namespace

CDatabaseWriteScope::CDatabaseWriteScope(CADODatabase* db)
    : m_lock(g_writeUnitMutex), m_db(db && db->IsOpen() ? db : nullptr) {
    if (!m_db) return;
    m_generation = m_db->m_generation;
    if (!t_openUnits.empty()) {
        const CDatabaseWriteScope* outer = t_openUnits.back();
        if (outer->m_db == m_db && outer->m_generation == m_generation && m_db->InTransaction()) {
            m_kind = kJoined;
            return;
        }
    }
    if (!m_db->InTransaction()) {
        if (m_db->Execute("BEGIN IMMEDIATE")) m_kind = kTransaction;
    } else if (m_db->Execute("SAVEPOINT nameobject_unit")) {
        m_kind = kSavepoint;
    }
    if (m_kind == kNone) return;
    // When it cannot be recorded, a unit opened inside this one sets its own savepoint.
    GuardAllocation(false, [this] {
        t_openUnits.push_back(this);
        return true;
    });
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
    // A joined unit's statements are committed with the unit it joined; a nested savepoint
    // could only have failed to release because the engine dropped that transaction.
    if (kind == kJoined) return m_db->m_transactionLost ? 0 : 1;
    ForgetOpenUnit(this);
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

// Lookup hashes of the recordset's column names, and the values of an AddNew / Edit in
// progress.
struct CADORecordset::Pending {
    std::vector<std::uint32_t> hashes;  // of the column names, case folded; made on demand
    StagedValues values;                // in setting order
    bool onAddedRow = false;            // the current record is the one the last AddNew stored

    int Stage(int column, StagedValue value, bool append = false) {
        if (column < 0) return 0;
        for (auto& [index, staged] : values) {
            if (index != column) continue;
            if (append && staged.type == StagedValue::kBlob) {
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
        hashes.clear();
        values.clear();
        onAddedRow = false;
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
    if (!m_db || !m_db->m_engine) {
        ReportTo(m_db, "no connection in \"" + utf8sql + "\"");
        return 0;
    }
    std::unique_ptr<EngineRowSet> rows = m_db->m_engine->NewRowSet();
    std::string error;
    if (!rows->Open(utf8sql, error)) {
        ReportTo(m_db, error);
        return 0;
    }
    m_rows = std::move(rows);
    m_generation = m_db->m_generation;
    m_table = m_rows->Table();
    if (!Step()) {
        Close();
        return 0;
    }
    return 1;
}

void CADORecordset::Close() {
    m_rows.reset();
    m_eof = true;
    m_table.clear();
    m_editMode = kNotEditing;
    m_pending->Reset();
}

int CADORecordset::Step() {
    std::string error;
    const int moved = m_rows->Next(error);
    m_eof = moved != 1;
    if (moved >= 0) return 1;
    ReportTo(m_db, error);
    return 0;
}

int CADORecordset::MoveNext() {
    if (!IsOpen() || m_eof) return 0;
    CancelUpdate();
    m_pending->onAddedRow = false;
    return Step();
}

int CADORecordset::GetFieldCount() const { return m_rows ? m_rows->Columns() : 0; }

CString CADORecordset::GetFieldName(int index) const {
    if (index < 0 || index >= GetFieldCount()) return CString();
    return CString::FromUtf8(m_rows->ColumnName(index));
}

int CADORecordset::GetFieldIndex(const std::string& name) const { return ColumnIndex(name); }

int CADORecordset::ColumnIndex(const std::string& name) const {
    // Names are compared by a hash of their case-folded bytes first; the hashes of the
    // columns are made at the first lookup by name.
    const int columns = GetFieldCount();
    auto& hashes = m_pending->hashes;
    if (hashes.size() != static_cast<std::size_t>(columns)) {
        hashes.clear();
        // Without memory for the hashes every name is compared in full.
        if (!GuardAllocation(false, [&] {
                hashes.reserve(static_cast<std::size_t>(columns));
                for (int i = 0; i < columns; ++i)
                    hashes.push_back(FoldedHash(m_rows->ColumnName(i)));
                return true;
            })) {
            hashes.clear();
        }
    }
    const bool hashed = hashes.size() == static_cast<std::size_t>(columns);
    const std::uint32_t hash = FoldedHash(name);
    for (int i = 0; i < columns; ++i) {
        if ((!hashed || hashes[static_cast<std::size_t>(i)] == hash) &&
            EqualsNoCase(m_rows->ColumnName(i), name)) {
            return i;
        }
    }
    return -1;
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
    value = m_rows->Int64(index);  // NULL reads as 0
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
    value = m_rows->Real(index);
    return 1;
}

int CADORecordset::GetFieldValue(int index, CString& value, const CString& defaultValue) const {
    if (!ValidColumn(*this, index)) return 0;
    if (m_rows->IsNull(index)) {
        value = defaultValue;
        return 1;
    }
    std::string_view bytes;
    if (!m_rows->Bytes(index, bytes)) return 0;
    value = CString::FromUtf8(bytes);
    return 1;
}

int CADORecordset::GetFieldValue(int index, COleDateTime& value) const {
    if (!ValidColumn(*this, index)) return 0;
    if (m_rows->IsNull(index)) {
        value = COleDateTime();
        value.SetStatus(COleDateTime::null);
        return 1;
    }
    if (m_rows->IsNumber(index)) {
        value = COleDateTime(m_rows->Real(index));
        return 1;
    }
    std::string_view text;
    return m_rows->Bytes(index, text) ? ParseStoredDate(text, value) : 0;
}

bool CADORecordset::IsFieldNull(int index) const {
    return !ValidColumn(*this, index) || m_rows->IsNull(index);
}

int CADORecordset::GetFieldActualSize(int index) const {
    if (!ValidColumn(*this, index)) return -1;
    std::string_view bytes;
    if (!m_rows->Bytes(index, bytes)) return -1;
    return static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
}

const void* CADORecordset::GetFieldBlob(int index, int& size) const {
    size = 0;
    std::string_view bytes;
    if (!ValidColumn(*this, index) || m_rows->IsNull(index) || !m_rows->Bytes(index, bytes) ||
        bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        return nullptr;
    }
    size = static_cast<int>(bytes.size());
    return bytes.data();
}

int CADORecordset::GetChunk(int index, int offset, int maxBytes, CBufferWriter_base& out) const {
    if (!ValidColumn(*this, index) || offset < 0 || maxBytes <= 0) return 0;
    int size = 0;
    const void* data = GetFieldBlob(index, size);
    if (!data || offset >= size) return 0;
    const int n = std::min(maxBytes, size - offset);
    return GuardAllocation(0, [&] {
        return out.WriteByte(static_cast<const std::uint8_t*>(data) + offset, n) ? n : 0;
    });
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
    return m_pending->Stage(ColumnIndex(name), StagedValue::Integer(value));
}

int CADORecordset::SetFieldValue(const std::string& name, double value) {
    if (!m_editMode) return 0;
    return m_pending->Stage(ColumnIndex(name), StagedValue::Real(value));
}

int CADORecordset::SetFieldValue(const std::string& name, const CString& value) {
    if (!m_editMode) return 0;
    return m_pending->Stage(ColumnIndex(name), StagedValue::Text(value.ToUtf8()));
}

int CADORecordset::SetFieldValue(const std::string& name, const COleDateTime& value) {
    if (!m_editMode) return 0;
    // A null or invalid date is stored as NULL.
    return m_pending->Stage(ColumnIndex(name), value.IsValid()
                                                   ? StagedValue::Text(value.FormatIsoMs())
                                                   : StagedValue{});
}

int CADORecordset::AppendChunk(const std::string& name, const void* p, int n) {
    if (!m_editMode || n < 0 || (!p && n > 0)) return 0;
    try {
        std::string bytes;
        if (n > 0) bytes.assign(static_cast<const char*>(p), static_cast<std::size_t>(n));
        return m_pending->Stage(ColumnIndex(name), StagedValue::Blob(std::move(bytes)),
                                /*append=*/true);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CADORecordset::Update() {
    if (!m_editMode || !m_rows) return 0;
    const bool adding = m_editMode == kAdding;
    if (!adding && m_pending->values.empty()) {
        m_editMode = kNotEditing;
        return 1;
    }
    // The rows' connection must still be the database's.
    if (!m_db || !m_db->m_engine || m_db->m_generation != m_generation) {
        ReportTo(m_db, "no connection for writing to " + m_table);
        return 0;
    }
    if (m_db->Refused((adding ? "INSERT INTO " : "UPDATE ") + m_table)) return 0;
    EngineStatus status;
    const bool stored = m_rows->Write(adding, m_pending->onAddedRow, m_pending->values, status);
    m_db->Note(status);
    if (!stored) {
        m_db->ReportError(status.error);
        return 0;
    }
    if (adding) m_pending->onAddedRow = true;
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

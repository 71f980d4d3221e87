// The installation database: CADODatabase (the shared connection) and CADORecordset (one
// query's result) over SQLite (one file) or PostgreSQL (a server that several hosts share).
//
// Statements are the system's own texts and run unchanged: [bracketed] identifiers,
// "select ... where 1=0" for an empty updatable set, column names that differ only in case.
// A recordset opened on a plain single-table SELECT is updatable: AddNew/Edit, SetFieldValue,
// AppendChunk, then Update inserts a row or rewrites the current one (and only it).
//
// Value rules: integer columns hold 32-bit signed values, an unsigned value being stored as
// its two's-complement int32 (so SetFieldValue(0xFFFFFFFFu) and "%d" of the same value
// agree); 64-bit columns hold int64; dates written by SetFieldValue are stored as the text
// "YYYY-MM-DD HH:MM:SS.mmm", and GetFieldValue(COleDateTime) also reads the plain
// "YYYY-MM-DD HH:MM:SS" that statements write. Failures return 0 and never throw; the
// engine's error text goes to the debugger output and to GetLastError().
//
// On PostgreSQL every text passes through TranslateForPostgres (SqlDialect.h) first; BLOBs
// are bytea, a zero character in a text value is dropped (the engine's text cannot hold it),
// and a statement that fails inside a transaction leaves the transaction usable, as on SQLite.
// Each engine lives in a connection and a row-set class of its own (SqliteConnection and
// SqliteRowSet, PostgresConnection and PostgresRowSet) behind DatabaseEngine.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/BufferIO.h"
#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/OleDateTime.h"

struct sqlite3;
class PgConnection;
class EngineConnection;
class EngineRowSet;
struct EngineStatus;

enum class DatabaseEngine { SQLite, PostgreSQL };

class NAMEOBJECT_API CADODatabase {
public:
    CADODatabase();
    ~CADODatabase();
    CADODatabase(const CADODatabase&) = delete;
    CADODatabase& operator=(const CADODatabase&) = delete;

    // "sqlite:PATH", "sqlite::memory:" or a plain path (WAL mode, busy timeout), or
    // "postgresql://user@host:port/dbname" or "postgresql:host=... dbname=..." (lock timeout
    // of the same length). Creates every missing table of the installation schema.
    // Non-zero on success.
    int Open(const std::string& connection);
    void Close();
    bool IsOpen() const { return m_engine != nullptr; }
    DatabaseEngine GetEngine() const {
        return m_pg ? DatabaseEngine::PostgreSQL : DatabaseEngine::SQLite;
    }
    // True inside a transaction that BeginTransaction or a write scope opened (also after the
    // engine lost it, until its owner ends it).
    bool InTransaction() const;
    // PostgreSQL: sends pg_notify(channel, payload), delivered to listeners when the current
    // transaction commits (at once in autocommit); non-zero on success. SQLite: returns 0.
    int Notify(const std::string& channel, const std::string& payload);
    const std::string& GetConnectionString() const { return m_connection; }

    // Runs a statement that returns no rows. Non-zero on success.
    int Execute(const CString& sql);
    int Execute(const std::string& utf8sql);
    int Execute(const char* utf8sql) { return Execute(std::string(utf8sql)); }

    int BeginTransaction();
    int CommitTransaction();
    int RollbackTransaction();

    int GetRecordsAffected() const { return m_affected; }
    const std::string& GetLastError() const { return m_lastError; }

    sqlite3* Handle() const { return m_sqlite; }     // null on PostgreSQL
    PgConnection* Postgres() const { return m_pg; }  // null on SQLite
    // Records an engine error: kept for GetLastError, written to the debugger output and
    // passed to the error sink.
    void ReportError(const std::string& what);
    // Reports a write that an operation acknowledges although the store refused it:
    // "<what> not stored: <last engine error>" to the debugger output and the error sink.
    void ReportUnstoredWrite(const std::string& what);

private:
    friend class CADORecordset;
    friend class CDatabaseWriteScope;

    // When the engine drops a transaction at a failing statement (SQLite rolls it back after a
    // full disk or an I/O error; a PostgreSQL connection breaks inside it), every further
    // write is refused until the transaction's owner ends it: ROLLBACK then succeeds, COMMIT
    // fails. Without this the statements after the failure would each commit on their own,
    // half of a unit. Refused returns true when `sql` must not run (reported, unless it is the
    // ROLLBACK or RELEASE of a unit's own housekeeping); Note records what the engine said.
    bool Refused(const std::string& sql);
    void Note(const EngineStatus& status);

    std::unique_ptr<EngineConnection> m_engine;
    sqlite3* m_sqlite = nullptr;     // the engine's handle, on SQLite
    PgConnection* m_pg = nullptr;    // the engine, on PostgreSQL
    std::uint64_t m_generation = 0;  // counts the Opens, so that a row set knows its connection
    std::string m_connection;
    std::string m_lastError;
    int m_affected = 0;
    std::atomic<bool> m_transactionLost{false};
};

class NAMEOBJECT_API CADORecordset {
public:
    explicit CADORecordset(CADODatabase* db);
    ~CADORecordset();
    CADORecordset(const CADORecordset&) = delete;
    CADORecordset& operator=(const CADORecordset&) = delete;

    // Runs a query; the option (0 or 3) does not change the result. Non-zero on success.
    int Open(const CString& sql, int option = 0);
    int Open(const std::string& utf8sql, int option = 0);
    int Open(const char* utf8sql, int option = 0) { return Open(std::string(utf8sql), option); }
    void Close();
    bool IsOpen() const { return m_rows != nullptr; }

    int IsEOF() const { return m_eof ? 1 : 0; }
    int IsEof() const { return IsEOF(); }
    int MoveNext();
    int GetFieldCount() const;
    CString GetFieldName(int index) const;
    int GetFieldIndex(const std::string& name) const;  // case-insensitive; -1 when absent

    // Reads a column of the current record, by name (case-insensitive) or zero-based index.
    // Non-zero on success; 0 at end of set or for an unknown column. A NULL value reads as
    // 0, 0.0, the default string, or a null date.
    int GetFieldValue(const std::string& name, int& value) const;
    int GetFieldValue(const std::string& name, unsigned int& value) const;
    int GetFieldValue(const std::string& name, std::int64_t& value) const;
    int GetFieldValue(const std::string& name, std::uint64_t& value) const;
    int GetFieldValue(const std::string& name, double& value) const;
    int GetFieldValue(const std::string& name, CString& value,
                      const CString& defaultValue = CString()) const;
    int GetFieldValue(const std::string& name, COleDateTime& value) const;
    int GetFieldValue(int index, int& value) const;
    int GetFieldValue(int index, unsigned int& value) const;
    int GetFieldValue(int index, std::int64_t& value) const;
    int GetFieldValue(int index, std::uint64_t& value) const;
    int GetFieldValue(int index, double& value) const;
    int GetFieldValue(int index, CString& value, const CString& defaultValue = CString()) const;
    int GetFieldValue(int index, COleDateTime& value) const;
    bool IsFieldNull(int index) const;

    // Byte size of the BLOB (or text) value of a column of the current record.
    int GetFieldActualSize(int index) const;
    // The BLOB value of a column of the current record in the engine's own buffer, valid until
    // the recordset moves or closes; size receives its byte count. Null (size 0) for a bad
    // column, a NULL or empty value, or when the engine is out of memory.
    const void* GetFieldBlob(int index, int& size) const;
    // Copies up to maxBytes of a BLOB column's value, starting at offset, into out (appended).
    // Returns the number of bytes copied (0 at the end of the value).
    int GetChunk(int index, int offset, int maxBytes, CBufferWriter_base& out) const;

    // Writing: AddNew starts a new record, Edit the current one; SetFieldValue and
    // AppendChunk fill columns; Update stores (non-zero on success). Only on a recordset
    // opened on a single-table SELECT.
    int AddNew();
    int Edit();
    int SetFieldValue(const std::string& name, int value);
    int SetFieldValue(const std::string& name, unsigned int value);
    int SetFieldValue(const std::string& name, std::int64_t value);
    int SetFieldValue(const std::string& name, std::uint64_t value);
    int SetFieldValue(const std::string& name, double value);
    int SetFieldValue(const std::string& name, const CString& value);
    int SetFieldValue(const std::string& name, const COleDateTime& value);
    int AppendChunk(const std::string& name, const void* p, int n);
    int Update();
    void CancelUpdate();

    bool IsUpdatable() const { return !m_table.empty(); }

private:
    struct Pending;
    int Step();
    int ColumnIndex(const std::string& name) const;

    CADODatabase* m_db;
    std::unique_ptr<EngineRowSet> m_rows;  // the open query's rows
    std::uint64_t m_generation = 0;        // of the connection the rows came from
    bool m_eof = true;
    std::string m_table;  // the single table of an updatable set, else empty
    int m_editMode = 0;   // 0 none, 1 AddNew, 2 Edit
    std::unique_ptr<Pending> m_pending;
};

// Several statements as one unit: after a crash the database holds all of them or none.
// On a connection in autocommit mode it opens a transaction that takes the write lock at once
// (waiting the busy timeout like any statement); inside a transaction the caller opened it
// sets a savepoint. A unit opened while this thread already has a unit open on the same
// connection joins that unit: its statements become part of the outer one. Finish (or the
// destructor) always commits what ran, so the statements' own results are unchanged; when the
// commit fails, the work is rolled back, the failure reported and Finish returns 0 (a joined
// unit returns 0 when the engine dropped the transaction it joined). When the unit cannot be
// opened (locked past the timeout, no connection), the statements run one by one as they
// would without it. Units on different threads wait for each other.
class CDatabaseWriteScope {
public:
    explicit CDatabaseWriteScope(CADODatabase* db);
    ~CDatabaseWriteScope();
    CDatabaseWriteScope(const CDatabaseWriteScope&) = delete;
    CDatabaseWriteScope& operator=(const CDatabaseWriteScope&) = delete;

    // 1 when the unit was committed (or never opened), 0 when the commit failed.
    int Finish();

private:
    std::unique_lock<std::recursive_mutex> m_lock;
    CADODatabase* m_db;
    std::uint64_t m_generation = 0;  // of the connection the unit was opened on
    enum { kNone, kTransaction, kSavepoint, kJoined } m_kind = kNone;
};

// The library-level error hook. The sink is called (on the failing thread) with the text of
// every error the database layer reports: engine errors with the statement, and writes that
// an operation acknowledged although they were not stored (an update refused by a locked or
// read-only database, a full disk, a lost connection). An empty function removes the sink.
// The debugger output gets the same lines either way.
using DatabaseErrorSink = std::function<void(const std::string& message)>;
NAMEOBJECT_API void SetDatabaseErrorSink(DatabaseErrorSink sink);

// Reads the BLOB of column `index` of the current record in chunks of at most 10240 bytes
// into a staging writer and hands the bytes to `out`. Non-zero on success.
NAMEOBJECT_API int ReadBlobColumn(const CADORecordset& rs, int index, CBufferReader& out);

// ---- the shared connection ------------------------------------------------
// Creates the shared connection object; called once when the library is loaded (and then
// connects to $NAMEOBJECT_DB when it is set).
NAMEOBJECT_API void NewDatabaseDll();
// The shared connection while connected, otherwise null.
NAMEOBJECT_API CADODatabase* GetDatabase();
// Connects the shared connection (any connection string CADODatabase::Open takes),
// creating missing tables. A second call reconnects.
NAMEOBJECT_API bool ConnectDatabase(const std::string& connection);
NAMEOBJECT_API void DisconnectDatabase();

#include "platform/PostgresConnection.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "platform/PostgresRowSet.h"
#include "platform/SqlDialect.h"

namespace {

constexpr std::string_view kKeywordPrefix = "postgresql:";
constexpr int kSchemaLockKey = 0x4e4f5343;  // the advisory lock creating the tables

std::string Trimmed(const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text.empty() ? "unknown PostgreSQL error" : text;
}

void IgnoreNotice(void*, const char*) {}

// BEGIN, COMMIT and the like must reach the server as they are, not inside a savepoint.
bool IsTransactionControl(std::string_view sql) {
    const std::vector<SqlToken> tokens = TokenizeSql(sql.substr(0, 64));
    if (tokens.empty()) return false;
    for (std::string_view kw :
         {"begin", "commit", "end", "rollback", "savepoint", "release", "abort", "start"}) {
        if (IsSqlKeyword(tokens[0], kw)) return true;
    }
    return false;
}

// The server's message, led by the phrase SQLite uses for the same failure so that the
// reports read alike on both engines: "no such table: Name (relation ... does not exist)".
std::string DescribeError(const PGresult* result, const std::string& sql) {
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    const std::string message = primary ? primary : Trimmed(PQresultErrorMessage(result));
    // The name a "... \"name\" does not exist" message quotes, spelled as the statement does.
    auto quotedName = [&] {
        const std::size_t open = message.find('"');
        const std::size_t close = message.find('"', open + 1);
        if (open == std::string::npos || close == std::string::npos) return std::string();
        return RestoreIdentifierCase(message.substr(open + 1, close - open - 1), sql);
    };
    static const struct {
        std::string_view state;
        std::string_view phrase;
        bool withName;
    } kPhrases[] = {
        {"42P01", "no such table: ", true},
        {"42703", "no such column: ", true},
        {"23505", "UNIQUE constraint failed", false},
        {"55P03", "database is locked", false},
        {"25006", "attempt to write a readonly database", false},
    };
    for (const auto& p : kPhrases) {
        if (state && p.state == state) {
            return std::string(p.phrase) + (p.withName ? quotedName() : "") + " (" + message + ")";
        }
    }
    return message;
}

constexpr const char* kUndoStatement =
    "ROLLBACK TO SAVEPOINT nameobject_statement; RELEASE nameobject_statement";

// A statement without a ';' before its end (only those can go through a pipeline).
bool IsSingleStatement(std::string_view sql) {
    const std::vector<SqlToken> tokens = TokenizeSql(sql);
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].text == ";") return false;
    }
    return true;
}

// The parameters of a statement as libpq takes them.
struct ParamArrays {
    ParamArrays() = default;
    ParamArrays(const PgParam* params, int count) : values(count), lengths(count), formats(count) {
        for (int i = 0; i < count; ++i) {
            values[i] = params[i].kind == PgParam::kNull ? nullptr : params[i].value.c_str();
            lengths[i] = static_cast<int>(params[i].value.size());
            formats[i] = params[i].kind == PgParam::kBinary ? 1 : 0;
        }
    }
    int Count() const { return static_cast<int>(values.size()); }
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
};

PGresult* Exec(PGconn* conn, const std::string& sql, const PgParam* params, int count) {
    if (count == 0) return PQexec(conn, sql.c_str());
    const ParamArrays a(params, count);
    return PQexecParams(conn, sql.c_str(), count, nullptr, a.values.data(), a.lengths.data(),
                        a.formats.data(), 0);
}

bool Send(PGconn* conn, const std::string& sql, const ParamArrays& a) {
    return PQsendQueryParams(conn, sql.c_str(), a.Count(), nullptr, a.values.data(),
                             a.lengths.data(), a.formats.data(), 0) != 0;
}

// Whether a statement's result is a success; else its error, described, in `error`.
bool Succeeded(const PgResult& result, const std::string& sql, std::string& error) {
    switch (PQresultStatus(result.Get())) {
        case PGRES_COMMAND_OK:
        case PGRES_TUPLES_OK:
            return true;
        case PGRES_EMPTY_QUERY:
            error = "empty statement";
            return false;
        default:
            error = DescribeError(result.Get(), sql);
            return false;
    }
}

void RunQuietly(PGconn* conn, const char* sql) { PQclear(PQexec(conn, sql)); }

}  // namespace

bool IsPostgresConnection(std::string_view connection) {
    return connection.starts_with("postgresql:") || connection.starts_with("postgres://");
}

// ---- PgResult ------------------------------------------------------------------------------

PgResult::~PgResult() { PQclear(m_result); }

PgResult& PgResult::operator=(PgResult&& other) noexcept {
    if (this != &other) {
        PQclear(m_result);
        m_result = other.m_result;
        other.m_result = nullptr;
    }
    return *this;
}

int PgResult::Rows() const { return m_result ? PQntuples(m_result) : 0; }
int PgResult::Columns() const { return m_result ? PQnfields(m_result) : 0; }

std::string PgResult::ColumnName(int column) const {
    const char* name = PQfname(m_result, column);
    return name ? name : "";
}

bool PgResult::IsNull(int row, int column) const { return PQgetisnull(m_result, row, column); }

std::string_view PgResult::Text(int row, int column) const {
    return {PQgetvalue(m_result, row, column),
            static_cast<std::size_t>(PQgetlength(m_result, row, column))};
}

bool PgResult::IsBinary(int column) const {
    constexpr Oid kByteaOid = 17;
    return PQftype(m_result, column) == kByteaOid;
}

bool PgResult::Bytes(int row, int column, std::string& out) const {
    const std::string_view text = Text(row, column);
    if (!IsBinary(column)) {
        out.assign(text);
        return true;
    }
    // bytea comes as "\x" and two hex digits per byte.
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (text.size() < 2 || text[0] != '\\' || text[1] != 'x' || text.size() % 2 != 0) return false;
    out.clear();
    out.reserve((text.size() - 2) / 2);
    for (std::size_t i = 2; i < text.size(); i += 2) {
        const int hi = digit(text[i]), lo = digit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

int PgResult::Affected() const {
    const char* n = m_result ? PQcmdTuples(m_result) : nullptr;
    return n && *n ? std::atoi(n) : 0;
}

// ---- PgConnection --------------------------------------------------------------------------

PgConnection::~PgConnection() {
    if (m_conn) {
        std::lock_guard<std::mutex> lock(m_mutex);
        HandOverLocked();
    }
    PQfinish(m_conn);
}

std::string PgConnection::Open(const std::string& connection, int lockTimeoutMs) {
    std::string conninfo = connection;
    if (connection.starts_with(kKeywordPrefix) && !connection.starts_with("postgresql://")) {
        conninfo = connection.substr(kKeywordPrefix.size());
    }
    // Defaults first: what the connection string says wins.
    const char* keys[] = {"connect_timeout", "client_encoding", "dbname", nullptr};
    const char* values[] = {"10", "UTF8", conninfo.c_str(), nullptr};
    m_conn = PQconnectdbParams(keys, values, 1);
    if (!m_conn) return "out of memory";
    if (PQstatus(m_conn) != CONNECTION_OK) return Trimmed(PQerrorMessage(m_conn));
    PQsetNoticeProcessor(m_conn, IgnoreNotice, nullptr);
    m_lockTimeoutMs = lockTimeoutMs;
    return SetUpSession();
}

std::string PgConnection::SetUpSession() {
    PgResult result(
        PQexec(m_conn, ("select set_config('lock_timeout', '" + std::to_string(m_lockTimeoutMs) +
                        "', false) where current_setting('lock_timeout') = '0'")
                           .c_str()));
    std::string error;
    if (!result) error = Trimmed(PQerrorMessage(m_conn));
    return result && Succeeded(result, "set lock_timeout", error) ? std::string() : error;
}

bool PgConnection::Reconnect() {
    if (PQstatus(m_conn) == CONNECTION_OK) return true;
    PQreset(m_conn);
    return PQstatus(m_conn) == CONNECTION_OK && SetUpSession().empty();
}

bool PgConnection::InTransaction() const {
    // Rows are read as they arrive only outside a transaction; the server is busy meanwhile.
    return m_conn && !m_stream.load() && PQtransactionStatus(m_conn) != PQTRANS_IDLE;
}

bool PgConnection::TakeTransactionGone() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_transactionGone, false);
}

bool PgConnection::Execute(const std::string& utf8sql, EngineStatus& status) {
    const PgResult result = Run(TranslateForPostgres(utf8sql), status.error);
    status.transactionGone = TakeTransactionGone();
    if (!result) {
        status.error += " in \"" + utf8sql + "\"";
        return false;
    }
    status.affected = result.Affected();
    return true;
}

bool PgConnection::Notify(const std::string& channel, const std::string& payload,
                          EngineStatus& status) {
    const PgParam params[] = {{PgParam::kText, channel}, {PgParam::kText, payload}};
    const bool sent = static_cast<bool>(Run("select pg_notify($1, $2)", params, 2, status.error));
    status.transactionGone = TakeTransactionGone();
    if (!sent) status.error += " in notify on \"" + channel + "\"";
    return sent;
}

std::unique_ptr<EngineRowSet> PgConnection::NewRowSet() {
    return std::make_unique<PgRowSet>(*this);
}

std::unique_ptr<EngineConnection> OpenPostgresEngine(const std::string& connection,
                                                     int lockTimeoutMs, const char* schemaSql,
                                                     std::string& error) {
    auto pg = std::make_unique<PgConnection>();
    error = pg->Open(connection, lockTimeoutMs);
    // Hosts connecting at once would race to create the same tables: the first one does it
    // while the others wait on the lock.
    if (error.empty()) {
        pg->Run("BEGIN; SELECT pg_advisory_xact_lock(" + std::to_string(kSchemaLockKey) + "); " +
                    TranslateForPostgres(schemaSql) + "; COMMIT",
                error);
    }
    if (!error.empty()) {
        error = "cannot open \"" + connection + "\": " + error;
        return nullptr;
    }
    return pg;
}

PgResult PgConnection::Run(const std::string& sql, std::string& error) {
    return Run(sql, nullptr, 0, error);
}

PgResult PgConnection::Run(const std::string& sql, const PgParam* params, int count,
                           std::string& error) {
    if (!m_conn) {
        error = "no connection";
        return {};
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return RunUnlocked(sql, params, count, error);
}

PgResult PgConnection::RunUnlocked(const std::string& sql, const PgParam* params, int count,
                                   std::string& error) {
    HandOverLocked();
    // A connection the server dropped (a restart, say) is opened again for the next
    // statement.
    if (!Reconnect()) {
        error = "connection lost: " + Trimmed(PQerrorMessage(m_conn));
        return {};
    }
    const PGTransactionStatusType before = PQtransactionStatus(m_conn);
    PgResult result = RunLocked(sql, params, count, error);
    // The transaction went with the connection: the database layer refuses what follows.
    if (!result && PQstatus(m_conn) != CONNECTION_OK &&
        (before == PQTRANS_INTRANS || before == PQTRANS_INERROR)) {
        m_transactionGone = true;
    }
    return result;
}

PgResult PgConnection::Query(const std::string& sql, PgRowReader* reader, bool& streaming,
                             std::string& error) {
    streaming = false;
    if (!m_conn) {
        error = "no connection";
        return {};
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    HandOverLocked();
    if (!Reconnect() || PQtransactionStatus(m_conn) != PQTRANS_IDLE || !IsSingleStatement(sql)) {
        return RunUnlocked(sql, nullptr, 0, error);
    }
    if (!PQsendQuery(m_conn, sql.c_str()) || !PQsetSingleRowMode(m_conn)) {
        error = Trimmed(PQerrorMessage(m_conn));
        DiscardResultsLocked();
        return {};
    }
    PgResult first(PQgetResult(m_conn));
    if (PQresultStatus(first.Get()) == PGRES_SINGLE_TUPLE) {
        m_stream = reader;
        m_streamSql = sql;
        streaming = true;
        return first;
    }
    // No row, or a failure: the query is over.
    DiscardResultsLocked();
    if (!first) error = Trimmed(PQerrorMessage(m_conn));
    return first && Succeeded(first, sql, error) ? std::move(first) : PgResult();
}

PgResult PgConnection::NextRow(PgRowReader* reader, bool& ended, std::string& error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ended = m_stream.load() != reader;
    if (ended) return {};
    PgResult row(PQgetResult(m_conn));
    const ExecStatusType status = PQresultStatus(row.Get());
    if (status == PGRES_SINGLE_TUPLE) return row;
    ended = status == PGRES_TUPLES_OK;
    if (!row) {
        error = Trimmed(PQerrorMessage(m_conn));
    } else if (!ended) {
        Succeeded(row, m_streamSql, error);  // describes the failure
    }
    m_stream = nullptr;
    DiscardResultsLocked();
    return {};
}

void PgConnection::EndStream(PgRowReader* reader) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stream.load() != reader) return;
    m_stream = nullptr;
    DiscardResultsLocked();
}

void PgConnection::DiscardResultsLocked() {
    while (PGresult* result = PQgetResult(m_conn)) PQclear(result);
}

void PgConnection::HandOverLocked() {
    PgRowReader* reader = m_stream.exchange(nullptr);
    if (!reader) return;
    // The rows still to come are copied into one result, as a query read whole holds them.
    PGresult* rest = nullptr;
    int rows = 0;
    std::string error;
    while (PGresult* row = PQgetResult(m_conn)) {
        const ExecStatusType status = PQresultStatus(row);
        if (status == PGRES_SINGLE_TUPLE && error.empty()) {
            if (!rest) rest = PQcopyResult(row, PG_COPYRES_ATTRS);
            bool copied = rest != nullptr;
            for (int c = 0; copied && c < PQnfields(row); ++c) {
                const bool null = PQgetisnull(row, 0, c);
                copied = PQsetvalue(rest, rows, c, null ? nullptr : PQgetvalue(row, 0, c),
                                    null ? -1 : PQgetlength(row, 0, c));
            }
            if (!copied) error = "out of memory keeping the rows of \"" + m_streamSql + "\"";
            ++rows;
        } else if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK && error.empty()) {
            error = DescribeError(row, m_streamSql);
        }
        PQclear(row);
    }
    reader->TakeRemainingRows(PgResult(rest), std::move(error));
}

PgResult PgConnection::RunLocked(const std::string& sql, const PgParam* params, int count,
                                 std::string& error) {
    if (IsTransactionEnd(sql) && PQtransactionStatus(m_conn) == PQTRANS_IDLE) {
        error = "cannot end the transaction - no transaction is active";
        return {};
    }
    const bool guarded =
        PQtransactionStatus(m_conn) == PQTRANS_INTRANS && !IsTransactionControl(sql);
    if (guarded && IsSingleStatement(sql)) return RunGuarded(sql, params, count, error);
    if (guarded) RunQuietly(m_conn, "SAVEPOINT nameobject_statement");
    PgResult result(Exec(m_conn, sql, params, count));
    if (!result) error = Trimmed(PQerrorMessage(m_conn));
    const bool ok = result && Succeeded(result, sql, error);
    if (guarded) RunQuietly(m_conn, ok ? "RELEASE nameobject_statement" : kUndoStatement);
    return ok ? std::move(result) : PgResult();
}

PgResult PgConnection::RunGuarded(const std::string& sql, const PgParam* params, int count,
                                  std::string& error) {
    // One round trip: the savepoint, the statement and the release go out as a pipeline.
    if (!PQenterPipelineMode(m_conn)) {
        error = Trimmed(PQerrorMessage(m_conn));
        return {};
    }
    const ParamArrays arrays(params, count);
    bool ok = Send(m_conn, "SAVEPOINT nameobject_statement", {}) && Send(m_conn, sql, arrays) &&
              Send(m_conn, "RELEASE nameobject_statement", {}) && PQpipelineSync(m_conn);
    if (!ok) error = Trimmed(PQerrorMessage(m_conn));
    PgResult result;
    // Each query's results end with a null; the sync's mark ends the pipeline.
    for (int query = 0; query <= 3;) {
        PgResult current(PQgetResult(m_conn));
        if (!current) {
            if (PQstatus(m_conn) != CONNECTION_OK) break;
            ++query;
            continue;
        }
        const ExecStatusType status = PQresultStatus(current.Get());
        if (status == PGRES_PIPELINE_SYNC) break;
        if (!ok) continue;
        if (query == 1) {
            ok = Succeeded(current, sql, error);
            if (ok) result = std::move(current);
        } else if (status != PGRES_COMMAND_OK) {
            Succeeded(current, sql, error);  // describes the failure
            ok = false;
        }
    }
    if (ok && !result) {  // the connection ended before the statement's result
        ok = false;
        error = Trimmed(PQerrorMessage(m_conn));
    }
    PQexitPipelineMode(m_conn);
    if (!ok) RunQuietly(m_conn, kUndoStatement);
    return ok ? std::move(result) : PgResult();
}

#include "platform/PostgresRowSet.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <utility>

#include "platform/SqlDialect.h"
#include "platform/WriteText.h"

namespace {

// A staged value as a statement parameter: text, or bytes sent in binary. PostgreSQL text
// cannot hold a zero character: it is dropped.
PgParam ParamOf(const StagedValue& v) {
    char number[40];
    switch (v.type) {
        case StagedValue::kInteger:
            return {PgParam::kText, std::to_string(v.integer)};
        case StagedValue::kReal:
            std::snprintf(number, sizeof number, "%.17g", v.real);
            return {PgParam::kText, number};
        case StagedValue::kText: {
            std::string text = v.bytes;
            std::erase(text, '\0');
            return {PgParam::kText, std::move(text)};
        }
        case StagedValue::kBlob:
            return {PgParam::kBinary, v.bytes};
        case StagedValue::kNull:
            break;
    }
    return {};
}

}  // namespace

PgRowSet::~PgRowSet() {
    if (m_streaming && !m_handedOver.load(std::memory_order_acquire)) {
        m_connection.EndStream(this);
    }
}

bool PgRowSet::Open(const std::string& utf8sql, std::string& error) {
    const std::string sql = TranslateForPostgres(utf8sql);
    std::optional<SingleTableSelect> single = FindSingleTableSelect(sql);
    if (single) {
        m_result = m_connection.Query(
            sql.substr(0, single->fromOffset) + ", ctid " + sql.substr(single->fromOffset), this,
            m_streaming, error);
        if (!m_result) single.reset();
    }
    if (!m_result) m_result = m_connection.Query(sql, this, m_streaming, error);
    if (!m_result) {
        error += " in \"" + utf8sql + "\"";
        return false;
    }
    m_columns = m_result.Columns() - (single ? 1 : 0);
    if (single) m_table = single->table;
    for (int i = 0; i < m_columns; ++i) {
        m_spelled.push_back(RestoreIdentifierCase(m_result.ColumnName(i), utf8sql));
    }
    return true;
}

void PgRowSet::TakeRemainingRows(PgResult rest, std::string error) {
    m_rest = std::move(rest);
    m_restError = std::move(error);
    m_handedOver.store(true, std::memory_order_release);
}

bool PgRowSet::Fetch(std::string& error) {
    bool ended = false;
    PgResult next;
    if (!m_handedOver.load(std::memory_order_acquire)) {
        next = m_connection.NextRow(this, ended, error);
    }
    if (next) {
        m_result = std::move(next);
        m_row = -1;
        return true;
    }
    m_streaming = false;
    if (m_handedOver.exchange(false, std::memory_order_acquire)) {
        if (m_rest) {
            m_result = std::move(m_rest);
            m_row = -1;
        }
        m_pendingError = std::move(m_restError);
        return true;
    }
    return ended;
}

int PgRowSet::Next(std::string& error) {
    while (++m_row >= m_result.Rows()) {
        if (!m_streaming) {
            if (m_pendingError.empty()) return 0;
            error = std::exchange(m_pendingError, {});
            return -1;
        }
        if (!Fetch(error)) return -1;
    }
    m_bytes.assign(static_cast<std::size_t>(m_columns), std::nullopt);
    if (!m_table.empty()) m_currentCtid = Text(m_columns);
    return 1;
}

std::int64_t PgRowSet::Int64(int column) const {
    if (IsNull(column)) return 0;
    const std::string_view text = Text(column);
    if (text == "t") return 1;
    const std::string copy(text);
    char* end = nullptr;
    const long long v = std::strtoll(copy.c_str(), &end, 10);
    if (end == copy.c_str() + copy.size()) return v;
    const double d = std::strtod(copy.c_str(), &end);
    return d >= -9.2e18 && d <= 9.2e18 ? static_cast<std::int64_t>(d) : 0;
}

double PgRowSet::Real(int column) const {
    if (IsNull(column)) return 0.0;
    const std::string_view text = Text(column);
    return text == "t" ? 1.0 : std::strtod(std::string(text).c_str(), nullptr);
}

bool PgRowSet::Bytes(int column, std::string_view& out) const {
    auto& slot = m_bytes[static_cast<std::size_t>(column)];
    if (!slot) {
        if (IsNull(column) || !m_result.IsBinary(column)) {
            out = Text(column);
            return true;
        }
        try {
            std::string bytes;
            if (!m_result.Bytes(m_row, column, bytes)) return false;
            slot = std::move(bytes);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    out = *slot;
    return true;
}

bool PgRowSet::Write(bool adding, bool added, const StagedValues& values, EngineStatus& status) {
    std::vector<PgParam> params;
    for (const auto& entry : values) params.push_back(ParamOf(entry.second));
    if (!adding) params.push_back({PgParam::kText, added ? m_addedCtid : m_currentCtid});
    const auto column = [this](int index) { return WriteColumn(index); };
    const std::string& sql = writetext::Get<PgRowSet>(m_table, adding, values, column, [&] {
        const auto mark = [](std::size_t i) { return '$' + std::to_string(i + 1); };
        return writetext::Spell(m_table, adding, values, column, mark,
                                "ctid = " + mark(values.size()) + "::tid", " RETURNING ctid");
    });
    const PgResult result =
        m_connection.Run(sql, params.data(), static_cast<int>(params.size()), status.error);
    status.transactionGone = m_connection.TakeTransactionGone();
    if (!result || result.Rows() != 1) {
        status.error =
            result ? "the record to update no longer exists" : status.error + " in \"" + sql + "\"";
        return false;
    }
    (adding || added ? m_addedCtid : m_currentCtid) = std::string(result.Text(0, 0));
    return true;
}

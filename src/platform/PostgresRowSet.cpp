#include "platform/PostgresRowSet.h"

#include <cstdlib>
#include <new>

#include "platform/SqlDialect.h"

bool PgRowSet::Open(PgConnection& connection, const std::string& utf8sql, std::string& error) {
    Close();
    const std::string sql = TranslateForPostgres(utf8sql);
    std::optional<SingleTableSelect> single = FindSingleTableSelect(sql);
    if (single) {
        m_result = connection.Run(
            sql.substr(0, single->fromOffset) + ", ctid " + sql.substr(single->fromOffset), error);
        if (!m_result) single.reset();
    }
    if (!m_result) m_result = connection.Run(sql, error);
    if (!m_result) return false;
    m_columns = m_result.Columns() - (single ? 1 : 0);
    if (single) m_table = single->table;
    m_query = utf8sql;
    return true;
}

void PgRowSet::Close() {
    m_result = PgResult();
    m_row = -1;
    m_columns = 0;
    m_query.clear();
    m_table.clear();
    m_currentCtid.clear();
    m_addedCtid.clear();
    m_bytes.clear();
}

bool PgRowSet::Next() {
    if (++m_row >= m_result.Rows()) return false;
    m_bytes.assign(static_cast<std::size_t>(m_columns), std::nullopt);
    if (!m_table.empty()) m_currentCtid = m_result.Text(m_row, m_columns);
    return true;
}

std::string PgRowSet::SpelledName(int column) const {
    return RestoreIdentifierCase(ColumnName(column), m_query);
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

const std::string* PgRowSet::Bytes(int column) {
    auto& slot = m_bytes[static_cast<std::size_t>(column)];
    if (!slot) {
        try {
            std::string bytes;
            if (!m_result.Bytes(m_row, column, bytes)) return nullptr;
            slot = std::move(bytes);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    return &*slot;
}

bool PgRowSet::Write(PgConnection& connection, bool adding, bool added,
                     const std::vector<std::pair<std::string, PgParam>>& values,
                     std::string& error) {
    std::vector<PgParam> params;
    std::string sql;
    if (adding) {
        std::string names, marks;
        for (const auto& [column, value] : values) {
            params.push_back(value);
            names += (names.empty() ? "" : ", ") + QuoteSqlIdentifier(column);
            marks += (marks.empty() ? "$" : ", $") + std::to_string(params.size());
        }
        sql = "INSERT INTO " + m_table +
              (params.empty() ? " DEFAULT VALUES" : "(" + names + ") VALUES(" + marks + ")");
    } else {
        std::string assignments;
        for (const auto& [column, value] : values) {
            params.push_back(value);
            assignments += (assignments.empty() ? "" : ", ") + QuoteSqlIdentifier(column) + " = $" +
                           std::to_string(params.size());
        }
        params.push_back({PgParam::kText, added ? m_addedCtid : m_currentCtid});
        sql = "UPDATE " + m_table + " SET " + assignments + " WHERE ctid = $" +
              std::to_string(params.size()) + "::tid";
    }
    sql += " RETURNING ctid";
    const PgResult result =
        connection.Run(sql, params.data(), static_cast<int>(params.size()), error);
    if (!result || result.Rows() != 1) {
        error = result ? "the record to update no longer exists" : error + " in \"" + sql + "\"";
        return false;
    }
    (adding || added ? m_addedCtid : m_currentCtid) = std::string(result.Text(0, 0));
    return true;
}

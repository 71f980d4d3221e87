// The statement text of a record write, remembered per thread: a program writes the same
// columns of the same table again and again (every new object's row), and the text is spelled
// once instead of on every write.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DatabaseEngine.h"
#include "platform/SqlDialect.h"

namespace writetext {

constexpr std::size_t kRemembered = 8;

struct Entry {
    bool adding = false;
    std::string table;
    std::vector<std::string> columns;  // the table columns of the values, in order
    std::string text;
};

// The text of a write of `values` to `table` (an INSERT when adding, else an UPDATE):
// column(index) names the table column of a value's column index, and build() spells the
// text when this table, kind and column list has not been written lately. The text stays
// valid until the next Get on this thread. May throw bad_alloc, as spelling the text does.
// Each Engine (the row-set class that writes) keeps texts of its own.
template <class Engine, class ColumnName, class Build>
const std::string& Get(const std::string& table, bool adding, const StagedValues& values,
                       ColumnName column, Build build) {
    thread_local std::array<Entry, kRemembered> entries;
    thread_local std::size_t next = 0;
    for (const Entry& entry : entries) {
        if (entry.adding != adding || entry.table != table ||
            entry.columns.size() != values.size() || entry.text.empty()) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; same && i < values.size(); ++i) {
            same = entry.columns[i] == column(values[i].first);
        }
        if (same) return entry.text;
    }
    Entry& entry = entries[next];
    next = (next + 1) % kRemembered;
    entry.text.clear();  // an entry half-filled by a failed allocation is never found
    entry.adding = adding;
    entry.table = table;
    entry.columns.clear();
    for (const auto& value : values) entry.columns.emplace_back(column(value.first));
    entry.text = build();
    return entry.text;
}

// Spells the write of `values` to `table`, the one form both engines use:
//   INSERT INTO table("a", "b") VALUES(m0, m1)            (DEFAULT VALUES without values)
//   UPDATE table SET "a" = m0, "b" = m1 WHERE rowCondition
// then suffix. column(index) names a value's table column, mark(i) spells the placeholder of
// the i-th value. May throw bad_alloc.
template <class ColumnName, class Mark>
std::string Spell(const std::string& table, bool adding, const StagedValues& values,
                  ColumnName column, Mark mark, std::string_view rowCondition,
                  std::string_view suffix) {
    std::string text;
    if (adding && values.empty()) {
        text = "INSERT INTO " + table + " DEFAULT VALUES";
        return text.append(suffix);
    }
    std::string names, marks;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            names += ", ";
            marks += ", ";
        }
        names += QuoteSqlIdentifier(column(values[i].first));
        if (!adding) names.append(" = ").append(mark(i));  // an UPDATE's assignments
        marks += mark(i);
    }
    if (adding) {
        text = "INSERT INTO " + table + "(" + names + ") VALUES(" + marks + ")";
    } else {
        text = "UPDATE " + table + " SET " + names + " WHERE ";
        text.append(rowCondition);
    }
    return text.append(suffix);
}

}  // namespace writetext

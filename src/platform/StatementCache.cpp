#include "platform/StatementCache.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/SqlDialect.h"

namespace statementcache {
namespace {

// A statement prepared here: handed out (busy) or idle and ready for the next Prepare of its
// text. Entries are kept in place, so that handing a statement out and taking it back
// allocates nothing.
struct Kept {
    std::string text;
    sqlite3_stmt* stmt;
    bool busy;
    std::uint64_t used;  // when it was last handed out or given back
};

struct Connection {
    std::vector<Kept> kept;
    std::size_t idle = 0;
    std::uint64_t clock = 0;
};

std::mutex g_lock;
std::unordered_map<sqlite3*, Connection>& Connections() {
    static auto* connections = new std::unordered_map<sqlite3*, Connection>;
    return *connections;
}

void FinalizeIdle(Connection& connection) {
    std::erase_if(connection.kept, [](const Kept& kept) {
        if (!kept.busy) sqlite3_finalize(kept.stmt);
        return !kept.busy;
    });
    connection.idle = 0;
}

// CREATE, ALTER and DROP change what kept statements were compiled against.
bool ChangesSchema(std::string_view text) {
    const auto first = FirstSqlToken(text);
    return first && (IsSqlKeyword(*first, "create") || IsSqlKeyword(*first, "alter") ||
                     IsSqlKeyword(*first, "drop"));
}

// A DELETE or UPDATE whose values are integers written after "=" (the key columns a
// program formats into its texts) is kept once per shape: each such integer becomes a "?"
// and is bound instead. Comparing or assigning a bound integer gives the same result as the
// literal. Texts with quotes, comments, parameters or more than one statement are left as
// they are, and so is an integer that does not end at a blank or ")" (5.5, 5e3, 5+1).
struct Shape {
    std::string text;
    std::vector<std::int64_t> values;
};

bool ShapeOf(std::string_view text, Shape& shape) {
    const auto first = FirstSqlToken(text);
    const bool verb = first && (IsSqlKeyword(*first, "delete") || IsSqlKeyword(*first, "update"));
    if (!verb || text.find_first_of("'\";?:@$[`#\\") != std::string_view::npos ||
        text.find("--") != std::string_view::npos || text.find("/*") != std::string_view::npos) {
        return false;
    }
    shape.text.clear();
    shape.values.clear();
    shape.text.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        shape.text.push_back(c);
        ++i;
        if (c != '=') continue;
        std::size_t at = i;
        while (at < text.size() && text[at] == ' ') ++at;
        const std::size_t sign = at;
        if (at < text.size() && text[at] == '-') ++at;
        const std::size_t digits = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        const bool ends = at == text.size() || text[at] == ' ' || text[at] == ')' ||
                          text[at] == '\t' || text[at] == '\n';
        if (at == digits || at - digits > 18 || !ends) continue;
        std::int64_t value = 0;
        for (std::size_t d = digits; d < at; ++d) value = value * 10 + (text[d] - '0');
        shape.values.push_back(text[sign] == '-' ? -value : value);
        shape.text.append(text.substr(i, sign - i));
        shape.text.push_back('?');
        i = at;
    }
    return !shape.values.empty();
}

// The idle statement of text, now handed out; null when there is none.
sqlite3_stmt* TakeIdle(Connection& connection, std::string_view text) {
    for (Kept& kept : connection.kept) {
        if (kept.busy || kept.text != text) continue;
        kept.busy = true;
        kept.used = ++connection.clock;
        --connection.idle;
        return kept.stmt;
    }
    return nullptr;
}

// Records a statement prepared for a Prepare as handed out. May throw bad_alloc.
void HandOut(Connection& connection, sqlite3_stmt* stmt) {
    const char* text = sqlite3_sql(stmt);
    connection.kept.push_back(Kept{text ? text : "", stmt, true, ++connection.clock});
}

// Prepares (or takes the kept statement of) the shape and binds its values.
int PrepareShape(sqlite3* db, Connection& connection, const Shape& shape, sqlite3_stmt** stmt) {
    *stmt = TakeIdle(connection, shape.text);
    if (*stmt == nullptr) {
        const int rc = sqlite3_prepare_v2(db, shape.text.c_str(),
                                          static_cast<int>(shape.text.size()), stmt, nullptr);
        if (rc != SQLITE_OK || *stmt == nullptr) return rc;
        HandOut(connection, *stmt);
    }
    for (std::size_t v = 0; v < shape.values.size(); ++v) {
        const int rc = sqlite3_bind_int64(*stmt, static_cast<int>(v + 1), shape.values[v]);
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

// Takes the entry of stmt out of the connection's records; false when it has none.
bool Drop(Connection& connection, sqlite3_stmt* stmt) {
    const auto found = std::find_if(connection.kept.begin(), connection.kept.end(),
                                    [stmt](const Kept& kept) { return kept.stmt == stmt; });
    if (found == connection.kept.end()) return false;
    if (!found->busy) --connection.idle;
    connection.kept.erase(found);
    return true;
}

}  // namespace

int Prepare(sqlite3* db, const char* text, int size, sqlite3_stmt** stmt, const char** tail) {
    *stmt = nullptr;
    const std::string_view wanted(text,
                                  size < 0 ? std::strlen(text) : static_cast<std::size_t>(size));
    std::lock_guard<std::mutex> lock(g_lock);
    Connection* connection = nullptr;
    try {
        connection = &Connections()[db];
        if ((*stmt = TakeIdle(*connection, wanted)) != nullptr) {
            if (tail) *tail = text + wanted.size();
            return SQLITE_OK;
        }
        thread_local Shape shape;  // kept to spare its allocations
        if (ShapeOf(wanted, shape)) {
            const int rc = PrepareShape(db, *connection, shape, stmt);
            if (rc == SQLITE_OK && *stmt != nullptr) {
                if (tail) *tail = text + wanted.size();
                return rc;
            }
            if (*stmt != nullptr) {
                Drop(*connection, *stmt);
                sqlite3_finalize(*stmt);
                *stmt = nullptr;
            }
            // Not compiled as a shape: the text itself is prepared (and reports its error).
        }
    } catch (const std::bad_alloc&) {
        // No room to keep it: prepared as usual below and finalised on release.
        if (*stmt != nullptr) {
            sqlite3_finalize(*stmt);
            *stmt = nullptr;
        }
        connection = nullptr;
    }
    const int rc = sqlite3_prepare_v2(db, text, size, stmt, tail);
    if (rc == SQLITE_OK && *stmt != nullptr && connection != nullptr) {
        try {
            HandOut(*connection, *stmt);
        } catch (const std::bad_alloc&) {
            // Not recorded: finalised on release.
        }
    }
    return rc;
}

void Release(sqlite3_stmt* stmt, bool keep) {
    if (stmt == nullptr) return;
    sqlite3* db = sqlite3_db_handle(stmt);
    std::lock_guard<std::mutex> lock(g_lock);
    const auto found = Connections().find(db);
    Connection* connection = found == Connections().end() ? nullptr : &found->second;
    Kept* entry = nullptr;
    if (connection != nullptr) {
        for (Kept& kept : connection->kept) {
            if (kept.stmt == stmt && kept.busy) entry = &kept;
        }
    }
    if (entry == nullptr) {  // not prepared here, or its connection was forgotten
        sqlite3_finalize(stmt);
        return;
    }
    const bool schema = ChangesSchema(entry->text);
    // sqlite3_sql gives the text up to the end of the first statement: a text with more
    // statements after it (or trailing blanks) is not found again under that key.
    const bool twice = std::any_of(
        connection->kept.begin(), connection->kept.end(),
        [entry](const Kept& other) { return !other.busy && other.text == entry->text; });
    if (!keep || schema || twice) {  // twice: a text that was open twice at once
        Drop(*connection, stmt);
        sqlite3_finalize(stmt);
        if (schema) FinalizeIdle(*connection);
        return;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    entry->busy = false;
    entry->used = ++connection->clock;
    if (++connection->idle > kStatementsPerConnection) {
        Kept* oldest = nullptr;
        for (Kept& kept : connection->kept) {
            if (!kept.busy && (oldest == nullptr || kept.used < oldest->used)) oldest = &kept;
        }
        sqlite3_stmt* evicted = oldest->stmt;
        Drop(*connection, evicted);
        sqlite3_finalize(evicted);
    }
}

void Forget(sqlite3* db) {
    std::lock_guard<std::mutex> lock(g_lock);
    const auto connection = Connections().find(db);
    if (connection == Connections().end()) return;
    FinalizeIdle(connection->second);
    Connections().erase(connection);
}

}  // namespace statementcache

#include "platform/StatementCache.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <list>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace statementcache {
namespace {

struct Kept {
    std::string text;
    sqlite3_stmt* stmt;
};

struct Connection {
    std::list<Kept> idle;                         // most recently used first
    std::unordered_set<sqlite3_stmt*> handedOut;  // prepared here and not yet given back
};

std::mutex g_lock;
std::unordered_map<sqlite3*, Connection>& Connections() {
    static auto* connections = new std::unordered_map<sqlite3*, Connection>;
    return *connections;
}

void FinalizeIdle(Connection& connection) {
    for (Kept& kept : connection.idle) sqlite3_finalize(kept.stmt);
    connection.idle.clear();
}

// CREATE, ALTER and DROP change what kept statements were compiled against.
bool ChangesSchema(const char* text) {
    if (text == nullptr) return false;
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    for (const char* word : {"create", "alter", "drop"}) {
        const std::size_t n = std::strlen(word);
        if (strncasecmp(text, word, n) == 0) return true;
    }
    return false;
}

}  // namespace

int Prepare(sqlite3* db, const char* text, int size, sqlite3_stmt** stmt, const char** tail) {
    *stmt = nullptr;
    const std::string_view wanted(text,
                                  size < 0 ? std::strlen(text) : static_cast<std::size_t>(size));
    try {
        std::lock_guard<std::mutex> lock(g_lock);
        Connection& connection = Connections()[db];
        const auto found = std::find_if(connection.idle.begin(), connection.idle.end(),
                                        [&](const Kept& kept) { return kept.text == wanted; });
        if (found != connection.idle.end()) {
            connection.handedOut.insert(found->stmt);
            *stmt = found->stmt;
            if (tail) *tail = text + wanted.size();
            connection.idle.erase(found);
            return SQLITE_OK;
        }
        const int rc = sqlite3_prepare_v2(db, text, size, stmt, tail);
        if (rc == SQLITE_OK && *stmt) connection.handedOut.insert(*stmt);
        return rc;
    } catch (const std::bad_alloc&) {
        // No room to keep it: prepared as usual and finalised on release.
        return sqlite3_prepare_v2(db, text, size, stmt, tail);
    }
}

void Release(sqlite3_stmt* stmt, bool keep) {
    if (stmt == nullptr) return;
    sqlite3* db = sqlite3_db_handle(stmt);
    const char* text = sqlite3_sql(stmt);
    std::lock_guard<std::mutex> lock(g_lock);
    const auto connection = Connections().find(db);
    const bool ours = connection != Connections().end() && connection->second.handedOut.erase(stmt);
    const bool schema = ours && ChangesSchema(text);
    if (schema) FinalizeIdle(connection->second);
    // sqlite3_sql gives the text up to the end of the first statement: a text with more
    // statements after it (or trailing blanks) is not found again under that key.
    if (!ours || !keep || text == nullptr || schema) {
        sqlite3_finalize(stmt);
        return;
    }
    auto& idle = connection->second.idle;
    const bool kept = std::any_of(idle.begin(), idle.end(),
                                  [text](const Kept& other) { return other.text == text; });
    if (kept) {  // a second statement of a text that was open twice at once
        sqlite3_finalize(stmt);
        return;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    try {
        idle.push_front(Kept{text, stmt});
        if (idle.size() > kStatementsPerConnection) {
            sqlite3_finalize(idle.back().stmt);
            idle.pop_back();
        }
    } catch (const std::bad_alloc&) {
        sqlite3_finalize(stmt);
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

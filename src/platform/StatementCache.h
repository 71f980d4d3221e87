// Prepared statements kept per connection for reuse, keyed by their exact text, so that the
// texts a program runs again and again (BEGIN, COMMIT, the "where 1=0" query of a new record,
// the INSERT it builds) are compiled once. A DELETE or UPDATE that differs from a kept one
// only in the integers written after "=" shares its statement, the integers bound in their
// places. Only a text that is one whole statement is kept; at most kStatementsPerConnection
// idle statements per connection, the least recently used going first. A statement that
// changes the schema drops the connection's statements.
#pragma once

#include <cstddef>

struct sqlite3;
struct sqlite3_stmt;

namespace statementcache {

constexpr std::size_t kStatementsPerConnection = 24;

// As sqlite3_prepare_v2 (returns its result code, sets *stmt and *tail), but hands out a kept
// statement of the same text (reset, bindings cleared) when there is one.
int Prepare(sqlite3* db, const char* text, int size, sqlite3_stmt** stmt, const char** tail);

// Gives back a statement from Prepare: kept for the next Prepare of its text, or finalised
// (when keep is false, its text is not a whole statement, or its connection was forgotten).
void Release(sqlite3_stmt* stmt, bool keep = true);

// Finalises the statements kept for db; call before the connection closes.
void Forget(sqlite3* db);

}  // namespace statementcache

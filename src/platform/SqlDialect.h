// The SQL texts of the library and how they reach each engine. Statements are written once,
// in the SQLite spelling the schema file uses; the PostgreSQL connection passes every text
// through TranslateForPostgres first. Nothing else rewrites statements.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Export.h"

// One word, quoted identifier, literal or punctuation mark of a statement.
struct SqlToken {
    enum Kind { kWord, kIdentifier, kLiteral, kOther } kind;
    std::string_view text;
    std::size_t offset;
};

// Splits a statement into tokens; white space and comments are dropped.
std::vector<SqlToken> TokenizeSql(std::string_view sql);
// The first token of a statement, without splitting the rest; none for an empty text.
std::optional<SqlToken> FirstSqlToken(std::string_view sql);

bool EqualsNoCase(std::string_view a, std::string_view b);
// `name` between double quotes, a double quote in it doubled.
std::string QuoteSqlIdentifier(std::string_view name);
bool IsSqlKeyword(const SqlToken& t, std::string_view keyword);

// True for a statement that ends the open transaction: COMMIT, END or ROLLBACK (not ROLLBACK
// TO a savepoint), in any letter case.
bool IsTransactionEnd(std::string_view sql);

// A plain single-table SELECT: a select list without calls or DISTINCT, FROM one table,
// then nothing or WHERE / ORDER BY, and no JOIN, GROUP BY or compound operator anywhere.
struct SingleTableSelect {
    std::string table;       // as written, brackets included
    std::size_t fromOffset;  // where the FROM keyword starts
};
std::optional<SingleTableSelect> FindSingleTableSelect(std::string_view sql);

// The PostgreSQL text of a statement. Identifiers are case-insensitive on both engines: on
// PostgreSQL they are all kept in lower case, so [Name], "Name" and `Name` become "name"
// (unquoted names fold by themselves). The zero character that SqlEscape splices in as
// char(0) becomes '' (PostgreSQL text cannot hold it: the character is dropped). In CREATE
// and ALTER statements the column types follow kPostgresTypes. BEGIN IMMEDIATE / EXCLUSIVE
// / DEFERRED become BEGIN, ifnull becomes coalesce, a || b becomes a || '' || b (SQLite
// joins any two values as text), PRAGMA query_only = N sets default_transaction_read_only,
// and sqlite_master becomes a view of the tables of the current schema (type, name).
NAMEOBJECT_API std::string TranslateForPostgres(std::string_view sql);

// The schema's type spellings on PostgreSQL, in the order they are tried (a longer phrase
// before the word it starts with): SQLite spelling -> PostgreSQL spelling.
struct SqlTypeSpelling {
    std::string_view sqlite;
    std::string_view postgres;
};
extern const SqlTypeSpelling kPostgresTypes[];
extern const std::size_t kPostgresTypeCount;

// The spelling a name has in the schema file or in `sql` when `lowerName` (as PostgreSQL
// reports a column) is one of them ignoring case; otherwise lowerName itself.
NAMEOBJECT_API std::string RestoreIdentifierCase(const std::string& lowerName,
                                                 std::string_view sql);

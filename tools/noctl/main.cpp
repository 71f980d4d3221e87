// noctl: command-line tool for an installation database.
//
//   noctl --db PATH init [--server-no N --server-mask M]   create the database and its schema
//   noctl --db PATH info                                    version, connection, tables and rows

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Database.h"
#include "platform/DebugOutput.h"
#include "platform/StringFormat.h"
#include "platform/Version.h"

namespace {

// The library's last diagnostic line: the database layer writes the engine's error there.
std::string g_lastDiagnostic;

int Fail(const std::string& message) {
    std::fprintf(stderr, "noctl: %s\n", message.c_str());
    if (!g_lastDiagnostic.empty()) std::fprintf(stderr, "  %s", g_lastDiagnostic.c_str());
    DisconnectDatabase();
    return 1;
}

int Connect(const std::string& connection) {
    if (ConnectDatabase(connection)) return 0;
    return Fail("cannot open the installation database \"" + connection + "\"");
}

// A table name as an SQL identifier, whatever characters it holds.
std::string QuoteName(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The file a connection string names, or empty for an in-memory database.
std::string FileOf(const std::string& connection) {
    const std::string path =
        connection.rfind("sqlite:", 0) == 0 ? connection.substr(7) : connection;
    return path == ":memory:" ? std::string() : path;
}

int RunInit(const std::string& connection, std::optional<std::uint32_t> serverNo,
            std::optional<std::uint32_t> serverMask) {
    if (serverNo.has_value() != serverMask.has_value()) {
        return Fail("--server-no and --server-mask go together");
    }
    if (int rc = Connect(connection)) return rc;
    CADODatabase* db = GetDatabase();
    if (serverNo) {
        // The server's identity is one row; init replaces whatever was there.
        const std::string insert =
            StrPrintf("INSERT INTO ServerOption(nServerNO, nServerMask) VALUES(%d, %d)",
                      static_cast<int>(*serverNo), static_cast<int>(*serverMask));
        if (!db->BeginTransaction() || !db->Execute("DELETE FROM ServerOption") ||
            !db->Execute(insert) || !db->CommitTransaction()) {
            return Fail("cannot write the server option");
        }
    }
    std::printf("initialised %s\n", connection.c_str());
    DisconnectDatabase();
    return 0;
}

int RunInfo(const std::string& connection) {
    // Reading must not create a database where there was none.
    const std::string file = FileOf(connection);
    std::error_code ec;
    if (!file.empty() && !std::filesystem::is_regular_file(file, ec)) {
        return Fail("no installation database at \"" + file + "\"");
    }
    if (int rc = Connect(connection)) return rc;
    CADODatabase* db = GetDatabase();
    std::printf("nameobject %s\n", NameObjectVersion());
    std::printf("connection: %s\n", db->GetConnectionString().c_str());

    std::vector<std::string> tables;
    {
        CADORecordset rs(db);
        if (!rs.Open("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                     "'sqlite_%' ORDER BY name")) {
            return Fail("cannot list the tables");
        }
        for (; !rs.IsEOF(); rs.MoveNext()) {
            CString name;
            rs.GetFieldValue(0, name);
            tables.push_back(name.ToUtf8());
        }
    }
    std::printf("tables:\n");
    for (const std::string& table : tables) {
        CADORecordset rs(db);
        std::int64_t count = 0;
        if (!rs.Open("SELECT count(*) FROM " + QuoteName(table)) || !rs.GetFieldValue(0, count)) {
            return Fail("cannot count the rows of " + table);
        }
        std::printf("  %-24s %lld\n", table.c_str(), static_cast<long long>(count));
    }
    DisconnectDatabase();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"noctl: command-line tool for a nameobject installation database"};
    app.require_subcommand(1);

    std::string connection;
    app.add_option("--db", connection,
                   "installation database: a path, sqlite:PATH or sqlite::memory:")
        ->required();

    std::optional<std::uint32_t> serverNo;
    std::optional<std::uint32_t> serverMask;
    CLI::App* init = app.add_subcommand("init", "create the database with the whole schema");
    init->add_option("--server-no", serverNo, "server number to store in ServerOption");
    init->add_option("--server-mask", serverMask, "server mask to store in ServerOption");

    CLI::App* info =
        app.add_subcommand("info", "print the version, the connection and each table's rows");

    CLI11_PARSE(app, argc, argv);
    SetDebugOutputSink([](const CString& line) { g_lastDiagnostic = line.ToUtf8(); });

    if (init->parsed()) return RunInit(connection, serverNo, serverMask);
    if (info->parsed()) return RunInfo(connection);
    return Fail("no command");
}

// What the benchmark programs share: a count of operator-new calls (the allocation figures)
// and the paths of the installation they build in the temp directory.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "nameobject.h"

namespace bench {

// Calls of the global operator new since the program started.
std::size_t Allocations();

// Live operator-new blocks by malloc chunk size: entry i counts chunks of 16 * i bytes (the
// request plus malloc's 8-byte header, rounded up to 16, at least 32); the last entry counts
// every larger chunk. Kept only after TrackLiveBlocks() (called before any thread starts and
// before the first allocation to be counted; it slows every allocation).
inline constexpr std::size_t kChunkClasses = 65;
using LiveBlocks = std::array<long, kChunkClasses>;
void TrackLiveBlocks();
LiveBlocks LiveByChunk();

inline std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

inline std::string InstallationDir() { return TempPath("nameobject-bench-installation") + "/"; }

// The PostgreSQL server the benchmarks run against (NAMEOBJECT_BENCH_PG, a URL ending in
// "/DBNAME", set by scripts/bench --pg); empty for SQLite files in the temp directory.
inline std::string PostgresServer() {
    const char* url = std::getenv("NAMEOBJECT_BENCH_PG");
    return url ? url : "";
}

// The URL of database `name` on that server.
inline std::string PostgresUrl(const std::string& name) {
    const std::string server = PostgresServer();
    return server.substr(0, server.rfind('/') + 1) + name;
}

// Runs a statement on the server's own database (CREATE / DROP / ALTER DATABASE); returns
// the number of rows of a query, 0 for other statements, -1 on failure.
inline int OnPostgresServer(const std::string& sql) {
    CADODatabase db;
    if (!db.Open(PostgresServer())) return -1;
    CADORecordset rs(&db);
    if (!rs.Open(sql)) return -1;
    int rows = 0;
    for (; !rs.IsEOF(); rs.MoveNext()) ++rows;
    return rows;
}

inline bool PostgresDatabaseExists(const std::string& name) {
    return OnPostgresServer("select 1 from pg_database where datname = '" + name + "'") > 0;
}

// A new, empty database `name` on the server (dropped first when it exists); its URL.
inline std::string FreshPostgresDatabase(const std::string& name) {
    OnPostgresServer("DROP DATABASE IF EXISTS " + name);
    OnPostgresServer("CREATE DATABASE " + name);
    return PostgresUrl(name);
}

// An access object as the installations of the benchmarks hold them: named, described, two
// attribute values and two properties.
inline std::shared_ptr<CAccessObject> Door(int i) {
    auto o = std::static_pointer_cast<CAccessObject>(CreateNewObject(CAccessObject::kClassID));
    o->SetFullName(CString::FromUtf8("object " + std::to_string(i)));
    o->SetDescription(u"a door of the building");
    o->AddAttribute(1, 0x07001001);
    o->AddAttribute(2, static_cast<std::uint32_t>(i));
    o->SetProperty(3, 1, _variant_t(i));
    o->SetProperty(3, 2, _variant_t(u"label"));
    return o;
}

}  // namespace bench

// Start-up load against a plain scan of the same rows.
//
// For N objects (areas, containers with members, access objects with attributes and
// properties) an installation database is built once. Then, each in a fresh process (the
// bulk loader runs once per process):
//   StartupSequence/N  InitAllClassInfo, InitLocalObjectID, InitAllObject, InitContainer,
//                      InitAllObjectRelation;
//   PlainScan/N        the sqlite3 C API (libpq on PostgreSQL) reading the same columns of
//                      every NameObject row and doing nothing with them.
// Counters of StartupSequence: each phase's milliseconds, and resident anonymous bytes and
// operator-new calls per loaded object.
// N is 10,000 and 100,000; --large adds 1,000,000 (building that database takes minutes).
// --breakdown [N] instead loads N objects (default 100,000) once and prints where their bytes
// go (see PrintBreakdown).
// With NAMEOBJECT_BENCH_PG the databases are databases of that PostgreSQL server.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "BenchSupport.h"
#include "core/NameObjectRow.h"
#include "nameobject.h"
#include "platform/SqlDialect.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string DatabaseName(int n) { return "nameobject_bench_v2_" + std::to_string(n); }

std::string DatabasePath(int n) {
    if (!bench::PostgresServer().empty()) return bench::PostgresUrl(DatabaseName(n));
    return bench::TempPath("nameobject-bench-v2-" + std::to_string(n) + ".db");
}

using bench::InstallationDir;

template <class T>
std::shared_ptr<T> New() {
    return std::dynamic_pointer_cast<T>(T::CreateObj());
}

// Builds the installation database of n objects, once per machine (kept in the temp dir).
void BuildInstallation(int n) {
    const std::string path = DatabasePath(n);
    // Built by an earlier run of this program; delete the file (drop the database) to
    // rebuild it.
    const bool postgres = !bench::PostgresServer().empty();
    if (postgres ? bench::PostgresDatabaseExists(DatabaseName(n)) : std::filesystem::exists(path)) {
        return;
    }
    const pid_t child = fork();
    if (child == 0) {
        std::filesystem::create_directories(InstallationDir() + "Config");
        const std::string building = DatabaseName(n) + "_building";
        const std::string tmp =
            postgres ? bench::FreshPostgresDatabase(building) : path + ".building";
        if (!postgres) std::filesystem::remove(tmp);
        if (!ConnectDatabase(tmp)) _exit(1);
        // A server of its own slice, as in an installation: number 0x01000000, mask 0xFF000000.
        GetDatabase()->Execute(
            "insert into ServerOption(nServerNO, nServerMask) values (16777216, -16777216)");
        if (!InitAllClassInfo(CString::FromUtf8(InstallationDir()))) _exit(1);
        InitLocalObjectID();
        CADODatabase* db = GetDatabase();
        db->BeginTransaction();
        const int areas = std::max(1, n / 100), containers = std::max(1, n / 100);
        std::vector<std::shared_ptr<CArea>> areaList;
        std::vector<std::shared_ptr<CContainer>> containerList;
        for (int i = 0; i < areas; ++i) {
            auto a = New<CArea>();
            a->SetFullName(CString::FromUtf8("area " + std::to_string(i)));
            CNameObject::InsertObject(a);
            areaList.push_back(a);
        }
        for (int i = 0; i < containers; ++i) {
            auto c = New<CContainer>();
            c->SetFullName(CString::FromUtf8("group " + std::to_string(i)));
            CNameObject::InsertObject(c);
            containerList.push_back(c);
        }
        for (int i = areas + containers; i < n; ++i) {
            auto o = bench::Door(i);
            o->GetAreaID().insert(areaList[i % areas]->GetID());
            CNameObject::InsertObject(o);
            containerList[i % containers]->AddObject(o, 1);
        }
        db->CommitTransaction();
        DestroyAllObject();
        DisconnectDatabase();
        if (!postgres) std::filesystem::rename(tmp, path);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    // Renamed once the child's connections (the ID counter keeps one of its own) are gone.
    if (postgres && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        const std::string building = DatabaseName(n) + "_building";
        bench::OnPostgresServer("ALTER DATABASE " + building + " RENAME TO " + DatabaseName(n));
    }
}

// Resident memory that is not file-backed: the objects, without the mapped database pages.
long ResidentBytes() {
    long pages = 0, resident = 0, shared = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident >> shared;
    return (resident - shared) * sysconf(_SC_PAGESIZE);
}

struct Measure {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system time of the process, steadier on a shared machine
    double bytesPerObject = 0;
    double allocationsPerObject = 0;
    double phaseMs[4] = {};  // class info + IDs, InitAllObject, InitContainer, relations
};

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs fn in a fresh process and returns what it measured, with the process's CPU time.
template <class Fn>
Measure InChild(Fn fn) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const double cpuBefore = CpuSeconds();
        Measure m = fn();
        m.cpuSeconds = CpuSeconds() - cpuBefore;
        (void)!write(fds[1], &m, sizeof m);
        _exit(0);
    }
    close(fds[1]);
    Measure m;
    (void)!read(fds[0], &m, sizeof m);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return m;
}

void StartupSequence(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    BuildInstallation(n);
    Measure last;
    double cpuMs = 0;
    for (auto _ : state) {
        Measure m = InChild([n] {
            const long before = ResidentBytes();
            const std::size_t allocationsBefore = bench::Allocations();
            Measure r;
            const auto start = Clock::now();
            auto lap = start;
            auto phase = [&r, &lap](int index) {
                const auto now = Clock::now();
                r.phaseMs[index] = std::chrono::duration<double, std::milli>(now - lap).count();
                lap = now;
            };
            ConnectDatabase(DatabasePath(n));
            InitAllClassInfo(CString::FromUtf8(InstallationDir()));
            InitLocalObjectID();
            phase(0);
            InitAllObject();
            phase(1);
            InitContainer(nullptr, nullptr);
            phase(2);
            InitAllObjectRelation();
            phase(3);
            r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            r.bytesPerObject = static_cast<double>(ResidentBytes() - before) / n;
            r.allocationsPerObject =
                static_cast<double>(bench::Allocations() - allocationsBefore) / n;
            return r;
        });
        state.SetIterationTime(m.seconds);
        cpuMs += m.cpuSeconds * 1000 / static_cast<double>(state.max_iterations);
        last = m;
    }
    state.counters["cpu_ms"] = cpuMs;
    state.counters["bytes_per_object"] = last.bytesPerObject;
    state.counters["allocations_per_object"] = last.allocationsPerObject;
    static const char* const kPhases[] = {"classes_ms", "objects_ms", "containers_ms",
                                          "relations_ms"};
    for (int i = 0; i < 4; ++i) state.counters[kPhases[i]] = last.phaseMs[i];
}

void PlainScan(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    BuildInstallation(n);
    double cpuMs = 0;
    for (auto _ : state) {
        Measure m = InChild([n] {
            const auto start = Clock::now();
            if (!bench::PostgresServer().empty()) {
                PGconn* conn = PQconnectdb(DatabasePath(n).c_str());
                PGresult* rows =
                    PQexec(conn, TranslateForPostgres(NameObjectRow::SelectAll()).c_str());
                long long sink = 0;
                for (int r = 0; r < PQntuples(rows); ++r) {
                    for (int c = 0; c < NameObjectRow::kColumnCount; ++c) {
                        sink += PQgetlength(rows, r, c) + (PQgetvalue(rows, r, c) != nullptr);
                    }
                }
                benchmark::DoNotOptimize(sink);
                PQclear(rows);
                PQfinish(conn);
                Measure r;
                r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
                return r;
            }
            sqlite3* db = nullptr;
            sqlite3_open_v2(DatabasePath(n).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(db, NameObjectRow::SelectAll().c_str(), -1, &stmt, nullptr);
            long long sink = 0;
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                for (int c = 0; c < NameObjectRow::kColumnCount; ++c) {
                    const int type = sqlite3_column_type(stmt, c);
                    if (type == SQLITE_BLOB) {
                        sink += sqlite3_column_bytes(stmt, c) +
                                (sqlite3_column_blob(stmt, c) != nullptr);
                    } else if (type == SQLITE_TEXT) {
                        sink += sqlite3_column_bytes(stmt, c) +
                                (sqlite3_column_text(stmt, c) != nullptr);
                    } else {
                        sink += sqlite3_column_int64(stmt, c);
                    }
                }
            }
            benchmark::DoNotOptimize(sink);
            sqlite3_finalize(stmt);
            sqlite3_close(db);
            Measure r;
            r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            return r;
        });
        state.SetIterationTime(m.seconds);
        cpuMs += m.cpuSeconds * 1000 / static_cast<double>(state.max_iterations);
    }
    state.counters["cpu_ms"] = cpuMs;
}

// --breakdown: loads n objects once (in this process) and prints the live operator-new
// blocks each phase leaves, per loaded object, by malloc chunk size.
//
// Where the 1,573 resident bytes of a loaded access object go (100,000 objects, 64-bit
// glibc: a chunk is the request plus an 8-byte header, rounded up to 16, at least 32; a
// std::map / std::set node is 32 bytes of links and colour before its value):
//   InitAllObject (12.0 calls, 12.0 live blocks)
//     object and control block, one make_shared block: 456 + 16 -> chunk 480       480
//       (CNameObject 336: five vtable pointers of CObject and the facets 40, the weak
//        self-pointer 16, attribute and property maps 2 x 48, extension data 16, three
//        CString 3 x 32, two COleDateTime 2 x 16, the lazy image map 8, six words 24 and
//        padding 8;
//        CAccessObject adds the container vector 24 and the area-ID and area sets 2 x 48)
//     attributes: 2 class nodes (32 + 8 + set 48 = 88 -> 96), 2 value nodes (40 -> 48) 288
//     properties: 1 class node (88 -> 96), 2 key nodes (32 + 8 + _variant_t 48 -> 96)  288
//     area-ID set node of the rest data (40 -> 48)                                      48
//     names beyond the 7 code units a u16string keeps inline: full name "object NNNNN"
//       (26 B -> 48), description (46 B -> 64)                                          112
//     the store's ID-map node (32 + 8 + shared_ptr 16 = 56 -> 64)                         64
//   InitContainer (1.96 calls, all live)
//     the member's container vector, one shared_ptr (16 -> 32)                           32
//     the container's member-map node (32 + key 16 + shared_ptr 16 = 64 -> 80)          80
//   InitAllObjectRelation (1.96 calls, all live)
//     the area set node (32 + shared_ptr 16 = 48 -> 64)                                  64
//     the area's member-map node (64 -> 80)                                              80
//   chunks in all: 15.9 blocks                                                        1,528
//   the find index: 24-byte slots (key, weak_ptr), at most 3/4 full (131,072 slots)     ~32
//   the rest: heap top and the engine's own allocations (not operator new)             ~13
// Every entry but the find index is a public type: the facet maps and the area-ID and area
// sets are handed out as live references, the store's and the containers' maps through
// views, and the names and dates are the object's declared fields. The server and class
// levels of the store maps and the relation index hold nothing per access object.
void PrintBreakdown(int n) {
    BuildInstallation(n);
    bench::TrackLiveBlocks();
    ConnectDatabase(DatabasePath(n));
    InitAllClassInfo(CString::FromUtf8(InstallationDir()));
    InitLocalObjectID();
    const long residentBefore = ResidentBytes();
    const char* const phases[] = {"InitAllObject", "InitContainer", "InitAllObjectRelation"};
    bench::LiveBlocks before = bench::LiveByChunk();
    double totalBytes = 0, totalBlocks = 0;
    for (int phase = 0; phase < 3; ++phase) {
        const std::size_t calls = bench::Allocations();
        if (phase == 0) InitAllObject();
        if (phase == 1) InitContainer(nullptr, nullptr);
        if (phase == 2) InitAllObjectRelation();
        const bench::LiveBlocks after = bench::LiveByChunk();
        std::printf("%s: %.2f operator-new calls per object; live blocks per object:\n",
                    phases[phase], static_cast<double>(bench::Allocations() - calls) / n);
        for (std::size_t i = 0; i < bench::kChunkClasses; ++i) {
            const double blocks = static_cast<double>(after[i] - before[i]) / n;
            if (blocks > -0.005 && blocks < 0.005) continue;
            const bool last = i + 1 == bench::kChunkClasses;
            std::printf("  chunk %s%4zu B  %6.3f blocks  %7.1f B\n", last ? ">" : " ",
                        last ? 16 * (i - 1) : 16 * i, blocks, blocks * 16 * i);
            totalBlocks += blocks;
            totalBytes += last ? 0 : blocks * 16 * i;
        }
        before = after;
    }
    std::printf("live blocks %.2f, %.1f B per object in chunks below 1 KiB; resident %.1f B\n",
                totalBlocks, totalBytes, static_cast<double>(ResidentBytes() - residentBefore) / n);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args;
    bool large = false;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--large") {
            large = true;
        } else if (std::string(argv[i]) == "--breakdown") {
            const int n = i + 1 < argc ? std::atoi(argv[i + 1]) : 0;
            PrintBreakdown(n > 0 ? n : 100000);
            return 0;
        } else {
            args.push_back(argv[i]);
        }
    }
    std::vector<long> sizes = {10000, 100000};
    if (large) sizes.push_back(1000000);
    for (const auto& [name, fn] :
         {std::pair{"PlainScan", &PlainScan}, {"StartupSequence", &StartupSequence}}) {
        auto* b = benchmark::RegisterBenchmark(name, fn);
        for (long n : sizes) b->Arg(n);
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

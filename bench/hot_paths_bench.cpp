// The library's hot paths, each beside a baseline measured in the same run:
//   InsertObject (autocommit, and 100 rows per transaction) against a prepared sqlite3 INSERT
//     of the same columns on a connection with the library's pragmas;
//   a frame round trip (SaveData + LoadData of every section) per class, with its operator-new
//     calls per round trip;
//   GDM_Find over 100,000 objects, random and hot keys, against an unordered_map of
//     shared_ptr;
//   COperator::HasPrivilege at containment depth 10 with 20 groups, at 1,000, 100,000 and
//     1,000,000 grants in the installation.
// Everything runs in one process on a fresh database in the temp directory (with
// NAMEOBJECT_BENCH_PG, a fresh database of that PostgreSQL server; no raw baseline then).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <unordered_map>
#include <vector>

#include "BenchSupport.h"
#include "nameobject.h"

namespace {

constexpr std::uint32_t kServerNO = 1;
const char* const kPragmas =
    "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA mmap_size=268435456; "
    "PRAGMA cache_size=-16384;";

std::string DatabasePath() { return bench::TempPath("nameobject-bench-hot.db"); }

// Connects a fresh installation database of server 1 and loads the class table, once.
void EnsureInstallation() {
    static const bool ready = [] {
        std::filesystem::remove(DatabasePath());
        std::filesystem::remove(DatabasePath() + "-wal");
        std::filesystem::remove(DatabasePath() + "-shm");
        std::filesystem::create_directories(bench::InstallationDir() + "Config");
        const bool postgres = !bench::PostgresServer().empty();
        if (!ConnectDatabase(postgres ? bench::FreshPostgresDatabase("nameobject_bench_hot")
                                      : DatabasePath())) {
            return false;
        }
        GetDatabase()->Execute("INSERT INTO ServerOption (nServerNO, nServerMask) VALUES (1, 0)");
        if (!InitAllClassInfo(CString::FromUtf8(bench::InstallationDir()))) return false;
        InitLocalObjectID();
        return true;
    }();
    if (!ready) std::abort();
}

template <class T>
std::shared_ptr<T> New(std::uint32_t id = 0) {
    auto object = std::static_pointer_cast<T>(CreateNewObject(T::kClassID));
    if (id != 0) {
        object->SetID(id);
        object->SetServerNO(kServerNO);
    }
    return object;
}

// ---- InsertObject ------------------------------------------------------------------

void InsertObject(benchmark::State& state) {
    EnsureInstallation();
    const int batch = static_cast<int>(state.range(0));
    int i = 0;
    for (auto _ : state) {
        if (batch > 1) GetDatabase()->BeginTransaction();
        for (int k = 0; k < batch; ++k) {
            auto o = bench::Door(++i);
            if (CNameObject::InsertObject(o) != 0) state.SkipWithError("InsertObject failed");
        }
        if (batch > 1) GetDatabase()->CommitTransaction();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void RawInsert(benchmark::State& state) {
    EnsureInstallation();
    if (!bench::PostgresServer().empty()) {
        state.SkipWithError("the SQLite baseline");
        return;
    }
    const int batch = static_cast<int>(state.range(0));
    sqlite3* db = nullptr;
    sqlite3_open(DatabasePath().c_str(), &db);
    sqlite3_exec(db, kPragmas, nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO NameObject (nClassID, nID, nServerNO, nAttr, strName, "
                       "strFullName, strDescription, dtCreateTime, dtModifyTime, nVersion, "
                       "varData, varDvPtData, ObjectAttribute, ObjectProperty) "
                       "VALUES (?, ?, ?, 0, '', ?, 'a door of the building', "
                       "'2026-12-06 05:00:00.000', '2026-12-06 05:00:00.000', ?, ?, NULL, ?, ?)",
                       -1, &insert, nullptr);
    const std::vector<std::uint8_t> rest(16, 1), attributes(40, 2), properties(60, 3);
    static int i = 50000000;  // IDs stay unique across the repeated runs of this function
    for (auto _ : state) {
        if (batch > 1) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (int k = 0; k < batch; ++k) {
            const std::string name = "object " + std::to_string(++i);
            sqlite3_bind_int(insert, 1, 2);
            sqlite3_bind_int(insert, 2, i);
            sqlite3_bind_int(insert, 3, kServerNO);
            sqlite3_bind_text(insert, 4, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 5, CAccessObject::kDataVersion);
            sqlite3_bind_blob(insert, 6, rest.data(), 16, SQLITE_STATIC);
            sqlite3_bind_blob(insert, 7, attributes.data(), 40, SQLITE_STATIC);
            sqlite3_bind_blob(insert, 8, properties.data(), 60, SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE) state.SkipWithError(sqlite3_errmsg(db));
            sqlite3_reset(insert);
        }
        if (batch > 1) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    state.SetItemsProcessed(state.iterations() * batch);
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

// ---- frame round trip --------------------------------------------------------------

template <class T>
void FrameRoundTrip(benchmark::State& state) {
    EnsureInstallation();
    auto from = New<T>(7);
    from->SetFullName(u"a named object of the benchmark");
    from->SetDescription(u"its description");
    from->AddAttribute(1, 0x07001001);
    from->SetProperty(3, 1, _variant_t(5));
    auto to = New<T>(7);
    const std::size_t allocationsBefore = bench::Allocations();
    for (auto _ : state) {
        CBufferWriter writer;
        from->SaveData(writer, SECTION_ALL);
        CBufferReader reader(writer.GetData(), writer.GetLength());
        benchmark::DoNotOptimize(to->LoadData(reader, SECTION_ALL, 0));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["allocations"] =
        static_cast<double>(bench::Allocations() - allocationsBefore) / state.iterations();
    CBufferWriter frame;
    from->SaveData(frame, SECTION_ALL);
    state.counters["bytes"] = frame.GetLength();
}

// ---- GDM_Find ----------------------------------------------------------------------

constexpr int kStoredObjects = 100000;
constexpr std::uint32_t kFindClass = CAccessObject::kClassID;
// A server of their own, so that the objects the InsertObject runs filed (their IDs come from
// the counter, and how many depends on the run) do not share the find objects' index.
constexpr std::uint32_t kFindServerNO = 2;

// The keys of one pass: every stored ID in a random order, or 16 IDs over and over.
std::vector<std::uint32_t> Keys(bool hot) {
    std::vector<std::uint32_t> keys(1 << 16);
    std::mt19937 random(13);
    std::uniform_int_distribution<std::uint32_t> any(1, kStoredObjects), few(1, 16);
    for (auto& key : keys) key = 9000000 + (hot ? few(random) : any(random));
    return keys;
}

void EnsureFindObjects() {
    EnsureInstallation();
    static const bool filed = [] {
        for (std::uint32_t id = 9000001; id <= 9000000 + kStoredObjects; ++id) {
            auto object = New<CAccessObject>(id);
            object->SetServerNO(kFindServerNO);
            GDM_Add(kFindClass, id, kFindServerNO, std::move(object));
        }
        return true;
    }();
    (void)filed;
}

void Find(benchmark::State& state) {
    EnsureFindObjects();
    const std::vector<std::uint32_t> keys = Keys(state.range(0) != 0);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GDM_Find(kFindClass, keys[next++ & 0xFFFF], kFindServerNO));
    }
}

void HashMapFind(benchmark::State& state) {
    EnsureFindObjects();
    std::unordered_map<std::uint64_t, std::shared_ptr<CNameObject>> map;
    for (const auto& [id, object] : *GDM_GetMap(kFindClass, kFindServerNO)) {
        map.emplace((std::uint64_t{kFindClass} << 32) | id, object);
    }
    const std::vector<std::uint32_t> keys = Keys(state.range(0) != 0);
    std::size_t next = 0;
    for (auto _ : state) {
        const auto found = map.find((std::uint64_t{kFindClass} << 32) | keys[next++ & 0xFFFF]);
        benchmark::DoNotOptimize(found == map.end() ? nullptr : found->second);
    }
}

// ---- HasPrivilege --------------------------------------------------------------------

// An operator in 20 groups, an object 10 containers deep, the one matching grant on the
// outermost container in the last group; the other grants spread over the groups' maps.
void HasPrivilege(benchmark::State& state) {
    EnsureInstallation();
    const long grants = state.range(0);
    const std::uint32_t base = 20000000 + static_cast<std::uint32_t>(grants % 9973) * 1000;
    auto holder = New<CPrivilegeObject>(base + 1);
    holder->SetGrantedPrivileges({CPrivilegeBase::MakePrivilegeKey(7, 3)});
    GDM_Add(CPrivilegeObject::kClassID, holder->GetID(), kServerNO, holder);
    std::vector<std::shared_ptr<CContainer>> chain;
    for (int depth = 0; depth < 10; ++depth) {
        chain.push_back(New<CContainer>(base + 10 + depth));
        if (depth > 0) chain[depth - 1]->AddObject(chain[depth], 0);
    }
    auto object = New<CAccessObject>(base + 30);
    chain.back()->AddObject(object, 0);
    auto op = New<COperator>(base + 31);
    std::vector<std::shared_ptr<COperatorGroup>> groups;
    for (int g = 0; g < 20; ++g) {
        auto group = New<COperatorGroup>(base + 40 + g);
        COperatorGroup::PrivilegeMap map;
        auto& inner = map[kServerNO];
        for (long k = g; k < grants; k += 20) {
            inner.emplace((std::uint64_t{CAccessObject::kClassID} << 32) | (30000000 + k),
                          holder->GetID());
        }
        if (g == 19) inner[chain.front()->MakeClassIDAndIDKey()] = holder->GetID();
        group->SetPrivilegeObject(map);
        group->AddObject(op, 0);
        groups.push_back(group);
    }
    if (op->HasPrivilege(object, 7, 3) != 1) state.SkipWithError("the grant does not reach");
    for (auto _ : state) benchmark::DoNotOptimize(op->HasPrivilege(object, 7, 3));
    for (auto& group : groups) group->RemoveObject(op, 0);
    GDM_Remove(CPrivilegeObject::kClassID, holder->GetID(), kServerNO);
}

}  // namespace

BENCHMARK(RawInsert)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(InsertObject)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(FrameRoundTrip<CAccessObject>);
BENCHMARK(FrameRoundTrip<CContainer>);
BENCHMARK(FrameRoundTrip<CArea>);
BENCHMARK(FrameRoundTrip<COperator>);
BENCHMARK(FrameRoundTrip<COperatorGroup>);
BENCHMARK(HashMapFind)->Arg(0)->Arg(1)->MinWarmUpTime(0.5);
BENCHMARK(Find)->Arg(0)->Arg(1)->MinWarmUpTime(0.5);
BENCHMARK(HasPrivilege)->Arg(1000)->Arg(100000)->Arg(1000000);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DestroyAllObject();
    DisconnectDatabase();
    return 0;
}

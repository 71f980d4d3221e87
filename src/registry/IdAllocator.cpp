// The local ID counters and the alarm ID counter, and their row in the ObjectID table.
//
// Allocation is a compare-exchange loop: a counter never moves past its upper limit, so under
// any number of threads every ID up to the limit is handed out exactly once and the ID equal
// to the limit is the last one before the overflow flag stops allocation.
//
// On a database that several hosts share (PostgreSQL) the ObjectID row is the counter: a host
// takes a block of IDs by advancing the row under the engine's row lock (SELECT ... FOR UPDATE,
// UPDATE, COMMIT) on a connection of its own, so that the block is taken for good whatever
// becomes of the caller's transaction, and hands the block out in memory. The row only ever
// rises; IDs of a block that a host does not use before it stops are never handed out.
#include "registry/IdAllocator.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/Database.h"
#include "platform/ResultCodes.h"
#include "platform/StringFormat.h"
#include "registry/ServerIdentity.h"

namespace {

constexpr std::uint32_t kFirstPointID = 256;
constexpr std::uint32_t kLastPointID = 0x7FFFFFFF;
constexpr std::uint32_t kReservedSliceIDs = 100;  // the first IDs of the slice are never handed out
constexpr std::uint32_t kReservedPointID = 356;   // nor are point IDs up to this one
constexpr std::uint32_t kFirstSliceCounter = 0x100;
constexpr std::uint32_t kSharedBlockIDs = 100;  // IDs a host takes from a shared row at once

struct IdCounter {
    std::atomic<std::uint32_t> value{0};  // the last ID handed out; 0 before anything is known
    std::atomic<bool> overflow{false};
    const char* column;          // its column in the ObjectID row
    const char* flagColumn;      // and its overflow flag's
    std::uint32_t blockEnd = 0;  // shared row: the last ID of the block taken (g_blockLock)
};

struct IdRange {
    std::uint32_t lowest;
    std::uint32_t highest;
};

IdCounter g_objectID{{0}, {false}, "nNextObjectID", "ObjectIDOverflow"};
IdCounter g_pointID{{0}, {false}, "nNextPointID", "PointIDOverflow"};
IdCounter g_authorizationRecordID{
    {0}, {false}, "nNextAuthorizationRecordID", "AuthorizationRecordIDOverflow"};

std::mutex g_blockLock;  // block reservations on a shared row, one at a time
std::mutex g_counterConnectionLock;
std::unique_ptr<CADODatabase> g_counterConnection;  // guarded by g_counterConnectionLock

std::mutex g_alarmLock;
std::uint64_t g_alarmID = 1;  // guarded by g_alarmLock

// This server's slice: server number .. server number | ~mask.
IdRange ServerSlice() {
    const std::uint32_t serverNO = GetCurrentServerNO();
    return {serverNO, serverNO | ~GetCurrentServerMask()};
}

constexpr IdRange kPointRange{kFirstPointID, kLastPointID};

// Raises a counter to at least id: a counter that was never set starts at `start`. A counter
// at its upper limit (or beyond it, should the identity have been read after it was raised)
// has overflowed: it goes back to the start of its range and stays stopped.
std::int32_t RaiseCounter(IdCounter& counter, const IdRange& range, std::uint32_t start,
                          std::uint32_t id) {
    if (counter.value.load() >= range.highest) {
        counter.overflow.store(true);
        counter.value.store(range.lowest);
    }
    if (counter.overflow.load()) return E_ALLOC_OBJECT_ID;
    std::uint32_t current = 0;
    counter.value.compare_exchange_strong(current, start);
    current = counter.value.load();
    while (current < id && !counter.value.compare_exchange_weak(current, id)) {
    }
    return S_SUCCESS;
}

bool IsShared(const CADODatabase* db) {
    return db != nullptr && db->GetEngine() == DatabaseEngine::PostgreSQL;
}

// The connection that writes the ObjectID row: the shared connection, or on a database several
// hosts share a connection of its own (autocommit between its units). Null when none opens.
CADODatabase* CounterConnection() {
    CADODatabase* db = GetDatabase();
    if (!IsShared(db)) return db;
    std::lock_guard<std::mutex> guard(g_counterConnectionLock);
    if (!g_counterConnection ||
        g_counterConnection->GetConnectionString() != db->GetConnectionString()) {
        auto connection = std::make_unique<CADODatabase>();
        if (!connection->Open(db->GetConnectionString())) return nullptr;
        g_counterConnection = std::move(connection);
    }
    return g_counterConnection.get();
}

// Takes the next block of the counter from the shared row and makes it the counter's. False
// when the row cannot be read or written, or the counter is at its limit (overflow set).
void WriteCounters(CADORecordset& rs);

// The counter's value in the shared row, locked for the rest of the unit; a missing row is
// written from the counters in memory first. False when it cannot be read or written.
bool LockStoredCounter(CADODatabase* db, const IdCounter& counter, int& stored) {
    const std::string sql = StrPrintf("SELECT %s FROM ObjectID FOR UPDATE", counter.column);
    for (int attempt = 0; attempt < 2; ++attempt) {
        CADORecordset rs(db);
        if (!rs.Open(sql)) return false;
        if (!rs.IsEOF()) return rs.GetFieldValue(0, stored) != 0;
        rs.Close();
        CADORecordset row(db);
        if (!row.Open("SELECT * FROM ObjectID where 1=0", 0) || !row.AddNew()) return false;
        WriteCounters(row);
        if (!row.Update()) return false;
    }
    return false;
}

bool ReserveBlock(IdCounter& counter, std::uint32_t highest) {
    CADODatabase* db = CounterConnection();
    if (db == nullptr) return false;
    CDatabaseWriteScope unit(db);
    int stored = 0;
    if (!LockStoredCounter(db, counter, stored)) return false;
    const std::uint32_t first = std::max(counter.value.load(), static_cast<std::uint32_t>(stored));
    if (first >= highest) {
        counter.overflow.store(true);
        return false;
    }
    const std::uint32_t last = first + std::min(kSharedBlockIDs, highest - first);
    if (!db->Execute(
            StrPrintf("UPDATE ObjectID SET %s = %d", counter.column, static_cast<int>(last))) ||
        !unit.Finish()) {
        return false;
    }
    counter.value.store(first);
    counter.blockEnd = last;
    return true;
}

// The next ID of the counter's block, taking a new block when it is used up.
int AllocateShared(IdCounter& counter, std::uint32_t highest, std::uint32_t* out) {
    std::lock_guard<std::mutex> guard(g_blockLock);
    if (counter.value.load() >= counter.blockEnd && !ReserveBlock(counter, highest)) return 0;
    const std::uint32_t id = counter.value.load() + 1;
    counter.value.store(id);
    if (id >= highest) counter.overflow.store(true);
    *out = id;
    return 1;
}

int AllocateNext(IdCounter& counter, std::uint32_t highest, std::uint32_t* out) {
    if (out == nullptr || counter.overflow.load()) return 0;
    if (IsShared(GetDatabase())) return AllocateShared(counter, highest, out);
    std::uint32_t current = counter.value.load();
    std::uint32_t next = 0;
    do {
        if (current >= highest) {
            counter.overflow.store(true);
            return 0;
        }
        next = current + 1;
    } while (!counter.value.compare_exchange_weak(current, next));
    if (next >= highest) counter.overflow.store(true);
    *out = next;
    return 1;
}

std::int32_t RaiseSliceCounter(IdCounter& counter, std::uint32_t id) {
    const std::uint32_t serverNO = GetCurrentServerNO();
    const std::uint32_t mask = GetCurrentServerMask();
    if ((id & mask) != serverNO) return E_ID_NOT_LOCAL;
    return RaiseCounter(counter, ServerSlice(), serverNO | (~mask & kFirstSliceCounter), id);
}

// A counter read from the ObjectID row: a stored value outside the range is ignored, and a
// greater stored value (as signed 32-bit numbers) is taken unless either value sits at the
// upper limit (the counter has wrapped).
void MergeStoredCounter(IdCounter& counter, const IdRange& range, std::uint32_t stored) {
    const std::uint32_t current = counter.value.load();
    if (stored < range.lowest || stored > range.highest) stored = current;
    if (stored == range.highest || current == range.highest) return;
    if (static_cast<std::int32_t>(stored) > static_cast<std::int32_t>(current)) {
        counter.value.store(stored);
    }
}

void ReadStoredCounter(const CADORecordset& rs, const char* column, IdCounter& counter,
                       const IdRange& range) {
    int stored = 0;
    rs.GetFieldValue(column, stored);
    MergeStoredCounter(counter, range, static_cast<std::uint32_t>(stored));
}

void ReadStoredFlag(const CADORecordset& rs, const char* column, IdCounter& counter) {
    int flag = counter.overflow.load() ? 1 : 0;
    rs.GetFieldValue(column, flag);
    counter.overflow.store(flag != 0);
}

// Writes the three counters and the three flags into the current or new record.
void WriteCounters(CADORecordset& rs) {
    for (const IdCounter* counter : {&g_objectID, &g_pointID, &g_authorizationRecordID}) {
        rs.SetFieldValue(counter->column, static_cast<int>(counter->value.load()));
        rs.SetFieldValue(counter->flagColumn, counter->overflow.load() ? 1 : 0);
    }
}

std::uint64_t CurrentAlarmID() {
    std::lock_guard<std::mutex> lock(g_alarmLock);
    return g_alarmID;
}

// Raises every counter to the highest ID already in use on this server. False when a query
// cannot be run.
bool RaiseCountersToUsedIDs(CADODatabase* db) {
    const std::uint32_t serverNO = GetCurrentServerNO();
    int maxID = 0;
    {
        CADORecordset rs(db);
        const std::string sql =
            StrPrintf("select max(nID) as NUMBER_Max from NameObject where nServerNo = %d ",
                      static_cast<int>(serverNO));
        if (rs.Open(sql, 3) == 0) return false;
        rs.GetFieldValue(0, maxID);
        SetLocalMaxObjectID(static_cast<std::uint32_t>(maxID));
    }
    {
        CADORecordset rs(db);
        const std::string sql = StrPrintf(
            "SELECT max(nSubObjectID) from Container where \t\t\t\t\t nContainerClassID = %d "
            "and \t\t\t\t\t nContainerID = %d and\t\t\t\t\t nSubClassID = %d ",
            0, static_cast<int>(GetCurrentServerID()), 0);
        if (rs.Open(sql, 3) == 0) return false;
        rs.GetFieldValue(0, maxID);
        SetLocalMaxObjectID(static_cast<std::uint32_t>(maxID));
    }
    SetLocalMaxObjectID(serverNO + kReservedSliceIDs);
    SetLocalMaxPointID(kReservedPointID);
    SetLocalMaxAuthorizationRecordID(serverNO + kReservedSliceIDs);
    return true;
}

}  // namespace

std::int32_t SetLocalMaxObjectID(std::uint32_t id) { return RaiseSliceCounter(g_objectID, id); }

std::int32_t SetLocalMaxAuthorizationRecordID(std::uint32_t id) {
    return RaiseSliceCounter(g_authorizationRecordID, id);
}

std::int32_t SetLocalMaxPointID(std::uint32_t id) {
    return RaiseCounter(g_pointID, kPointRange, kFirstPointID, id);
}

int GetLocalNextObjectID(std::uint32_t* out) {
    return AllocateNext(g_objectID, ServerSlice().highest, out);
}

int GetLocalNextPointID(std::uint32_t* out) { return AllocateNext(g_pointID, kLastPointID, out); }

int GetLocalNextAuthorizationRecordID(std::uint32_t* out) {
    return AllocateNext(g_authorizationRecordID, ServerSlice().highest, out);
}

std::uint64_t GetNextLocalAlarmID() {
    std::lock_guard<std::mutex> lock(g_alarmLock);
    return ++g_alarmID;
}

void InitLocalAlarmID(std::uint32_t low, std::uint32_t high) {
    const std::uint64_t value = static_cast<std::uint64_t>(high) << 32 | low;
    std::lock_guard<std::mutex> lock(g_alarmLock);
    if (g_alarmID < value) g_alarmID = value;
}

namespace {

// Raises the in-memory counters to the values stored in the current record.
void MergeStoredCounters(const CADORecordset& rs) {
    const IdRange slice = ServerSlice();
    ReadStoredCounter(rs, g_objectID.column, g_objectID, slice);
    ReadStoredCounter(rs, g_pointID.column, g_pointID, kPointRange);
    ReadStoredCounter(rs, g_authorizationRecordID.column, g_authorizationRecordID, slice);
}

// Takes the ObjectID row's lock for the rest of the unit, so that no other host advances it
// between our read and our write.
void LockCounterRow(CADODatabase* db) {
    db->Execute("UPDATE ObjectID SET nNextObjectID = nNextObjectID");
}

}  // namespace

int InitLocalObjectID() {
    CADODatabase* db = GetDatabase();
    if (db == nullptr || !RaiseCountersToUsedIDs(db)) return 0;
    {
        std::lock_guard<std::mutex> guard(g_blockLock);
        for (IdCounter* counter : {&g_objectID, &g_pointID, &g_authorizationRecordID}) {
            counter->blockEnd = 0;  // a block is taken at the first allocation
        }
    }

    CDatabaseWriteScope unit(db);
    LockCounterRow(db);
    CADORecordset rs(db);
    if (rs.Open("SELECT * FROM ObjectID", 0) == 0) return 0;
    if (rs.IsEOF() != 0) {
        rs.AddNew();
        WriteCounters(rs);  // the alarm counter is left unset
        if (!rs.Update()) db->ReportUnstoredWrite("InitLocalObjectID: the ObjectID row");
        return 1;
    }

    MergeStoredCounters(rs);
    ReadStoredFlag(rs, g_objectID.flagColumn, g_objectID);
    ReadStoredFlag(rs, g_pointID.flagColumn, g_pointID);
    ReadStoredFlag(rs, g_authorizationRecordID.flagColumn, g_authorizationRecordID);
    std::uint64_t storedAlarmID = 0;
    rs.GetFieldValue("nMaxAlarmID", storedAlarmID);
    InitLocalAlarmID(static_cast<std::uint32_t>(storedAlarmID),
                     static_cast<std::uint32_t>(storedAlarmID >> 32));

    rs.Edit();
    WriteCounters(rs);
    rs.SetFieldValue("nMaxAlarmID", CurrentAlarmID());
    if (!rs.Update()) db->ReportUnstoredWrite("InitLocalObjectID: the ObjectID row");
    return 1;
}

int SaveObjectIDToDatabase() {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return 0;
    if (IsShared(db)) {
        // The shared row holds the counters already (it is ahead of every host's); only the
        // alarm counter is raised.
        const auto alarmID = static_cast<long long>(CurrentAlarmID());
        return db->Execute(StrPrintf("UPDATE ObjectID SET nMaxAlarmID = %lld WHERE nMaxAlarmID "
                                     "IS NULL OR nMaxAlarmID < %lld",
                                     alarmID, alarmID))
                   ? 1
                   : 0;
    }
    CADORecordset rs(db);
    if (rs.Open("SELECT * FROM ObjectID", 0) == 0) return 0;
    if (rs.IsEOF() != 0) {
        rs.AddNew();
    } else {
        rs.Edit();
    }
    WriteCounters(rs);
    rs.SetFieldValue("nMaxAlarmID", CurrentAlarmID());
    return rs.Update() != 0 ? 1 : 0;
}

LocalIdCounters GetLocalIdCounters() {
    return {g_objectID.value.load(),
            g_pointID.value.load(),
            g_authorizationRecordID.value.load(),
            g_objectID.overflow.load(),
            g_pointID.overflow.load(),
            g_authorizationRecordID.overflow.load(),
            CurrentAlarmID()};
}

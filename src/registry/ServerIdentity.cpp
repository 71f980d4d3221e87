// This server's identity, read once from the ServerOption table.
#include "registry/ServerIdentity.h"

#include <atomic>

#include "platform/Database.h"

namespace {

// A value read from the database once; until a read succeeds it stays 0 and every call tries
// again.
struct CachedValue {
    std::atomic<bool> read{false};
    std::atomic<std::uint32_t> value{0};
};

std::uint32_t ReadOnce(CachedValue& cached, const char* sql) {
    if (cached.read.load(std::memory_order_acquire)) {
        return cached.value.load(std::memory_order_relaxed);
    }
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return cached.value.load(std::memory_order_relaxed);
    CADORecordset rs(db);
    unsigned int value = 0;
    if (rs.Open(sql, 0) != 0 && rs.IsEOF() == 0 && rs.GetFieldValue(0, value) != 0) {
        cached.value.store(value, std::memory_order_relaxed);
        cached.read.store(true, std::memory_order_release);
    }
    return cached.value.load(std::memory_order_relaxed);
}

CachedValue g_serverNO;
CachedValue g_serverMask;

}  // namespace

std::uint32_t GetCurrentServerNO() {
    return ReadOnce(g_serverNO, "SELECT nServerNO FROM ServerOption");
}

std::uint32_t GetCurrentServerMask() {
    return ReadOnce(g_serverMask, "SELECT nServerMask FROM ServerOption");
}

std::uint32_t GetCurrentServerID() {
    static const std::uint32_t serverID = GetCurrentServerNO();
    return serverID;
}

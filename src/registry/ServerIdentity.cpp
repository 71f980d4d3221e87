// This server's identity, read once from the ServerOption table, and the server options kept
// by the server object.
#include "registry/ServerIdentity.h"

#include <algorithm>
#include <atomic>

#include "core/NameObject.h"
#include "platform/Database.h"
#include "registry/ObjectStore.h"

namespace {

constexpr std::uint32_t kServerObjectClassID = 0;
constexpr std::uint32_t kAlarmDisplayTimeProperty = 0x7006001;
constexpr std::uint32_t kNeedConfirmAlarmAttribute = 0x7008001;
constexpr std::uint32_t kDefaultAlarmDisplayTime = 600;
constexpr std::uint32_t kMinAlarmDisplayTime = 10;
constexpr std::uint32_t kMaxAlarmDisplayTime = 864000;

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

std::shared_ptr<CNameObject> FindServerObject() {
    return GDM_Find(kServerObjectClassID, GetCurrentServerID(), GetCurrentServerNO());
}

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

std::uint32_t GetServerAlarmDisplayTime() {
    std::uint32_t seconds = kDefaultAlarmDisplayTime;
    if (std::shared_ptr<CNameObject> server = FindServerObject()) {
        seconds = server->GetInt32Property(kServerObjectClassID, kAlarmDisplayTimeProperty,
                                           kDefaultAlarmDisplayTime);
    }
    return std::clamp(seconds, kMinAlarmDisplayTime, kMaxAlarmDisplayTime);
}

int GetServerNeedConfirmAlarm() {
    std::shared_ptr<CNameObject> server = FindServerObject();
    return server ? server->TestAttribute(kServerObjectClassID, kNeedConfirmAlarmAttribute) : 0;
}

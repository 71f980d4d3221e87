// The two server options kept by the server object (class 0) of this server.
#include <algorithm>

#include "core/NameObject.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"

namespace {

constexpr std::uint32_t kServerObjectClassID = 0;
constexpr std::uint32_t kAlarmDisplayTimeProperty = 0x7006001;
constexpr std::uint32_t kNeedConfirmAlarmAttribute = 0x7008001;
constexpr std::uint32_t kDefaultAlarmDisplayTime = 600;
constexpr std::uint32_t kMinAlarmDisplayTime = 10;
constexpr std::uint32_t kMaxAlarmDisplayTime = 864000;

std::shared_ptr<CNameObject> FindServerObject() {
    return GDM_Find(kServerObjectClassID, GetCurrentServerID(), GetCurrentServerNO());
}

}  // namespace

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

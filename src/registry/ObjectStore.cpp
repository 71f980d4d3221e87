// The three object stores (main, LocalPoint, ThirdPartyPoint): one store type, three
// process-wide instances.
#include "registry/ObjectStore.h"

#include "platform/DebugOutput.h"
#include "registry/ServerIdentity.h"

namespace {

class ObjectStore {
public:
    explicit ObjectStore(const char16_t* duplicateLine) : m_duplicateLine(duplicateLine) {}
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    // The objects go while the (then empty) map is still there, so that an object's
    // destructor that looks into the store finds a valid, empty store.
    ~ObjectStore() {
        ObjectServerMap doomed;
        doomed.swap(m_servers);
    }

    void Add(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
             std::shared_ptr<CNameObject> object) {
        ObjectIDMap& ids = m_servers[serverNO][classID];
        // Loading files IDs mostly in ascending order: a new greatest ID goes in at the end.
        if (ids.empty() || ids.rbegin()->first < id) {
            ids.emplace_hint(ids.end(), id, std::move(object));
            return;
        }
        // An ID already filed keeps its object.
        if (!ids.try_emplace(id, std::move(object)).second) OutputDebugStringW(m_duplicateLine);
    }

    std::shared_ptr<CNameObject> Remove(std::uint32_t classID, std::uint32_t id,
                                        std::uint32_t serverNO) {
        ObjectIDMap* ids = FindIDMap(classID, serverNO);
        if (ids == nullptr) return nullptr;
        const auto entry = ids->find(id);
        if (entry == ids->end()) return nullptr;
        std::shared_ptr<CNameObject> object = std::move(entry->second);
        ids->erase(entry);
        return object;
    }

    // The named server first, then the others in ascending server number.
    std::shared_ptr<CNameObject> Find(std::uint32_t classID, std::uint32_t id,
                                      std::uint32_t serverNO) const {
        if (auto object = FindOn(classID, id, serverNO)) return object;
        for (const auto& [otherServer, classes] : m_servers) {
            if (otherServer == serverNO) continue;
            if (auto object = FindIn(classes, classID, id)) return object;
        }
        return nullptr;
    }

    ObjectIDMap* GetMap(std::uint32_t classID, std::uint32_t serverNO) {
        return &m_servers[serverNO][classID];
    }

    ObjectIDMap GetMapCopy(std::uint32_t classID, std::uint32_t serverNO) {
        const ObjectIDMap* ids = FindIDMap(classID, serverNO);
        return ids == nullptr ? ObjectIDMap() : *ids;
    }

    ObjectClassMap* GetClassMap(std::uint32_t serverNO) {
        const auto found = m_servers.find(serverNO);
        return found == m_servers.end() ? nullptr : &found->second;
    }

    ObjectServerMap* GetServerMap() { return &m_servers; }

    std::uint32_t GetMaxServerNO() const {
        return m_servers.empty() ? 0 : m_servers.rbegin()->first;
    }

private:
    static std::shared_ptr<CNameObject> FindIn(const ObjectClassMap& classes, std::uint32_t classID,
                                               std::uint32_t id) {
        const auto ids = classes.find(classID);
        if (ids == classes.end()) return nullptr;
        const auto entry = ids->second.find(id);
        return entry == ids->second.end() ? nullptr : entry->second;
    }

    std::shared_ptr<CNameObject> FindOn(std::uint32_t classID, std::uint32_t id,
                                        std::uint32_t serverNO) const {
        const auto classes = m_servers.find(serverNO);
        return classes == m_servers.end() ? nullptr : FindIn(classes->second, classID, id);
    }

    ObjectIDMap* FindIDMap(std::uint32_t classID, std::uint32_t serverNO) {
        const auto classes = m_servers.find(serverNO);
        if (classes == m_servers.end()) return nullptr;
        const auto ids = classes->second.find(classID);
        return ids == classes->second.end() ? nullptr : &ids->second;
    }

    const char16_t* m_duplicateLine;
    ObjectServerMap m_servers;
};

ObjectStore& MainStore() {
    static ObjectStore store(u"插入重复的对象\n");
    return store;
}

ObjectStore& LocalPointStore() {
    static ObjectStore store(u"插入重复的LocalPoint对象\n");
    return store;
}

ObjectStore& ThirdPartyPointStore() {
    static ObjectStore store(u"插入重复的ThirdPartyPoint对象\n");
    return store;
}

}  // namespace

void GDM_Add(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
             std::shared_ptr<CNameObject> object) {
    MainStore().Add(classID, id, serverNO, std::move(object));
}

void GDM_AddLocalPoint(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
                       std::shared_ptr<CNameObject> object) {
    LocalPointStore().Add(classID, id, serverNO, std::move(object));
}

void GDM_AddThirdPartyPoint(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
                            std::shared_ptr<CNameObject> object) {
    ThirdPartyPointStore().Add(classID, id, serverNO, std::move(object));
}

std::shared_ptr<CNameObject> GDM_Remove(std::uint32_t classID, std::uint32_t id,
                                        std::uint32_t serverNO) {
    return MainStore().Remove(classID, id, serverNO);
}

std::shared_ptr<CNameObject> GDM_RemoveLocalPoint(std::uint32_t classID, std::uint32_t id,
                                                  std::uint32_t serverNO) {
    return LocalPointStore().Remove(classID, id, serverNO);
}

std::shared_ptr<CNameObject> GDM_RemoveThirdPartyPoint(std::uint32_t classID, std::uint32_t id,
                                                       std::uint32_t serverNO) {
    return ThirdPartyPointStore().Remove(classID, id, serverNO);
}

std::shared_ptr<CNameObject> GDM_Find(std::uint32_t classID, std::uint32_t id,
                                      std::uint32_t serverNO) {
    return MainStore().Find(classID, id, serverNO);
}

std::shared_ptr<CNameObject> GDM_Find(std::uint32_t classID, std::uint32_t id) {
    return GDM_Find(classID, id, GetCurrentServerNO());
}

std::shared_ptr<CNameObject> FindObject(std::uint32_t classID, std::uint32_t id,
                                        std::uint32_t serverNO) {
    return GDM_Find(classID, id, serverNO);
}

std::shared_ptr<CNameObject> FindObject(std::uint32_t classID, std::uint32_t id) {
    return GDM_Find(classID, id);
}

ObjectIDMap* GDM_GetMap(std::uint32_t classID, std::uint32_t serverNO) {
    return MainStore().GetMap(classID, serverNO);
}

ObjectIDMap* GDM_GetLocalPointMap(std::uint32_t classID, std::uint32_t serverNO) {
    return LocalPointStore().GetMap(classID, serverNO);
}

ObjectIDMap* GDM_GetThirdPartyPointMap(std::uint32_t classID, std::uint32_t serverNO) {
    return ThirdPartyPointStore().GetMap(classID, serverNO);
}

ObjectIDMap GDM_GetMapCopy(std::uint32_t classID, std::uint32_t serverNO) {
    return MainStore().GetMapCopy(classID, serverNO);
}

ObjectClassMap* GDM_GetObjMap(std::uint32_t serverNO) { return MainStore().GetClassMap(serverNO); }

ObjectServerMap* GDM_GetServerObjMap() { return MainStore().GetServerMap(); }

std::uint32_t GDM_GetSysMaxClassID() { return MainStore().GetMaxServerNO(); }

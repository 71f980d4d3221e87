// The three object stores (main, LocalPoint, ThirdPartyPoint): one store type, three
// process-wide instances. Beside the ordered maps each store keeps a hash index of
// (server, class, ID) for Find. The index follows Add and Remove; writes made through a
// handed-out mutable view cannot be seen, so handing one out empties the index, and Find
// refills it from the maps as it goes (a miss in the index always asks the maps).
#include "registry/ObjectStore.h"

#include <unordered_map>

#include "platform/DebugOutput.h"
#include "registry/ServerIdentity.h"

namespace {

struct StoreKey {
    std::uint32_t serverNO, classID, id;
    bool operator==(const StoreKey&) const = default;
};

struct StoreKeyHash {
    std::size_t operator()(const StoreKey& k) const noexcept {
        // Multiplicative mixing of the three words; IDs of one class are dense, so the
        // product spreads them over the buckets.
        std::uint64_t h = (std::uint64_t{k.classID} << 32 | k.id) * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) + std::uint64_t{k.serverNO} * 0xBF58476D1CE4E5B9ull;
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
};

class ObjectStore {
public:
    explicit ObjectStore(const char16_t* duplicateLine) : m_duplicateLine(duplicateLine) {}
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    // The objects go while the (then empty) map is still there, so that an object's
    // destructor that looks into the store finds a valid, empty store.
    ~ObjectStore() {
        m_index.clear();
        ObjectServerMap doomed;
        doomed.swap(m_servers);
    }

    void Add(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
             std::shared_ptr<CNameObject> object) {
        ObjectIDMap& ids = m_servers[serverNO][classID];
        // Loading files IDs mostly in ascending order: a new greatest ID goes in at the end.
        if (ids.empty() || ids.rbegin()->first < id) {
            const auto entry = ids.emplace_hint(ids.end(), id, std::move(object));
            Index(serverNO, classID, id, entry->second);
            return;
        }
        // An ID already filed keeps its object.
        const auto [entry, added] = ids.try_emplace(id, std::move(object));
        if (!added) OutputDebugStringW(m_duplicateLine);
        Index(serverNO, classID, id, entry->second);
    }

    std::shared_ptr<CNameObject> Remove(std::uint32_t classID, std::uint32_t id,
                                        std::uint32_t serverNO) {
        ObjectIDMap* ids = FindIDMap(classID, serverNO);
        if (ids == nullptr) return nullptr;
        const auto entry = ids->find(id);
        if (entry == ids->end()) return nullptr;
        std::shared_ptr<CNameObject> object = std::move(entry->second);
        ids->erase(entry);
        m_index.erase(StoreKey{serverNO, classID, id});
        return object;
    }

    // The named server first, then the others in ascending server number.
    std::shared_ptr<CNameObject> Find(std::uint32_t classID, std::uint32_t id,
                                      std::uint32_t serverNO) {
        const auto indexed = m_index.find(StoreKey{serverNO, classID, id});
        if (indexed != m_index.end()) {
            if (auto object = indexed->second.lock()) return object;
        }
        if (auto object = FindOn(classID, id, serverNO)) {
            Index(serverNO, classID, id, object);
            return object;
        }
        for (const auto& [otherServer, classes] : m_servers) {
            if (otherServer == serverNO) continue;
            if (auto object = FindIn(classes, classID, id)) return object;
        }
        return nullptr;
    }

    ObjectIDMap* GetMap(std::uint32_t classID, std::uint32_t serverNO) {
        m_index.clear();
        return &m_servers[serverNO][classID];
    }

    const ObjectIDMap* GetReadOnlyMap(std::uint32_t classID, std::uint32_t serverNO) {
        return FindIDMap(classID, serverNO);
    }

    ObjectIDMap GetMapCopy(std::uint32_t classID, std::uint32_t serverNO) {
        const ObjectIDMap* ids = FindIDMap(classID, serverNO);
        return ids == nullptr ? ObjectIDMap() : *ids;
    }

    ObjectClassMap* GetClassMap(std::uint32_t serverNO) {
        m_index.clear();
        const auto found = m_servers.find(serverNO);
        return found == m_servers.end() ? nullptr : &found->second;
    }

    ObjectServerMap* GetServerMap() {
        m_index.clear();
        return &m_servers;
    }

    const ObjectServerMap& GetReadOnlyServerMap() const { return m_servers; }

    std::uint32_t GetMaxServerNO() const {
        return m_servers.empty() ? 0 : m_servers.rbegin()->first;
    }

private:
    // Files the object in the index; a shortage of memory only leaves it out (Find then asks
    // the maps).
    void Index(std::uint32_t serverNO, std::uint32_t classID, std::uint32_t id,
               const std::shared_ptr<CNameObject>& object) noexcept {
        try {
            m_index.insert_or_assign(StoreKey{serverNO, classID, id}, object);
        } catch (...) {
        }
    }

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
    // Weak, so that the index adds no owner: an object's use count is the maps' and its
    // callers'.
    std::unordered_map<StoreKey, std::weak_ptr<CNameObject>, StoreKeyHash> m_index;
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

const ObjectIDMap* GDM_GetReadOnlyMap(std::uint32_t classID, std::uint32_t serverNO) {
    return MainStore().GetReadOnlyMap(classID, serverNO);
}

const ObjectServerMap& GDM_GetReadOnlyServerObjMap() { return MainStore().GetReadOnlyServerMap(); }

ObjectIDMap GDM_GetMapCopy(std::uint32_t classID, std::uint32_t serverNO) {
    return MainStore().GetMapCopy(classID, serverNO);
}

ObjectClassMap* GDM_GetObjMap(std::uint32_t serverNO) { return MainStore().GetClassMap(serverNO); }

ObjectServerMap* GDM_GetServerObjMap() { return MainStore().GetServerMap(); }

std::uint32_t GDM_GetSysMaxClassID() { return MainStore().GetMaxServerNO(); }

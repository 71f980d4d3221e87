// The three object stores (main, LocalPoint, ThirdPartyPoint): one store type, three
// process-wide instances. Beside the ordered maps each store keeps, per (server number, class
// ID), a flat hash index of ID -> object that answers Find; IDs come from counters, so the
// index keeps them in ID order as the maps do and a load or a pass in ID order stays local. Add and
// Remove keep it in step; a handed-out mutable view may change the maps unseen, so handing one out
// marks the index stale and the next Find rebuilds it from the maps.
#include "registry/ObjectStore.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "platform/DebugOutput.h"
#include "platform/FlatKeyIndex.h"
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
        m_index.clear();
        m_stale = true;
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
        if (added) {
            Index(serverNO, classID, id, entry->second);
        } else {
            OutputDebugStringW(m_duplicateLine);
        }
    }

    std::shared_ptr<CNameObject> Remove(std::uint32_t classID, std::uint32_t id,
                                        std::uint32_t serverNO) {
        ObjectIDMap* ids = FindIDMap(classID, serverNO);
        if (ids == nullptr) return nullptr;
        const auto entry = ids->find(id);
        if (entry == ids->end()) return nullptr;
        std::shared_ptr<CNameObject> object = std::move(entry->second);
        ids->erase(entry);
        if (!m_stale) {
            if (auto* index = FindIndex(serverNO, classID)) index->Erase(id);
        }
        return object;
    }

    // The named server first, then the others in ascending server number.
    std::shared_ptr<CNameObject> Find(std::uint32_t classID, std::uint32_t id,
                                      std::uint32_t serverNO) {
        if (!m_stale || Reindex()) {
            if (auto object = FindIndexed(serverNO, classID, id)) return object;
            for (const auto& [otherServer, classes] : m_servers) {
                if (otherServer == serverNO) continue;
                if (auto object = FindIndexed(otherServer, classID, id)) return object;
            }
            // Not indexed: the maps still answer, for an object a host filed through a view
            // it kept from before the index was last rebuilt.
        }
        if (auto object = FindOn(classID, id, serverNO)) return object;
        for (const auto& [otherServer, classes] : m_servers) {
            if (otherServer == serverNO) continue;
            if (auto object = FindIn(classes, classID, id)) return object;
        }
        return nullptr;
    }

    ObjectIDMap* GetMap(std::uint32_t classID, std::uint32_t serverNO) {
        m_stale = true;
        return &m_servers[serverNO][classID];
    }

    const ObjectIDMap* FindMap(std::uint32_t classID, std::uint32_t serverNO) {
        return FindIDMap(classID, serverNO);
    }

    ObjectIDMap GetMapCopy(std::uint32_t classID, std::uint32_t serverNO) {
        const ObjectIDMap* ids = FindIDMap(classID, serverNO);
        return ids == nullptr ? ObjectIDMap() : *ids;
    }

    ObjectClassMap* GetClassMap(std::uint32_t serverNO) {
        m_stale = true;
        const auto found = m_servers.find(serverNO);
        return found == m_servers.end() ? nullptr : &found->second;
    }

    ObjectServerMap* GetServerMap() {
        m_stale = true;
        return &m_servers;
    }

    const ObjectServerMap& GetServers() const { return m_servers; }

    std::uint32_t GetMaxServerNO() const {
        return m_servers.empty() ? 0 : m_servers.rbegin()->first;
    }

private:
    // Weak, so that the index adds no owner: an object's use count is the maps' and its
    // callers'.
    using IndexEntry = std::weak_ptr<CNameObject>;
    using IDIndex = FlatKeyIndex<IndexEntry, true>;
    struct ClassIndex {
        std::uint64_t key;  // server number << 32 | class ID
        IDIndex ids;
    };

    static std::uint64_t Key(std::uint32_t serverNO, std::uint32_t classID) {
        return (std::uint64_t{serverNO} << 32) | classID;
    }

    std::vector<ClassIndex>::iterator LowerBound(std::uint64_t key) {
        return std::lower_bound(
            m_index.begin(), m_index.end(), key,
            [](const ClassIndex& entry, std::uint64_t wanted) { return entry.key < wanted; });
    }

    IDIndex* FindIndex(std::uint32_t serverNO, std::uint32_t classID) {
        const std::uint64_t key = Key(serverNO, classID);
        const auto found = LowerBound(key);
        return found == m_index.end() || found->key != key ? nullptr : &found->ids;
    }

    // The index of (serverNO, classID), made when missing. May throw bad_alloc.
    IDIndex& IndexOf(std::uint32_t serverNO, std::uint32_t classID) {
        const std::uint64_t key = Key(serverNO, classID);
        const auto at = LowerBound(key);
        if (at != m_index.end() && at->key == key) return at->ids;
        return m_index.insert(at, ClassIndex{key, IDIndex()})->ids;
    }

    std::shared_ptr<CNameObject> FindIndexed(std::uint32_t serverNO, std::uint32_t classID,
                                             std::uint32_t id) {
        const IDIndex* index = FindIndex(serverNO, classID);
        const IndexEntry* entry = index == nullptr ? nullptr : index->Find(id);
        return entry == nullptr ? nullptr : entry->lock();
    }

    // Files a non-null object in the index; a shortage of memory marks the index stale.
    void Index(std::uint32_t serverNO, std::uint32_t classID, std::uint32_t id,
               const std::shared_ptr<CNameObject>& object) {
        if (m_stale || !object) return;
        try {
            IndexOf(serverNO, classID).Get(id) = object;
        } catch (const std::bad_alloc&) {
            m_stale = true;
        }
    }

    // Rebuilds the index from the maps: true, or false (index left stale) when memory ran out.
    bool Reindex() {
        m_index.clear();
        try {
            for (const auto& [serverNO, classes] : m_servers) {
                for (const auto& [classID, ids] : classes) {
                    IDIndex& index = IndexOf(serverNO, classID);
                    index.Reserve(ids.size());
                    for (const auto& [id, object] : ids) {
                        if (object) index.Get(id) = object;
                    }
                }
            }
        } catch (const std::bad_alloc&) {
            m_index.clear();
            return false;
        }
        m_stale = false;
        return true;
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
    std::vector<ClassIndex> m_index;  // by ascending key
    bool m_stale = false;             // the maps may hold what the index does not
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

const ObjectIDMap* GDM_FindMap(std::uint32_t classID, std::uint32_t serverNO) {
    return MainStore().FindMap(classID, serverNO);
}

const ObjectServerMap& GDM_GetServers() { return MainStore().GetServers(); }

std::uint32_t GDM_GetSysMaxClassID() { return MainStore().GetMaxServerNO(); }

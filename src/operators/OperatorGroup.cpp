#include "operators/OperatorGroup.h"

#include <algorithm>
#include <tuple>
#include <typeinfo>

#include "operators/OndutyGroupMJ.h"
#include "operators/Operator.h"
#include "operators/PrivilegeBase.h"
#include "operators/PrivilegeLock.h"
#include "operators/PrivilegeObject.h"
#include "operators/RestFields.h"
#include "operators/ServiceGroupMJ.h"
#include "operators/SysManagerGroupMJ.h"
#include "platform/FlatKeyIndex.h"
#include "platform/NoThrow.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"

NO_IMPLEMENT_OBJECT_CLASS(COperatorGroup, CContainer)

COperatorGroup::COperatorGroup() { m_nClassID = kClassID; }

COperatorGroup::~COperatorGroup() = default;

std::shared_ptr<COperatorGroup> COperatorGroup::Cast(const std::shared_ptr<CNameObject>& object) {
    if (!object || !object->IsKindOf(RUNTIME_CLASS(COperatorGroup))) return nullptr;
    return std::static_pointer_cast<COperatorGroup>(object);
}

// ---- privilege search -----------------------------------------------------------------

int COperatorGroup::CheckPrivilege(std::uint32_t classID, std::uint32_t objectID, int lock,
                                   std::uint32_t privilegeClassID, std::uint32_t privilegeID,
                                   std::uint32_t* foundID) {
    const std::uint64_t objectKey = ::MakeClassIDAndIDKey(classID, objectID);
    const std::uint64_t privilegeKey =
        CPrivilegeBase::MakePrivilegeKey(privilegeClassID, privilegeID);
    const PrivilegeMap& map = lock ? m_mapPrivilegeLock : m_mapPrivilegeObject;
    const std::uint32_t holderClass = lock ? CPrivilegeLock::kClassID : CPrivilegeObject::kClassID;
    for (const auto& [server, inner] : map) {
        auto it = inner.find(objectKey);
        if (it == inner.end()) continue;
        auto holder = CPrivilegeBase::Cast(FindObject(holderClass, it->second, m_nServerNO));
        if (holder && holder->Grants(privilegeKey)) {
            if (foundID) *foundID = it->second;
            return 1;
        }
    }
    return 0;
}

int COperatorGroup::FindPrivilege(const std::shared_ptr<CAccessObject>& object, int lock,
                                  std::uint32_t privilegeClassID, std::uint32_t privilegeID,
                                  Match* match) {
    if (!object) return 0;
    if (match) match->chain.push_back(object);
    std::uint32_t* foundID = match ? &match->privilegeObjectID : nullptr;
    if (CheckPrivilege(object->GetObjectClassID(), object->GetID(), lock, privilegeClassID,
                       privilegeID, foundID)) {
        return 1;
    }
    int found = 0;
    const auto& containers = object->GetContainers();
    if (containers.empty()) {
        // An object outside every container falls under the server object, except the server
        // object itself and objects of class 0.
        const std::uint32_t serverID = GetCurrentServerID();
        if (object->GetID() != serverID && object->GetObjectClassID() != 0) {
            auto server = FindObject(0, serverID);
            std::shared_ptr<CAccessObject> top;
            if (server && server->IsKindOf(RUNTIME_CLASS(CAccessObject))) {
                top = std::static_pointer_cast<CAccessObject>(server);
            }
            found = FindPrivilege(top, lock, privilegeClassID, privilegeID, match);
        }
    } else {
        for (const auto& container : containers) {
            if (FindPrivilege(container, lock, privilegeClassID, privilegeID, match)) {
                found = 1;
                break;
            }
        }
    }
    if (!found && match) match->chain.pop_back();
    return found;
}

// Per object key, the privilege object IDs both maps name for it (all servers' entries):
// holders[begin, begin + grants) from the grant map, then `locks` from the lock map.
struct COperatorGroup::PrivilegeIndex {
    struct Entry {
        std::uint32_t begin = 0, grants = 0, locks = 0;
    };
    FlatKeyIndex<Entry> keys;
    std::vector<std::uint32_t> holders;
};

void COperatorGroup::PrivilegeScope(const std::shared_ptr<CAccessObject>& object,
                                    std::vector<std::uint64_t>& keys) {
    keys.clear();
    if (!object) return;
    thread_local std::vector<const CAccessObject*> seen;  // kept to spare an allocation per call
    seen.assign(1, object.get());
    std::shared_ptr<CAccessObject> server;  // looked up once, when an object needs it
    bool serverAsked = false;
    for (std::size_t next = 0; next < seen.size(); ++next) {
        const CAccessObject* at = seen[next];
        keys.push_back(::MakeClassIDAndIDKey(at->GetObjectClassID(), at->GetID()));
        auto visit = [](const CAccessObject* above) {
            if (above != nullptr && std::find(seen.begin(), seen.end(), above) == seen.end())
                seen.push_back(above);
        };
        const auto& containers = at->GetContainers();
        for (const auto& container : containers) visit(container.get());
        if (!containers.empty()) continue;
        const std::uint32_t serverID = GetCurrentServerID();
        if (at->GetID() == serverID || at->GetObjectClassID() == 0) continue;
        if (!serverAsked) {
            serverAsked = true;
            auto found = FindObject(0, serverID);
            if (found && found->IsKindOf(RUNTIME_CLASS(CAccessObject)))
                server = std::static_pointer_cast<CAccessObject>(found);
        }
        visit(server.get());
    }
}

bool COperatorGroup::SearchesByIndex() const {
    const std::type_info& type = typeid(*this);
    return type == typeid(COperatorGroup) || type == typeid(CSysManagerGroupMJ) ||
           type == typeid(CServiceGroupMJ) || type == typeid(COndutyGroupMJ);
}

int COperatorGroup::CheckScope(const std::vector<std::uint64_t>& keys,
                               std::uint32_t privilegeClassID, std::uint32_t privilegeID) {
    if (!m_privilegeIndex) {
        auto built = GuardAllocation(std::shared_ptr<PrivilegeIndex>(), [this] {
            std::vector<std::tuple<std::uint64_t, int, std::uint32_t>> all;
            for (int lock = 0; lock < 2; ++lock) {
                for (const auto& [server, inner] : lock ? m_mapPrivilegeLock : m_mapPrivilegeObject)
                    for (const auto& [key, holder] : inner) all.emplace_back(key, lock, holder);
            }
            std::sort(all.begin(), all.end());
            auto index = std::make_shared<PrivilegeIndex>();
            index->keys.Reserve(all.size());
            index->holders.reserve(all.size());
            for (const auto& [key, lock, holder] : all) {
                auto& entry = index->keys.Get(key);
                if (entry.grants + entry.locks == 0)
                    entry.begin = static_cast<std::uint32_t>(index->holders.size());
                ++(lock ? entry.locks : entry.grants);
                index->holders.push_back(holder);
            }
            return index;
        });
        if (!built) {
            // No memory for the index: search the maps as the virtual forms do.
            int result = 0;
            for (std::uint64_t key : keys) {
                const auto classID = static_cast<std::uint32_t>(key >> 32);
                const auto id = static_cast<std::uint32_t>(key);
                if (CheckPrivilege(classID, id, 1, privilegeClassID, privilegeID))
                    result |= kScopeLocked;
                if (CheckPrivilege(classID, id, 0, privilegeClassID, privilegeID))
                    result |= kScopeGranted;
            }
            return result;
        }
        m_privilegeIndex = std::move(built);
    }
    const std::uint64_t privilegeKey =
        CPrivilegeBase::MakePrivilegeKey(privilegeClassID, privilegeID);
    auto grants = [&](std::uint32_t holderClass, std::uint32_t holderID) {
        auto holder = CPrivilegeBase::Cast(FindObject(holderClass, holderID, m_nServerNO));
        return holder && holder->Grants(privilegeKey);
    };
    // The slots of all keys load at once rather than one miss after another.
    for (std::uint64_t key : keys) m_privilegeIndex->keys.Prefetch(key);
    int result = 0;
    for (std::uint64_t key : keys) {
        const PrivilegeIndex::Entry* entry = m_privilegeIndex->keys.Find(key);
        if (entry == nullptr) continue;
        const std::uint32_t* holder = m_privilegeIndex->holders.data() + entry->begin;
        for (std::uint32_t i = 0; i < entry->grants && !(result & kScopeGranted); ++i) {
            if (grants(CPrivilegeObject::kClassID, holder[i])) result |= kScopeGranted;
        }
        holder += entry->grants;
        for (std::uint32_t i = 0; i < entry->locks; ++i) {
            if (grants(CPrivilegeLock::kClassID, holder[i])) return result | kScopeLocked;
        }
    }
    return result;
}

int COperatorGroup::JudgePrivilege(std::shared_ptr<CAccessObject> object, int lock,
                                   std::uint32_t privilegeClassID, std::uint32_t privilegeID) {
    return FindPrivilege(object, lock, privilegeClassID, privilegeID, nullptr);
}

int COperatorGroup::HasPrivilegeObject(std::shared_ptr<CAccessObject> object,
                                       std::uint32_t privilegeClassID, std::uint32_t privilegeID) {
    return JudgePrivilege(std::move(object), 0, privilegeClassID, privilegeID);
}

int COperatorGroup::HasPrivilegeLock(std::shared_ptr<CAccessObject> object,
                                     std::uint32_t privilegeClassID, std::uint32_t privilegeID) {
    return JudgePrivilege(std::move(object), 1, privilegeClassID, privilegeID);
}

// ---- membership and change ----------------------------------------------------------

std::int32_t COperatorGroup::AddObject(std::shared_ptr<CAccessObject> member, int write) {
    if (!member || !member->IsKindOf(RUNTIME_CLASS(COperator))) return E_WRONG_OBJECT_CLASS;
    return CContainer::AddObject(std::move(member), write);
}

std::int32_t COperatorGroup::OnObjectChange(std::shared_ptr<CNameObject> other,
                                            std::uint32_t& changed, std::uint32_t sections) {
    const std::int32_t result = CAccessObject::OnObjectChange(other, changed, sections);
    if (result < 0 || (sections & SECTION_REST_DATA) == 0) return result;
    auto from = Cast(other);
    if (!from) return result;
    if (from->m_mapPrivilegeObject != m_mapPrivilegeObject) {
        m_mapPrivilegeObject = from->m_mapPrivilegeObject;
        m_privilegeIndex.reset();
        changed |= SECTION_REST_DATA;
    }
    if (from->m_mapPrivilegeLock != m_mapPrivilegeLock) {
        m_mapPrivilegeLock = from->m_mapPrivilegeLock;
        m_privilegeIndex.reset();
        changed |= SECTION_REST_DATA;
    }
    return result;
}

std::int32_t COperatorGroup::DeleteObject(std::shared_ptr<CNameObject> object) {
    return CContainer::DeleteObject(std::move(object));
}

std::int32_t COperatorGroup::InitObjectMap() { return 0; }

// ---- rest data ----------------------------------------------------------------------

int COperatorGroup::SaveRestData(CBufferWriter& writer) {
    return SaveRestLevel(
        writer, [this](CBufferWriter& w) { return CContainer::SaveRestData(w); }, kDataVersion,
        [this](CBufferWriter& w) {
            return restfields::WritePrivilegeMap(w, m_mapPrivilegeObject) &&
                   restfields::WritePrivilegeMap(w, m_mapPrivilegeLock);
        });
}

int COperatorGroup::LoadRestData(CBufferReader& reader, int restArg) {
    m_privilegeIndex.reset();
    return restfields::LoadOwnOrBaseLevel(
        reader, [this, restArg](CBufferReader& r) { return CContainer::LoadRestData(r, restArg); },
        kDataVersion,
        [this](CBufferReader& r, std::int32_t) {
            return restfields::ReadPrivilegeMap(r, m_mapPrivilegeObject) &&
                   restfields::ReadPrivilegeMap(r, m_mapPrivilegeLock);
        });
}

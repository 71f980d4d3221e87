// COperator::HasPrivilege. The grant and lock maps of all the library's groups an operator is
// in are merged into one hash index (object key -> the privilege and lock objects named for
// it), so a check probes each key of the object's scope once instead of once per group. The
// index is shared by operators in the same groups and checked against the containers and the
// groups' stamps on every call.
#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>
#include <vector>

#include "operators/Operator.h"
#include "operators/OperatorGroup.h"
#include "operators/PrivilegeBase.h"
#include "operators/PrivilegeLock.h"
#include "operators/PrivilegeObject.h"
#include "platform/FlatKeyIndex.h"
#include "platform/NoThrow.h"
#include "registry/ObjectStore.h"

namespace {

constexpr int kLocked = 1;
constexpr int kGranted = 2;

// Per object key, the objects the merged maps name for it: holders[begin, begin + grants)
// from grant maps, then `locks` from lock maps.
struct MergedMaps {
    struct Entry {
        std::uint32_t begin = 0, grants = 0, locks = 0;
    };
    struct Holder {
        std::uint32_t id;
        std::uint32_t serverNO;  // the naming group's server: the holder is looked up there
    };
    FlatKeyIndex<Entry> keys;
    std::vector<Holder> holders;

    // kLocked | kGranted for an object whose scope is keys.
    int Check(const std::vector<std::uint64_t>& scope, std::uint64_t privilegeKey) const {
        auto grants = [privilegeKey](std::uint32_t holderClass, const Holder& holder) {
            auto found = CPrivilegeBase::Cast(FindObject(holderClass, holder.id, holder.serverNO));
            return found && found->Grants(privilegeKey);
        };
        // The slots of all keys load at once rather than one miss after another.
        for (std::uint64_t key : scope) keys.Prefetch(key);
        int result = 0;
        for (std::uint64_t key : scope) {
            const Entry* entry = keys.Find(key);
            if (entry == nullptr) continue;
            const Holder* holder = holders.data() + entry->begin;
            for (std::uint32_t i = 0; i < entry->grants && !(result & kGranted); ++i) {
                if (grants(CPrivilegeObject::kClassID, holder[i])) result |= kGranted;
            }
            holder += entry->grants;
            for (std::uint32_t i = 0; i < entry->locks; ++i) {
                if (grants(CPrivilegeLock::kClassID, holder[i])) return result | kLocked;
            }
        }
        return result;
    }
};

// Null when a map names a key the index cannot hold. May throw bad_alloc.
std::shared_ptr<const MergedMaps> Merge(const std::vector<const COperatorGroup*>& groups) {
    std::vector<std::tuple<std::uint64_t, int, std::uint32_t, std::uint32_t>> all;
    for (const COperatorGroup* group : groups) {
        for (int lock = 0; lock < 2; ++lock) {
            for (const auto& [server, inner] :
                 lock ? group->GetPrivilegeLock() : group->GetPrivilegeObject()) {
                for (const auto& [key, holder] : inner) {
                    if (!FlatKeyIndex<MergedMaps::Entry>::Indexable(key)) return nullptr;
                    all.emplace_back(key, lock, holder, group->GetServerNO());
                }
            }
        }
    }
    std::sort(all.begin(), all.end());
    auto merged = std::make_shared<MergedMaps>();
    merged->keys.Reserve(all.size());
    merged->holders.reserve(all.size());
    for (const auto& [key, lock, holder, serverNO] : all) {
        auto& entry = merged->keys.Get(key);
        if (entry.grants + entry.locks == 0)
            entry.begin = static_cast<std::uint32_t>(merged->holders.size());
        ++(lock ? entry.locks : entry.grants);
        merged->holders.push_back({holder, serverNO});
    }
    return merged;
}

// The merged index of groups, shared by every operator whose groups have the same stamps and
// servers. The registry keeps weak references only.
std::shared_ptr<const MergedMaps> SharedMerge(const std::vector<const COperatorGroup*>& groups) {
    using GroupSet = std::vector<std::pair<std::uint64_t, std::uint32_t>>;
    struct Registry {
        std::mutex lock;
        std::map<GroupSet, std::weak_ptr<const MergedMaps>> indexes;
        std::size_t sweepAt = 64;
    };
    static Registry* const registry = new Registry;  // outlives every operator
    GroupSet set;
    for (const COperatorGroup* group : groups)
        set.emplace_back(group->GetPrivilegeStamp(), group->GetServerNO());
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
    std::lock_guard<std::mutex> hold(registry->lock);
    auto& slot = registry->indexes[set];
    if (auto found = slot.lock()) return found;
    auto merged = Merge(groups);
    if (!merged) {
        registry->indexes.erase(set);
        return nullptr;
    }
    slot = merged;
    if (registry->indexes.size() >= registry->sweepAt) {
        std::erase_if(registry->indexes, [](const auto& entry) { return entry.second.expired(); });
        registry->sweepAt = registry->indexes.size() * 2 + 64;
    }
    return merged;
}

// Asks group through its two virtual searches: true when it locks; granted is set when it
// grants.
bool AskGroup(COperatorGroup& group, const std::shared_ptr<CAccessObject>& object,
              std::uint32_t privilegeClassID, std::uint32_t privilegeID, bool& granted) {
    if (group.HasPrivilegeLock(object, privilegeClassID, privilegeID)) return true;
    if (!granted) granted = group.HasPrivilegeObject(object, privilegeClassID, privilegeID);
    return false;
}

}  // namespace

struct COperator::GroupIndex {
    struct Member {
        const CContainer* container = nullptr;
        std::weak_ptr<CContainer> owner;        // keeps the address from passing to another object
        const COperatorGroup* group = nullptr;  // set for a group answered from its maps
        std::uint64_t stamp = 0;
        std::uint32_t serverNO = 0;
    };
    std::vector<Member> members;     // the containers it was built from, in order
    std::vector<std::size_t> asked;  // positions of groups asked through their virtual searches
    std::shared_ptr<const MergedMaps> merged;  // null when those groups name nothing

    bool Matches(const ContainerList& containers) const {
        if (containers.size() != members.size()) return false;
        for (std::size_t i = 0; i < members.size(); ++i) {
            const auto& now = containers[i];
            const Member& then = members[i];
            if (now.get() != then.container || now.owner_before(then.owner) ||
                then.owner.owner_before(now)) {
                return false;
            }
            if (then.group != nullptr && (then.group->GetPrivilegeStamp() != then.stamp ||
                                          then.group->GetServerNO() != then.serverNO)) {
                return false;
            }
        }
        return true;
    }

    // Null when a map names a key the index cannot hold. May throw bad_alloc.
    static std::shared_ptr<const GroupIndex> Build(const ContainerList& containers) {
        auto index = std::make_shared<GroupIndex>();
        std::vector<const COperatorGroup*> mapped;
        bool named = false;
        for (std::size_t i = 0; i < containers.size(); ++i) {
            const auto& container = containers[i];
            Member member{container.get(), container};
            if (container && container->IsKindOf(RUNTIME_CLASS(COperatorGroup))) {
                const auto* group = static_cast<const COperatorGroup*>(container.get());
                if (group->SearchesByIndex()) {
                    member.group = group;
                    member.stamp = group->GetPrivilegeStamp();
                    member.serverNO = group->GetServerNO();
                    mapped.push_back(group);
                    named = named || !group->GetPrivilegeObject().empty() ||
                            !group->GetPrivilegeLock().empty();
                } else {
                    index->asked.push_back(i);
                }
            }
            index->members.push_back(std::move(member));
        }
        if (named) {
            index->merged = SharedMerge(mapped);
            if (!index->merged) return nullptr;
        }
        return index;
    }
};

const COperator::GroupIndex* COperator::CurrentGroupIndex() {
    if (m_groupIndex && m_groupIndex->Matches(m_vecContainers)) return m_groupIndex.get();
    m_groupIndex.reset();
    m_groupIndex = GuardAllocation(std::shared_ptr<const GroupIndex>(),
                                   [this] { return GroupIndex::Build(m_vecContainers); });
    return m_groupIndex.get();
}

int COperator::HasPrivilege(std::shared_ptr<CAccessObject> object, std::uint32_t privilegeClassID,
                            std::uint32_t privilegeID) {
    if (IsAdmin()) return 1;
    // A lock in any one group denies, whatever the others grant.
    bool granted = false;
    const GroupIndex* index = CurrentGroupIndex();
    int found = 0;
    if (index != nullptr && index->merged) {
        // Nothing in here calls out of the library, so neither the index nor the scope buffer
        // can be replaced by a nested check while they are read.
        found = GuardAllocation(-1, [&] {
            thread_local std::vector<std::uint64_t> scope;
            COperatorGroup::PrivilegeScope(object, scope);
            return index->merged->Check(
                scope, CPrivilegeBase::MakePrivilegeKey(privilegeClassID, privilegeID));
        });
    }
    if (index == nullptr || found < 0) {
        // No memory for the index or the scope: every group is asked through its searches.
        for (const auto& container : m_vecContainers) {
            if (container && container->IsKindOf(RUNTIME_CLASS(COperatorGroup)) &&
                AskGroup(static_cast<COperatorGroup&>(*container), object, privilegeClassID,
                         privilegeID, granted)) {
                return 0;
            }
        }
        return granted ? 1 : 0;
    }
    if (found & kLocked) return 0;
    granted = (found & kGranted) != 0;
    if (!index->asked.empty()) {
        const std::shared_ptr<const GroupIndex> keep = m_groupIndex;  // a search may replace it
        for (std::size_t at : keep->asked) {
            auto group = keep->members[at].owner.lock();
            if (group && AskGroup(static_cast<COperatorGroup&>(*group), object, privilegeClassID,
                                  privilegeID, granted)) {
                return 0;
            }
        }
    }
    return granted ? 1 : 0;
}

#include "operators/PrivilegeQuery.h"

#include <unordered_map>
#include <unordered_set>

#include "operators/Operator.h"
#include "operators/OperatorGroup.h"
#include "operators/PrivilegeLock.h"
#include "operators/PrivilegeObject.h"
#include "registry/ClassRegistry.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"

namespace {

std::vector<std::shared_ptr<COperatorGroup>> DirectGroups(const COperator& op) {
    std::vector<std::shared_ptr<COperatorGroup>> groups;
    for (const auto& container : op.GetContainers()) {
        if (auto group = COperatorGroup::Cast(container)) groups.push_back(std::move(group));
    }
    return groups;
}

CString KeyText(const CNameObject& object) {
    return CString::Formatted("%u:%u", object.GetObjectClassID(), object.GetID());
}

}  // namespace

// The memoised form of the group's containment search, for judging many objects at once.
class CPrivilegeQuery {
public:
    CPrivilegeQuery(COperatorGroup& group, int lock, std::uint32_t privilegeClassID,
                    std::uint32_t privilegeID)
        : m_group(group), m_lock(lock), m_class(privilegeClassID), m_id(privilegeID) {}

    bool Covers(const std::shared_ptr<CAccessObject>& object) {
        if (!object) return false;
        auto known = m_memo.find(object.get());
        if (known != m_memo.end()) return known->second;
        bool covered = m_group.CheckPrivilege(object->GetObjectClassID(), object->GetID(), m_lock,
                                              m_class, m_id) != 0;
        if (!covered) {
            const auto& containers = object->GetContainers();
            if (containers.empty()) {
                const std::uint32_t serverID = GetCurrentServerID();
                if (object->GetID() != serverID && object->GetObjectClassID() != 0) {
                    auto server = FindObject(0, serverID);
                    if (server && server->IsKindOf(RUNTIME_CLASS(CAccessObject))) {
                        covered = Covers(std::static_pointer_cast<CAccessObject>(server));
                    }
                }
            } else {
                for (const auto& container : containers) {
                    if (Covers(container)) {
                        covered = true;
                        break;
                    }
                }
            }
        }
        m_memo[object.get()] = covered;
        return covered;
    }

private:
    COperatorGroup& m_group;
    int m_lock;
    std::uint32_t m_class;
    std::uint32_t m_id;
    std::unordered_map<const CAccessObject*, bool> m_memo;
};

PrivilegeExplanation ExplainPrivilege(const std::shared_ptr<COperator>& op,
                                      const std::shared_ptr<CAccessObject>& object,
                                      std::uint32_t privilegeClassID, std::uint32_t privilegeID) {
    PrivilegeExplanation out;
    if (!op) return out;
    if (op->IsAdmin()) {
        out.decision = 1;
        out.reason = PrivilegeExplanation::kAdministrator;
        return out;
    }
    out.groupsAsked = DirectGroups(*op);
    for (int lock = 1; lock >= 0; --lock) {
        for (const auto& group : out.groupsAsked) {
            COperatorGroup::Match match;
            if (!group->FindPrivilege(object, lock, privilegeClassID, privilegeID, &match))
                continue;
            out.decision = lock ? 0 : 1;
            out.reason = lock ? PrivilegeExplanation::kLocked : PrivilegeExplanation::kGranted;
            out.group = group;
            out.holderClassID = lock ? CPrivilegeLock::kClassID : CPrivilegeObject::kClassID;
            out.holderID = match.privilegeObjectID;
            out.chain = std::move(match.chain);
            return out;
        }
    }
    return out;
}

CString PrivilegeExplanation::Describe() const {
    if (reason == kAdministrator)
        return u"granted: administrator (every privilege, locks included)";
    if (reason == kNotGranted) {
        CString text = groupsAsked.empty() ? CString(u"denied: the operator is in no group")
                                           : CString(u"denied: no group grants it; groups asked:");
        for (const auto& g : groupsAsked) {
            text += CString::Formatted(" %u (", g->GetID()) + g->GetFullName() + u")";
        }
        return text;
    }
    CString text = CString(reason == kLocked ? u"denied: locked by group " : u"granted by group ") +
                   CString::Formatted("%u (", group->GetID()) + group->GetFullName() +
                   CString::Formatted(") through %s %u:%u on ",
                                      reason == kLocked ? "lock object" : "privilege object",
                                      holderClassID, holderID);
    if (!chain.empty()) text += KeyText(*chain.back());
    if (chain.size() > 1) {
        text += u" via";
        for (std::size_t i = 0; i < chain.size(); ++i) {
            text += (i ? u" <- " : u" ") + KeyText(*chain[chain.size() - 1 - i]);
        }
    }
    return text;
}

PrivilegedObjects ListPrivilegedObjects(const std::shared_ptr<COperator>& op, std::uint32_t classID,
                                        std::uint32_t privilegeClassID, std::uint32_t privilegeID) {
    PrivilegedObjects out;
    if (!op) return out;
    const bool admin = op->IsAdmin() != 0;
    std::vector<CPrivilegeQuery> locks, grants;
    const auto groups = DirectGroups(*op);
    for (const auto& group : groups) {
        locks.emplace_back(*group, 1, privilegeClassID, privilegeID);
        grants.emplace_back(*group, 0, privilegeClassID, privilegeID);
    }
    auto holds = [&](const std::shared_ptr<CAccessObject>& object) {
        if (admin) return true;
        for (auto& q : locks) {
            if (q.Covers(object)) return false;
        }
        for (auto& q : grants) {
            if (q.Covers(object)) return true;
        }
        return false;
    };
    std::unordered_set<const CNameObject*> seen;
    for (const auto& [server, classes] : GDM_GetServers()) {
        for (const auto& [filedClass, objects] : classes) {
            for (const auto& [id, object] : objects) {
                if (!object || !seen.insert(object.get()).second) continue;
                if (!IsDerivedFrom(object->GetObjectClassID(), classID)) continue;
                if (!object->IsKindOf(RUNTIME_CLASS(CAccessObject))) continue;
                auto access = std::static_pointer_cast<CAccessObject>(object);
                if (holds(access)) out.emplace(object->GetObjectUniqueID(), access);
            }
        }
    }
    return out;
}

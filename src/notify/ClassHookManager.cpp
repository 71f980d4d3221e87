#include "notify/ClassHookManager.h"

#include "core/NameObject.h"
#include "notify/ObjectNotifyManager.h"
#include "registry/ServerIdentity.h"

CMjObjectClassManager* CMjObjectClassManager::GetInstance() {
    static CMjObjectClassManager instance;
    return &instance;
}

// ---- protocol classes ---------------------------------------------------------------------

void CMjObjectClassManager::AddProtocolClass(const CRuntimeClass* protocol) {
    if (protocol == nullptr) return;
    ProtocolSet& own = m_mapProtocolClass[protocol];
    own.insert(protocol);
    for (auto& [other, covered] : m_mapProtocolClass) {
        if (other == protocol) continue;
        if (protocol->IsDerivedFrom(other)) {
            covered.insert(protocol);
        } else if (other->IsDerivedFrom(protocol)) {
            own.insert(other);
        }
    }
}

void CMjObjectClassManager::GroupClass(const ProtocolSet& requested, ProtocolGroups& out) const {
    for (const CRuntimeClass* r : requested) {
        auto added = m_mapProtocolClass.find(r);
        if (added == m_mapProtocolClass.end()) {
            out[r] = ProtocolSet{r};
            continue;
        }
        // What r covers, less what a more specific requested protocol class covers itself.
        ProtocolSet covered = added->second;
        for (const CRuntimeClass* q : requested) {
            if (q == r || q == nullptr || !q->IsDerivedFrom(r)) continue;
            auto specific = m_mapProtocolClass.find(q);
            if (specific == m_mapProtocolClass.end()) continue;
            for (const CRuntimeClass* s : specific->second) covered.erase(s);
        }
        out[r] = std::move(covered);
    }
}

// ---- class set ----------------------------------------------------------------------------

void CMjObjectClassManager::AddClass(unsigned int classID) { m_setClass.insert(classID); }

void CMjObjectClassManager::RemoveClass(unsigned int classID) { m_setClass.erase(classID); }

unsigned int CMjObjectClassManager::GetBaseClass(unsigned int classID) const {
    return FindNearestRegisteredClass(m_setClass, classID);
}

int CMjObjectClassManager::IsMjObjectClass(unsigned int classID) const {
    return GetBaseClass(classID) != kNoRegisteredClass ? 1 : 0;
}

// ---- generic registration and dispatch ----------------------------------------------------

template <class Hook>
void CMjObjectClassManager::Register(HookTable<Hook>& table,
                                     const std::vector<unsigned int>& classIDs,
                                     const CRuntimeClass* protocol, Hook hook) {
    for (unsigned int classID : classIDs) {
        AddClass(classID);
        auto& hooks = table[classID];
        if (!hooks) hooks = std::make_unique<std::map<const CRuntimeClass*, Hook>>();
        hooks->emplace(protocol, hook);  // a protocol class keeps its first hook
    }
}

template <class Hook, class Call>
int CMjObjectClassManager::Dispatch(const HookTable<Hook>& table,
                                    const std::shared_ptr<CNameObject>& object, Call call) const {
    if (!object) return 0;
    auto entry = table.find(GetBaseClass(object->GetObjectClassID()));
    if (entry == table.end() || !entry->second) return 0;
    const auto& hooks = *entry->second;

    ProtocolSet requested;
    for (const auto& [protocol, hook] : hooks) requested.insert(protocol);
    ProtocolGroups groups;
    GroupClass(requested, groups);

    for (const auto& [protocol, covered] : groups) {
        Hook hook = hooks.at(protocol);
        if (hook == nullptr) continue;
        for (const CRuntimeClass* served : covered) call(hook, served);
    }
    return 1;
}

namespace {

// Change events are delivered only between two objects of the same class, the first one
// belonging to this server.
bool ChangeApplies(const std::shared_ptr<CNameObject>& first,
                   const std::shared_ptr<CNameObject>& second) {
    return first && second && first->GetObjectClassID() == second->GetObjectClassID() &&
           first->GetServerNO() == GetCurrentServerNO();
}

}  // namespace

// ---- registration -------------------------------------------------------------------------

void CMjObjectClassManager::RegisterOnBeforeObjectChangeFunc(const std::vector<unsigned int>& ids,
                                                             const CRuntimeClass* protocol,
                                                             PFN_ObjectPairHook hook) {
    Register(m_beforeChange, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnAfterObjectChangeFunc(const std::vector<unsigned int>& ids,
                                                            const CRuntimeClass* protocol,
                                                            PFN_ObjectPairHook hook) {
    Register(m_afterChange, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnBeforeObjectInsertFunc(const std::vector<unsigned int>& ids,
                                                             const CRuntimeClass* protocol,
                                                             PFN_ObjectHook hook) {
    Register(m_beforeInsert, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnAfterObjectInsertFunc(const std::vector<unsigned int>& ids,
                                                            const CRuntimeClass* protocol,
                                                            PFN_ObjectHook hook) {
    Register(m_afterInsert, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnBeforeObjectDeleteFunc(const std::vector<unsigned int>& ids,
                                                             const CRuntimeClass* protocol,
                                                             PFN_ObjectHook hook) {
    Register(m_beforeDelete, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnAfterObjectDeleteFunc(const std::vector<unsigned int>& ids,
                                                            const CRuntimeClass* protocol,
                                                            PFN_ObjectHook hook) {
    Register(m_afterDelete, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnBeforeObjectAddToContainerFunc(
    const std::vector<unsigned int>& ids, const CRuntimeClass* protocol,
    PFN_ObjectContainerHook hook) {
    Register(m_beforeAddToContainer, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnAfterObjectAddToContainerFunc(
    const std::vector<unsigned int>& ids, const CRuntimeClass* protocol,
    PFN_ObjectContainerHook hook) {
    Register(m_afterAddToContainer, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnBeforeObjectRemoveFromContainerFunc(
    const std::vector<unsigned int>& ids, const CRuntimeClass* protocol,
    PFN_ObjectContainerHook hook) {
    Register(m_beforeRemoveFromContainer, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnAfterObjectRemoveFromContainerFunc(
    const std::vector<unsigned int>& ids, const CRuntimeClass* protocol,
    PFN_ObjectContainerHook hook) {
    Register(m_afterRemoveFromContainer, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnBeforeObjectRelationChangeFunc(
    const std::vector<unsigned int>& ids, const CRuntimeClass* protocol, PFN_ObjectPairHook hook) {
    Register(m_beforeRelationChange, ids, protocol, hook);
}

void CMjObjectClassManager::RegisterOnAfterObjectRelationChangeFunc(
    const std::vector<unsigned int>& ids, const CRuntimeClass* protocol, PFN_ObjectPairHook hook) {
    Register(m_afterRelationChange, ids, protocol, hook);
}

// ---- dispatch -----------------------------------------------------------------------------

int CMjObjectClassManager::OnBeforeObjectChange(std::shared_ptr<CNameObject> first,
                                                std::shared_ptr<CNameObject> second,
                                                std::uint32_t flags) {
    if (!ChangeApplies(first, second)) return 0;
    return Dispatch(m_beforeChange, first, [&](PFN_ObjectPairHook hook, const CRuntimeClass* p) {
        hook(p, first, second, flags);
    });
}

int CMjObjectClassManager::OnAfterObjectChange(std::shared_ptr<CNameObject> first,
                                               std::shared_ptr<CNameObject> second,
                                               std::uint32_t flags) {
    if (!ChangeApplies(first, second)) return 0;
    return Dispatch(m_afterChange, first, [&](PFN_ObjectPairHook hook, const CRuntimeClass* p) {
        hook(p, first, second, flags);
    });
}

int CMjObjectClassManager::OnBeforeObjectInsert(std::shared_ptr<CNameObject> object) {
    return Dispatch(m_beforeInsert, object,
                    [&](PFN_ObjectHook hook, const CRuntimeClass* p) { hook(p, object); });
}

int CMjObjectClassManager::OnAfterObjectInsert(std::shared_ptr<CNameObject> object) {
    return Dispatch(m_afterInsert, object,
                    [&](PFN_ObjectHook hook, const CRuntimeClass* p) { hook(p, object); });
}

int CMjObjectClassManager::OnBeforeObjectDelete(std::shared_ptr<CNameObject> object) {
    return Dispatch(m_beforeDelete, object,
                    [&](PFN_ObjectHook hook, const CRuntimeClass* p) { hook(p, object); });
}

int CMjObjectClassManager::OnAfterObjectDelete(std::shared_ptr<CNameObject> object) {
    return Dispatch(m_afterDelete, object,
                    [&](PFN_ObjectHook hook, const CRuntimeClass* p) { hook(p, object); });
}

int CMjObjectClassManager::OnBeforeObjectAddToContainer(std::shared_ptr<CNameObject> object,
                                                        std::shared_ptr<CContainer> container) {
    return Dispatch(
        m_beforeAddToContainer, object,
        [&](PFN_ObjectContainerHook hook, const CRuntimeClass* p) { hook(p, object, container); });
}

int CMjObjectClassManager::OnAfterObjectAddToContainer(std::shared_ptr<CNameObject> object,
                                                       std::shared_ptr<CContainer> container) {
    return Dispatch(
        m_afterAddToContainer, object,
        [&](PFN_ObjectContainerHook hook, const CRuntimeClass* p) { hook(p, object, container); });
}

int CMjObjectClassManager::OnBeforeObjectRemoveFromContainer(
    std::shared_ptr<CNameObject> object, std::shared_ptr<CContainer> container) {
    return Dispatch(
        m_beforeRemoveFromContainer, object,
        [&](PFN_ObjectContainerHook hook, const CRuntimeClass* p) { hook(p, object, container); });
}

int CMjObjectClassManager::OnAfterObjectRemoveFromContainer(std::shared_ptr<CNameObject> object,
                                                            std::shared_ptr<CContainer> container) {
    return Dispatch(
        m_afterRemoveFromContainer, object,
        [&](PFN_ObjectContainerHook hook, const CRuntimeClass* p) { hook(p, object, container); });
}

int CMjObjectClassManager::OnBeforeObjectRelationChange(std::shared_ptr<CNameObject> first,
                                                        std::shared_ptr<CNameObject> second,
                                                        std::uint32_t flags) {
    return Dispatch(
        m_beforeRelationChange, first,
        [&](PFN_ObjectPairHook hook, const CRuntimeClass* p) { hook(p, first, second, flags); });
}

int CMjObjectClassManager::OnAfterObjectRelationChange(std::shared_ptr<CNameObject> first,
                                                       std::shared_ptr<CNameObject> second,
                                                       std::uint32_t flags) {
    return Dispatch(
        m_afterRelationChange, first,
        [&](PFN_ObjectPairHook hook, const CRuntimeClass* p) { hook(p, first, second, flags); });
}

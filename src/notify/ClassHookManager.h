// CMjObjectClassManager: the process-wide registry of hook functions per object class and
// protocol class. A protocol class is a runtime class naming the module or protocol a hook
// belongs to; protocol classes added with AddProtocolClass form derivation groups, and a hook
// of a base protocol class also serves the derived protocol classes that have no hook of their
// own at the same object class.
//
// A dispatch uses only the object's nearest registered class (no climbing, no veto) and calls
// each hook once per protocol class it covers. Nothing is unregistered; no lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/Export.h"
#include "platform/RuntimeClass.h"

class CNameObject;
class CContainer;

// Hooks of change and relation-change events: (protocol class, first, second, flags).
using PFN_ObjectPairHook = int (*)(const CRuntimeClass* protocol,
                                   std::shared_ptr<CNameObject> first,
                                   std::shared_ptr<CNameObject> second, std::uint32_t flags);
// Hooks of insert and delete events: (protocol class, object).
using PFN_ObjectHook = int (*)(const CRuntimeClass* protocol, std::shared_ptr<CNameObject> object);
// Hooks of container events: (protocol class, object, container).
using PFN_ObjectContainerHook = int (*)(const CRuntimeClass* protocol,
                                        std::shared_ptr<CNameObject> object,
                                        std::shared_ptr<CContainer> container);

class NAMEOBJECT_API CMjObjectClassManager : public CObject {
public:
    using ProtocolSet = std::set<const CRuntimeClass*>;
    using ProtocolGroups = std::map<const CRuntimeClass*, ProtocolSet>;

    static CMjObjectClassManager* GetInstance();

    CMjObjectClassManager(const CMjObjectClassManager&) = delete;
    CMjObjectClassManager& operator=(const CMjObjectClassManager&) = delete;

    // Enters protocol (null is ignored) with itself and every added protocol class derived
    // from it, and adds it to the sets of the added classes it derives from.
    void AddProtocolClass(const CRuntimeClass* protocol);
    const ProtocolGroups& GetProtocolClasses() const { return m_mapProtocolClass; }

    // For every class ID in order: enters it in the class set and (protocol, hook) in its
    // table entry; a protocol class that already has a hook there keeps it.
    void RegisterOnBeforeObjectChangeFunc(const std::vector<unsigned int>& classIDs,
                                          const CRuntimeClass* protocol, PFN_ObjectPairHook hook);
    void RegisterOnAfterObjectChangeFunc(const std::vector<unsigned int>& classIDs,
                                         const CRuntimeClass* protocol, PFN_ObjectPairHook hook);
    void RegisterOnBeforeObjectInsertFunc(const std::vector<unsigned int>& classIDs,
                                          const CRuntimeClass* protocol, PFN_ObjectHook hook);
    void RegisterOnAfterObjectInsertFunc(const std::vector<unsigned int>& classIDs,
                                         const CRuntimeClass* protocol, PFN_ObjectHook hook);
    void RegisterOnBeforeObjectDeleteFunc(const std::vector<unsigned int>& classIDs,
                                          const CRuntimeClass* protocol, PFN_ObjectHook hook);
    void RegisterOnAfterObjectDeleteFunc(const std::vector<unsigned int>& classIDs,
                                         const CRuntimeClass* protocol, PFN_ObjectHook hook);
    void RegisterOnBeforeObjectAddToContainerFunc(const std::vector<unsigned int>& classIDs,
                                                  const CRuntimeClass* protocol,
                                                  PFN_ObjectContainerHook hook);
    void RegisterOnAfterObjectAddToContainerFunc(const std::vector<unsigned int>& classIDs,
                                                 const CRuntimeClass* protocol,
                                                 PFN_ObjectContainerHook hook);
    void RegisterOnBeforeObjectRemoveFromContainerFunc(const std::vector<unsigned int>& classIDs,
                                                       const CRuntimeClass* protocol,
                                                       PFN_ObjectContainerHook hook);
    void RegisterOnAfterObjectRemoveFromContainerFunc(const std::vector<unsigned int>& classIDs,
                                                      const CRuntimeClass* protocol,
                                                      PFN_ObjectContainerHook hook);
    void RegisterOnBeforeObjectRelationChangeFunc(const std::vector<unsigned int>& classIDs,
                                                  const CRuntimeClass* protocol,
                                                  PFN_ObjectPairHook hook);
    void RegisterOnAfterObjectRelationChangeFunc(const std::vector<unsigned int>& classIDs,
                                                 const CRuntimeClass* protocol,
                                                 PFN_ObjectPairHook hook);

    // For each requested protocol class: the protocol classes it covers that no more specific
    // requested class covers (itself alone when it was never added). Entries are added to out.
    void GroupClass(const ProtocolSet& requested, ProtocolGroups& out) const;

    // 1 when classID is, or derives from, a class named in any hook registration; else 0.
    int IsMjObjectClass(unsigned int classID) const;

    // Dispatch: 0 when no hook table entry applies (and, for the change operations, when the
    // classes differ or the first object belongs to another server), else 1. Hook results are
    // ignored. An empty object pointer calls nobody and gives 0.
    int OnBeforeObjectChange(std::shared_ptr<CNameObject> first,
                             std::shared_ptr<CNameObject> second, std::uint32_t flags);
    int OnAfterObjectChange(std::shared_ptr<CNameObject> first, std::shared_ptr<CNameObject> second,
                            std::uint32_t flags);
    int OnBeforeObjectInsert(std::shared_ptr<CNameObject> object);
    int OnAfterObjectInsert(std::shared_ptr<CNameObject> object);
    int OnBeforeObjectDelete(std::shared_ptr<CNameObject> object);
    int OnAfterObjectDelete(std::shared_ptr<CNameObject> object);
    int OnBeforeObjectAddToContainer(std::shared_ptr<CNameObject> object,
                                     std::shared_ptr<CContainer> container);
    int OnAfterObjectAddToContainer(std::shared_ptr<CNameObject> object,
                                    std::shared_ptr<CContainer> container);
    int OnBeforeObjectRemoveFromContainer(std::shared_ptr<CNameObject> object,
                                          std::shared_ptr<CContainer> container);
    int OnAfterObjectRemoveFromContainer(std::shared_ptr<CNameObject> object,
                                         std::shared_ptr<CContainer> container);
    int OnBeforeObjectRelationChange(std::shared_ptr<CNameObject> first,
                                     std::shared_ptr<CNameObject> second, std::uint32_t flags);
    int OnAfterObjectRelationChange(std::shared_ptr<CNameObject> first,
                                    std::shared_ptr<CNameObject> second, std::uint32_t flags);

protected:
    void AddClass(unsigned int classID);
    void RemoveClass(unsigned int classID);  // the hook tables keep their entries
    // The nearest class of the class set that classID is or derives from, or 0xFFFFFFFF.
    unsigned int GetBaseClass(unsigned int classID) const;

private:
    // Per class ID, the hooks of one event and phase keyed by protocol class.
    template <class Hook>
    using HookTable = std::map<unsigned int, std::unique_ptr<std::map<const CRuntimeClass*, Hook>>>;

    CMjObjectClassManager() = default;

    template <class Hook>
    void Register(HookTable<Hook>& table, const std::vector<unsigned int>& classIDs,
                  const CRuntimeClass* protocol, Hook hook);
    // Calls call(hook, protocol class) for the hooks of the nearest registered level.
    template <class Hook, class Call>
    int Dispatch(const HookTable<Hook>& table, const std::shared_ptr<CNameObject>& object,
                 Call call) const;

    std::set<unsigned int> m_setClass;
    ProtocolGroups m_mapProtocolClass;
    HookTable<PFN_ObjectPairHook> m_beforeChange;
    HookTable<PFN_ObjectPairHook> m_afterChange;
    HookTable<PFN_ObjectHook> m_beforeInsert;
    HookTable<PFN_ObjectHook> m_afterInsert;
    HookTable<PFN_ObjectHook> m_beforeDelete;
    HookTable<PFN_ObjectHook> m_afterDelete;
    HookTable<PFN_ObjectContainerHook> m_beforeAddToContainer;
    HookTable<PFN_ObjectContainerHook> m_afterAddToContainer;
    HookTable<PFN_ObjectContainerHook> m_beforeRemoveFromContainer;
    HookTable<PFN_ObjectContainerHook> m_afterRemoveFromContainer;
    HookTable<PFN_ObjectPairHook> m_beforeRelationChange;
    HookTable<PFN_ObjectPairHook> m_afterRelationChange;
};

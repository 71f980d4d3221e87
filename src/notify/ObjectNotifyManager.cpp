#include "notify/ObjectNotifyManager.h"

#include "core/NameObject.h"
#include "registry/ClassRegistry.h"

unsigned int FindNearestRegisteredClass(const std::set<unsigned int>& classes,
                                        unsigned int classID) {
    std::set<unsigned int> bases;
    for (unsigned int member : classes) {
        if (::IsDerivedFrom(classID, member)) bases.insert(member);
    }
    // The most derived candidate is the one that no other candidate derives from.
    for (unsigned int candidate : bases) {
        bool hasMoreDerived = false;
        for (unsigned int other : bases) {
            if (other != candidate && ::IsDerivedFrom(other, candidate)) {
                hasMoreDerived = true;
                break;
            }
        }
        if (!hasMoreDerived) return candidate;
    }
    return kNoRegisteredClass;
}

CObjectNotifyManager* CObjectNotifyManager::GetInstance() {
    static CObjectNotifyManager instance;
    return &instance;
}

void CObjectNotifyManager::AddClass(unsigned int classID) { m_setClass.insert(classID); }

void CObjectNotifyManager::RemoveClass(unsigned int classID) { m_setClass.erase(classID); }

unsigned int CObjectNotifyManager::GetBaseClass(unsigned int classID) const {
    return FindNearestRegisteredClass(m_setClass, classID);
}

int CObjectNotifyManager::IsMjObjectClass(unsigned int classID) const {
    return GetBaseClass(classID) != kNoRegisteredClass ? 1 : 0;
}

template <class Notify>
void CObjectNotifyManager::Register(NotifyMap<Notify>& map, unsigned int classID, Notify* notify) {
    AddClass(classID);
    map[classID].insert(notify);
}

template <class Notify, class Call>
std::int32_t CObjectNotifyManager::Dispatch(const NotifyMap<Notify>& map,
                                            const std::shared_ptr<CNameObject>& object, Call call) {
    std::int32_t result = 0;
    if (!object) return result;

    // Find the nearest registered level that has observers of this kind.
    unsigned int level = GetBaseClass(object->GetObjectClassID());
    auto entry = map.find(level);
    while (level != kNoRegisteredClass && entry == map.end()) {
        level = GetBaseClass(::GetParentClassID(level));
        entry = map.find(level);
    }
    if (level == kNoRegisteredClass) return result;

    // Then climb while the next registered ancestor has observers of this kind too.
    while (entry != map.end()) {
        for (Notify* notify : entry->second) {
            result = call(notify);
            if (result < 0) return result;
        }
        level = GetBaseClass(::GetParentClassID(level));
        if (level == kNoRegisteredClass) break;
        entry = map.find(level);
    }
    return result;
}

// ---- registration -------------------------------------------------------------------------

void CObjectNotifyManager::RegisterObjectChangeNotify(unsigned int classID,
                                                      CObjectChangeNotify* notify) {
    Register(m_mapChangeNotify, classID, notify);
}

void CObjectNotifyManager::RegisterObjectInsertNotify(unsigned int classID,
                                                      CObjectInsertNotify* notify) {
    Register(m_mapInsertNotify, classID, notify);
}

void CObjectNotifyManager::RegisterObjectDeleteNotify(unsigned int classID,
                                                      CObjectDeleteNotify* notify) {
    Register(m_mapDeleteNotify, classID, notify);
}

void CObjectNotifyManager::RegisterObjectAddToContainerNotify(unsigned int classID,
                                                              CObjectAddToContainerNotity* notify) {
    Register(m_mapAddToContainerNotify, classID, notify);
}

void CObjectNotifyManager::RegisterObjectRemoveFromContainerNotify(
    unsigned int classID, CObjectRemoveFromContainerNotify* notify) {
    Register(m_mapRemoveFromContainerNotify, classID, notify);
}

void CObjectNotifyManager::RegisterObjectRelationChangeNotify(unsigned int classID,
                                                              CObjectRelationChangeNotify* notify) {
    Register(m_mapRelationChangeNotify, classID, notify);
}

// ---- dispatch -----------------------------------------------------------------------------

namespace {

// Change events are delivered only between two objects of the same class.
bool SameClass(const std::shared_ptr<CNameObject>& first,
               const std::shared_ptr<CNameObject>& second) {
    return first && second && first->GetObjectClassID() == second->GetObjectClassID();
}

}  // namespace

std::int32_t CObjectNotifyManager::OnBeforeObjectChange(std::shared_ptr<CNameObject> first,
                                                        std::shared_ptr<CNameObject> second,
                                                        std::uint32_t flags) {
    if (!SameClass(first, second)) return 0;
    return Dispatch(m_mapChangeNotify, first, [&](CObjectChangeNotify* n) {
        return n->OnBeforeObjectChange(first, second, flags);
    });
}

std::int32_t CObjectNotifyManager::OnAfterObjectChange(std::shared_ptr<CNameObject> first,
                                                       std::shared_ptr<CNameObject> second,
                                                       std::uint32_t flags,
                                                       std::uint32_t changedSections) {
    if (!SameClass(first, second)) return 0;
    return Dispatch(m_mapChangeNotify, first, [&](CObjectChangeNotify* n) {
        return n->OnAfterObjectChange(first, second, flags, changedSections);
    });
}

std::int32_t CObjectNotifyManager::OnBeforeObjectInsert(std::shared_ptr<CNameObject> object,
                                                        std::shared_ptr<CContainer> container) {
    return Dispatch(m_mapInsertNotify, object, [&](CObjectInsertNotify* n) {
        return n->OnBeforeObjectInsert(object, container);
    });
}

std::int32_t CObjectNotifyManager::OnAfterObjectInsert(std::shared_ptr<CNameObject> object,
                                                       std::shared_ptr<CContainer> container) {
    return Dispatch(m_mapInsertNotify, object, [&](CObjectInsertNotify* n) {
        return n->OnAfterObjectInsert(object, container);
    });
}

std::int32_t CObjectNotifyManager::OnBeforeObjectDelete(std::shared_ptr<CNameObject> object) {
    return Dispatch(m_mapDeleteNotify, object,
                    [&](CObjectDeleteNotify* n) { return n->OnBeforeObjectDelete(object); });
}

std::int32_t CObjectNotifyManager::OnAfterObjectDelete(std::shared_ptr<CNameObject> object) {
    return Dispatch(m_mapDeleteNotify, object,
                    [&](CObjectDeleteNotify* n) { return n->OnAfterObjectDelete(object); });
}

std::int32_t CObjectNotifyManager::OnBeforeObjectAddToContainer(
    std::shared_ptr<CNameObject> object, std::shared_ptr<CContainer> container) {
    return Dispatch(m_mapAddToContainerNotify, object, [&](CObjectAddToContainerNotity* n) {
        return n->OnBeforeObjectAddToContainer(object, container);
    });
}

std::int32_t CObjectNotifyManager::OnAfterObjectAddToContainer(
    std::shared_ptr<CNameObject> object, std::shared_ptr<CContainer> container) {
    return Dispatch(m_mapAddToContainerNotify, object, [&](CObjectAddToContainerNotity* n) {
        return n->OnAfterObjectAddToContainer(object, container);
    });
}

std::int32_t CObjectNotifyManager::OnBeforeObjectRemoveFromContainer(
    std::shared_ptr<CNameObject> object, std::shared_ptr<CContainer> container) {
    return Dispatch(m_mapRemoveFromContainerNotify, object,
                    [&](CObjectRemoveFromContainerNotify* n) {
                        return n->OnBeforeObjectRemoveFromContainer(object, container);
                    });
}

std::int32_t CObjectNotifyManager::OnAfterObjectRemoveFromContainer(
    std::shared_ptr<CNameObject> object, std::shared_ptr<CContainer> container) {
    return Dispatch(m_mapRemoveFromContainerNotify, object,
                    [&](CObjectRemoveFromContainerNotify* n) {
                        return n->OnAfterObjectRemoveFromContainer(object, container);
                    });
}

std::int32_t CObjectNotifyManager::OnBeforeObjectRelationChange(std::shared_ptr<CNameObject> first,
                                                                std::shared_ptr<CNameObject> second,
                                                                std::uint32_t relationFlags) {
    return Dispatch(m_mapRelationChangeNotify, first, [&](CObjectRelationChangeNotify* n) {
        return n->OnBeforeObjectRelationChange(first, second, relationFlags);
    });
}

std::int32_t CObjectNotifyManager::OnAfterObjectRelationChange(std::shared_ptr<CNameObject> first,
                                                               std::shared_ptr<CNameObject> second,
                                                               std::uint32_t relationFlags) {
    return Dispatch(m_mapRelationChangeNotify, first, [&](CObjectRelationChangeNotify* n) {
        return n->OnAfterObjectRelationChange(first, second, relationFlags);
    });
}

// CObjectNotifyManager: the process-wide registry of change observers. Observers are registered
// per class ID and kind of event; a dispatch calls the observers of the object's nearest
// registered class, then those of the next registered ancestor, and so on while each next
// registered ancestor has observers of that kind. A negative result from any observer stops
// the dispatch and is returned (the veto of a before operation).
//
// The manager holds raw observer pointers and never deletes them; nothing is unregistered.
// No lock: registration happens at start-up, dispatch runs on the caller's thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>

#include "notify/ObjectNotify.h"
#include "platform/Export.h"
#include "platform/RuntimeClass.h"

// "No class": what the nearest-class searches return when nothing matches.
constexpr unsigned int kNoRegisteredClass = 0xFFFFFFFF;

// The most derived member of classes that classID is or derives from (class-registry
// derivation), or kNoRegisteredClass. Both notification managers use it on their class sets.
NAMEOBJECT_API unsigned int FindNearestRegisteredClass(const std::set<unsigned int>& classes,
                                                       unsigned int classID);

class NAMEOBJECT_API CObjectNotifyManager : public CObject {
public:
    static CObjectNotifyManager* GetInstance();

    CObjectNotifyManager(const CObjectNotifyManager&) = delete;
    CObjectNotifyManager& operator=(const CObjectNotifyManager&) = delete;

    // Each adds classID to the class set and the observer to that class's set of its kind (an
    // observer registered twice is held once).
    void RegisterObjectChangeNotify(unsigned int classID, CObjectChangeNotify* notify);
    void RegisterObjectInsertNotify(unsigned int classID, CObjectInsertNotify* notify);
    void RegisterObjectDeleteNotify(unsigned int classID, CObjectDeleteNotify* notify);
    void RegisterObjectAddToContainerNotify(unsigned int classID,
                                            CObjectAddToContainerNotity* notify);
    void RegisterObjectRemoveFromContainerNotify(unsigned int classID,
                                                 CObjectRemoveFromContainerNotify* notify);
    void RegisterObjectRelationChangeNotify(unsigned int classID,
                                            CObjectRelationChangeNotify* notify);

    // 1 when classID is, or derives from, a class with observers of any kind; else 0.
    int IsMjObjectClass(unsigned int classID) const;

    // Dispatch. The result is the last observer's (0 when none was called) or the first
    // negative one. The change operations call nobody and return 0 when the two objects'
    // class IDs differ. An empty object pointer (the one the class is taken from) calls nobody.
    std::int32_t OnBeforeObjectChange(std::shared_ptr<CNameObject> first,
                                      std::shared_ptr<CNameObject> second, std::uint32_t flags);
    std::int32_t OnAfterObjectChange(std::shared_ptr<CNameObject> first,
                                     std::shared_ptr<CNameObject> second, std::uint32_t flags,
                                     std::uint32_t changedSections);
    std::int32_t OnBeforeObjectInsert(std::shared_ptr<CNameObject> object,
                                      std::shared_ptr<CContainer> container);
    std::int32_t OnAfterObjectInsert(std::shared_ptr<CNameObject> object,
                                     std::shared_ptr<CContainer> container);
    std::int32_t OnBeforeObjectDelete(std::shared_ptr<CNameObject> object);
    std::int32_t OnAfterObjectDelete(std::shared_ptr<CNameObject> object);
    std::int32_t OnBeforeObjectAddToContainer(std::shared_ptr<CNameObject> object,
                                              std::shared_ptr<CContainer> container);
    std::int32_t OnAfterObjectAddToContainer(std::shared_ptr<CNameObject> object,
                                             std::shared_ptr<CContainer> container);
    std::int32_t OnBeforeObjectRemoveFromContainer(std::shared_ptr<CNameObject> object,
                                                   std::shared_ptr<CContainer> container);
    std::int32_t OnAfterObjectRemoveFromContainer(std::shared_ptr<CNameObject> object,
                                                  std::shared_ptr<CContainer> container);
    std::int32_t OnBeforeObjectRelationChange(std::shared_ptr<CNameObject> first,
                                              std::shared_ptr<CNameObject> second,
                                              std::uint32_t relationFlags);
    std::int32_t OnAfterObjectRelationChange(std::shared_ptr<CNameObject> first,
                                             std::shared_ptr<CNameObject> second,
                                             std::uint32_t relationFlags);

protected:
    void AddClass(unsigned int classID);
    void RemoveClass(unsigned int classID);  // the observer maps keep their entries
    // The nearest class of the class set that classID is or derives from, or 0xFFFFFFFF.
    unsigned int GetBaseClass(unsigned int classID) const;

private:
    template <class Notify>
    using NotifyMap = std::map<unsigned int, std::set<Notify*>>;

    CObjectNotifyManager() = default;

    template <class Notify>
    void Register(NotifyMap<Notify>& map, unsigned int classID, Notify* notify);
    // Calls call(observer) level by level as described above and returns the result.
    template <class Notify, class Call>
    std::int32_t Dispatch(const NotifyMap<Notify>& map, const std::shared_ptr<CNameObject>& object,
                          Call call);

    std::set<unsigned int> m_setClass;
    NotifyMap<CObjectChangeNotify> m_mapChangeNotify;
    NotifyMap<CObjectInsertNotify> m_mapInsertNotify;
    NotifyMap<CObjectDeleteNotify> m_mapDeleteNotify;
    NotifyMap<CObjectAddToContainerNotity> m_mapAddToContainerNotify;
    NotifyMap<CObjectRemoveFromContainerNotify> m_mapRemoveFromContainerNotify;
    NotifyMap<CObjectRelationChangeNotify> m_mapRelationChangeNotify;
};

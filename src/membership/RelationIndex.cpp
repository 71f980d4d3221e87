#include "membership/RelationIndex.h"

#include <algorithm>
#include <iterator>

#include "core/RelationSink.h"
#include "membership/AccessObject.h"
#include "membership/Container.h"
#include "registry/ClassRegistry.h"
#include "registry/ObjectStore.h"

using IDSet = CObjectParamRelatedObjectManager::IDSet;
using KeySet = CObjectParamRelatedObjectManager::KeySet;
using OwnerToObjects = CObjectParamRelatedObjectManager::OwnerToObjects;
using ObjectToOwners = CObjectParamRelatedObjectManager::ObjectToOwners;

namespace {

constexpr unsigned int kNoClass = 0xFFFFFFFF;

// Class IDs of the named climbing queries (card holders and their groups come from another
// class library).
constexpr std::uint32_t kCardHolderClassID = 501;
constexpr std::uint32_t kCardHolderGroupClassID = 59;
constexpr std::uint32_t kAreaClassID = 62;
constexpr std::uint32_t kAreaGroupClassID = 63;
constexpr std::uint32_t kServerObjectClassID = 0;

const IDSet& EmptyIDSet() {
    static const IDSet empty;
    return empty;
}

const KeySet& EmptyKeySet() {
    static const KeySet empty;
    return empty;
}

// The directional operations, for an ID list given as a set or as a vector.

template <class Ids>
void InsertOwnerObjects(OwnerToObjects& index, std::uint32_t rc, const MJOBJECT_KEY& owner,
                        const Ids& ids) {
    if (ids.empty()) return;
    index[rc][owner].insert(ids.begin(), ids.end());
}

template <class Ids>
void InsertObjectOwners(ObjectToOwners& index, std::uint32_t rc, const MJOBJECT_KEY& owner,
                        const Ids& ids) {
    if (ids.empty()) return;
    auto& owners = index[rc];
    for (std::uint32_t id : ids) owners[id].insert(owner);
}

template <class Ids>
void RemoveOwnerObjects(OwnerToObjects& index, std::uint32_t rc, const MJOBJECT_KEY& owner,
                        const Ids& ids) {
    if (ids.empty()) return;
    auto byClass = index.find(rc);
    if (byClass == index.end()) return;
    auto named = byClass->second.find(owner);
    if (named == byClass->second.end()) return;
    for (std::uint32_t id : ids) named->second.erase(id);
}

template <class Ids>
void RemoveObjectOwners(ObjectToOwners& index, std::uint32_t rc, const MJOBJECT_KEY& owner,
                        const Ids& ids) {
    if (ids.empty()) return;
    auto byClass = index.find(rc);
    if (byClass == index.end()) return;
    for (std::uint32_t id : ids) {
        auto owners = byClass->second.find(id);
        if (owners == byClass->second.end()) return;  // the list ends at the first unknown id
        owners->second.erase(owner);
    }
}

bool DerivesFromAny(unsigned int classID, const std::set<std::uint32_t>& bases) {
    return std::any_of(bases.begin(), bases.end(),
                       [&](std::uint32_t base) { return ::IsDerivedFrom(classID, base) != 0; });
}

// The smallest number of parent steps from classID up to any of bases (0xFFFFFFFF: none).
unsigned int SmallestGradeGap(unsigned int classID, const std::set<std::uint32_t>& bases) {
    unsigned int smallest = kNoClass;
    for (std::uint32_t base : bases)
        smallest = std::min(smallest, ::GetClassGradeGap(classID, base));
    return smallest;
}

// The container of object through which the climb goes on, or empty when the climb ends (no
// container qualifies, or a stop container was met). Between a climb class and a stop class
// the nearer one in the class tree decides; the stop class wins an equal distance.
std::shared_ptr<CContainer> FindClimbParent(const CAccessObject& object,
                                            const std::set<std::uint32_t>& climb,
                                            const std::set<std::uint32_t>& stop) {
    const CAccessObject::ContainerList containers = object.GetContainers();
    bool climbMark = false;
    bool stopMark = false;
    for (const auto& container : containers) {
        if (!container) continue;
        const unsigned int classID = container->GetObjectClassID();
        if (DerivesFromAny(classID, climb)) climbMark = true;
        if (DerivesFromAny(classID, stop)) stopMark = true;
        if (climbMark && stopMark) {
            if (SmallestGradeGap(classID, climb) >= SmallestGradeGap(classID, stop)) {
                climbMark = false;
            } else {
                stopMark = false;
            }
        }
        if (climbMark) return container;
    }
    return nullptr;
}

// CNameObject files its references here.
const bool g_relationSinkSet =
    (SetObjectRelationSink(
         {[](std::uint32_t classID, const MJOBJECT_KEY& owner) {
              CObjectParamRelatedObjectManager::GetInstance()->RemoveRecord(classID, owner);
          },
          [](std::uint32_t classID, const MJOBJECT_KEY& owner, const std::set<std::uint32_t>& ids) {
              CObjectParamRelatedObjectManager::GetInstance()->InsertRecord(classID, owner, ids);
          }}),
     true);

}  // namespace

CObjectParamRelatedObjectManager* CObjectParamRelatedObjectManager::GetInstance() {
    static CObjectParamRelatedObjectManager instance;
    return &instance;
}

// ---- insertion ----------------------------------------------------------------------------

void CObjectParamRelatedObjectManager::InsertRecord(std::uint32_t rc, const MJOBJECT_KEY& owner,
                                                    const IDSet& ids) {
    InsertRecordToOwnerObject(rc, owner, ids);
    InsertRecordToObjectOwner(rc, owner, ids);
}

void CObjectParamRelatedObjectManager::InsertRecord(std::uint32_t rc, const MJOBJECT_KEY& owner,
                                                    const std::vector<std::uint32_t>& ids) {
    InsertRecordToOwnerObject(rc, owner, ids);
    InsertRecordToObjectOwner(rc, owner, ids);
}

void CObjectParamRelatedObjectManager::InsertRecordToOwnerObject(std::uint32_t rc,
                                                                 const MJOBJECT_KEY& owner,
                                                                 const IDSet& ids) {
    InsertOwnerObjects(m_ownerToObjects, rc, owner, ids);
}

void CObjectParamRelatedObjectManager::InsertRecordToOwnerObject(
    std::uint32_t rc, const MJOBJECT_KEY& owner, const std::vector<std::uint32_t>& ids) {
    InsertOwnerObjects(m_ownerToObjects, rc, owner, ids);
}

void CObjectParamRelatedObjectManager::InsertRecordToObjectOwner(std::uint32_t rc,
                                                                 const MJOBJECT_KEY& owner,
                                                                 const IDSet& ids) {
    InsertObjectOwners(m_objectToOwners, rc, owner, ids);
}

void CObjectParamRelatedObjectManager::InsertRecordToObjectOwner(
    std::uint32_t rc, const MJOBJECT_KEY& owner, const std::vector<std::uint32_t>& ids) {
    InsertObjectOwners(m_objectToOwners, rc, owner, ids);
}

// ---- removal ------------------------------------------------------------------------------

void CObjectParamRelatedObjectManager::RemoveRecord(std::uint32_t rc, const MJOBJECT_KEY& owner,
                                                    const IDSet& ids) {
    RemoveRecordFromOwnerObject(rc, owner, ids);
    RemoveRecordFromObjectOwner(rc, owner, ids);
}

void CObjectParamRelatedObjectManager::RemoveRecord(std::uint32_t rc, const MJOBJECT_KEY& owner,
                                                    const std::vector<std::uint32_t>& ids) {
    RemoveRecordFromOwnerObject(rc, owner, ids);
    RemoveRecordFromObjectOwner(rc, owner, ids);
}

void CObjectParamRelatedObjectManager::RemoveRecord(std::uint32_t rc, const MJOBJECT_KEY& owner) {
    RemoveRecordFromOwnerObject(rc, owner);
    RemoveRecordFromObjectOwner(rc, owner);
}

void CObjectParamRelatedObjectManager::RemoveRecord(std::uint32_t rc, std::uint32_t id) {
    RemoveRecordFromOwnerObject(rc, id);
    RemoveRecordFromObjectOwner(rc, id);
}

void CObjectParamRelatedObjectManager::RemoveRecordFromOwnerObject(std::uint32_t rc,
                                                                   const MJOBJECT_KEY& owner,
                                                                   const IDSet& ids) {
    RemoveOwnerObjects(m_ownerToObjects, rc, owner, ids);
}

void CObjectParamRelatedObjectManager::RemoveRecordFromOwnerObject(
    std::uint32_t rc, const MJOBJECT_KEY& owner, const std::vector<std::uint32_t>& ids) {
    RemoveOwnerObjects(m_ownerToObjects, rc, owner, ids);
}

void CObjectParamRelatedObjectManager::RemoveRecordFromOwnerObject(std::uint32_t rc,
                                                                   const MJOBJECT_KEY& owner) {
    auto byClass = m_ownerToObjects.find(rc);
    if (byClass != m_ownerToObjects.end()) byClass->second.erase(owner);
}

void CObjectParamRelatedObjectManager::RemoveRecordFromOwnerObject(std::uint32_t rc,
                                                                   std::uint32_t id) {
    auto byClass = m_ownerToObjects.find(rc);
    if (byClass == m_ownerToObjects.end()) return;
    for (auto& [owner, ids] : byClass->second) ids.erase(id);
}

void CObjectParamRelatedObjectManager::RemoveRecordFromObjectOwner(std::uint32_t rc,
                                                                   const MJOBJECT_KEY& owner,
                                                                   const IDSet& ids) {
    RemoveObjectOwners(m_objectToOwners, rc, owner, ids);
}

void CObjectParamRelatedObjectManager::RemoveRecordFromObjectOwner(
    std::uint32_t rc, const MJOBJECT_KEY& owner, const std::vector<std::uint32_t>& ids) {
    RemoveObjectOwners(m_objectToOwners, rc, owner, ids);
}

void CObjectParamRelatedObjectManager::RemoveRecordFromObjectOwner(std::uint32_t rc,
                                                                   const MJOBJECT_KEY& owner) {
    auto byClass = m_objectToOwners.find(rc);
    if (byClass == m_objectToOwners.end()) return;
    for (auto& [id, owners] : byClass->second) owners.erase(owner);
}

void CObjectParamRelatedObjectManager::RemoveRecordFromObjectOwner(std::uint32_t rc,
                                                                   std::uint32_t id) {
    auto byClass = m_objectToOwners.find(rc);
    if (byClass != m_objectToOwners.end()) byClass->second.erase(id);
}

// ---- queries ------------------------------------------------------------------------------

const IDSet& CObjectParamRelatedObjectManager::GetObjectParamRelatedObject(
    std::uint32_t rc, const MJOBJECT_KEY& owner) const {
    auto byClass = m_ownerToObjects.find(rc);
    if (byClass == m_ownerToObjects.end()) return EmptyIDSet();
    auto named = byClass->second.find(owner);
    return named == byClass->second.end() ? EmptyIDSet() : named->second;
}

const KeySet& CObjectParamRelatedObjectManager::GetObjectRelatedOwner(std::uint32_t rc,
                                                                      std::uint32_t id) const {
    auto byClass = m_objectToOwners.find(rc);
    if (byClass == m_objectToOwners.end()) return EmptyKeySet();
    auto owners = byClass->second.find(id);
    return owners == byClass->second.end() ? EmptyKeySet() : owners->second;
}

void CObjectParamRelatedObjectManager::GetObjectParamRelatedObjectIncludeDerive(
    std::uint32_t rc, const MJOBJECT_KEY& owner, IDSet& out) const {
    for (const auto& [classID, byOwner] : m_ownerToObjects) {
        if (!::IsDerivedFrom(classID, rc)) continue;
        auto named = byOwner.find(owner);
        if (named != byOwner.end()) out.insert(named->second.begin(), named->second.end());
    }
}

void CObjectParamRelatedObjectManager::GetObjectRelatedOwnerIncludeDerive(std::uint32_t rc,
                                                                          std::uint32_t id,
                                                                          KeySet& out) const {
    for (const auto& [classID, byID] : m_objectToOwners) {
        if (!::IsDerivedFrom(classID, rc)) continue;
        auto owners = byID.find(id);
        if (owners != byID.end()) out.insert(owners->second.begin(), owners->second.end());
    }
}

void CObjectParamRelatedObjectManager::GetObjectAndParentRelatedOwnerIncludeDerive(
    std::uint32_t rc, std::uint32_t id, const std::set<std::uint32_t>& climb,
    const std::set<std::uint32_t>& stop, KeySet& out) const {
    GetObjectRelatedOwnerIncludeDerive(rc, id, out);

    std::shared_ptr<CNameObject> object = GDM_Find(rc, id);
    if (!object || !object->IsKindOf(RUNTIME_CLASS(CAccessObject))) return;

    // Membership cannot form cycles, but a chain visited twice would never end: guard anyway.
    std::set<const CAccessObject*> visited;
    std::shared_ptr<CAccessObject> current = std::static_pointer_cast<CAccessObject>(object);
    while (visited.insert(current.get()).second) {
        std::shared_ptr<CContainer> parent = FindClimbParent(*current, climb, stop);
        if (!parent) return;
        for (std::uint32_t climbClassID : climb) {
            KeySet owners;
            GetObjectRelatedOwnerIncludeDerive(climbClassID, parent->GetID(), owners);
            if (!owners.empty()) {
                out.insert(owners.begin(), owners.end());
                break;
            }
        }
        current = parent;
    }
}

void CObjectParamRelatedObjectManager::GetCardHolderObjectAndParentRelatedOwnerIncludeDerive(
    std::uint32_t id, KeySet& out) const {
    GetObjectAndParentRelatedOwnerIncludeDerive(kCardHolderClassID, id, {kCardHolderGroupClassID},
                                                {kAreaGroupClassID}, out);
}

void CObjectParamRelatedObjectManager::GetCardHolderGroupObjectAndParentRelatedOwnerIncludeDerive(
    std::uint32_t id, KeySet& out) const {
    GetObjectAndParentRelatedOwnerIncludeDerive(
        kCardHolderGroupClassID, id, {kCardHolderGroupClassID}, {kAreaGroupClassID}, out);
}

void CObjectParamRelatedObjectManager::GetAreaObjectAndParentRelatedOwnerIncludeDerive(
    std::uint32_t id, KeySet& out) const {
    GetObjectAndParentRelatedOwnerIncludeDerive(kAreaClassID, id, {kAreaClassID, kAreaGroupClassID},
                                                {kServerObjectClassID}, out);
}

void CObjectParamRelatedObjectManager::GetObjectRelatedOwnerRecursive(MJOBJECT_KEY key,
                                                                      KeySet& out) const {
    const std::size_t sizeBefore = out.size();

    // Owners naming the object under its own class and each ancestor below the first base
    // class (a class outside the tree has no parent: the walk ends there too).
    KeySet owners;
    std::uint32_t rc = key.nClassID;
    do {
        const KeySet& named = GetObjectRelatedOwner(rc, key.nID);
        owners.insert(named.begin(), named.end());
        rc = ::GetParentClassID(rc);
    } while (rc != kNoClass && ::IsBaseClassID(rc) == 0);
    if (owners.empty()) return;

    KeySet fresh;
    std::set_difference(owners.begin(), owners.end(), out.begin(), out.end(),
                        std::inserter(fresh, fresh.end()));
    out.insert(fresh.begin(), fresh.end());
    if (out.size() == sizeBefore) return;
    for (const MJOBJECT_KEY& owner : fresh) GetObjectRelatedOwnerRecursive(owner, out);
}

void CObjectParamRelatedObjectManager::GetSubSet(const KeySet& in, KeySet& out,
                                                 std::uint32_t classID, int includeDerived) {
    for (const MJOBJECT_KEY& key : in) {
        if (key.nClassID == classID ||
            (includeDerived != 0 && ::IsDerivedFrom(key.nClassID, classID))) {
            out.insert(key);
        }
    }
}

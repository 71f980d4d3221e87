// CObjectParamRelatedObjectManager: the index of references between objects held in their
// parameters, in both directions: per related class, which IDs each owner names, and which
// owners name each ID. Rebuilt from the objects at start-up, kept current on insert, change
// and delete (through CNameObject::UpdateObjectRelated). Memory only; no lock.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "core/ObjectKey.h"
#include "platform/Export.h"

class NAMEOBJECT_API CObjectParamRelatedObjectManager {
public:
    using IDSet = std::set<std::uint32_t>;
    using KeySet = std::set<MJOBJECT_KEY>;
    using OwnerToObjects = std::map<std::uint32_t, std::map<MJOBJECT_KEY, IDSet>>;
    using ObjectToOwners = std::map<std::uint32_t, std::map<std::uint32_t, KeySet>>;

    static CObjectParamRelatedObjectManager* GetInstance();

    void InsertRecord(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner, const IDSet& ids);
    void InsertRecord(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                      const std::vector<std::uint32_t>& ids);
    void InsertRecordToOwnerObject(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                                   const IDSet& ids);
    void InsertRecordToOwnerObject(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                                   const std::vector<std::uint32_t>& ids);
    void InsertRecordToObjectOwner(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                                   const IDSet& ids);
    void InsertRecordToObjectOwner(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                                   const std::vector<std::uint32_t>& ids);

    void RemoveRecord(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner, const IDSet& ids);
    void RemoveRecord(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                      const std::vector<std::uint32_t>& ids);
    void RemoveRecord(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner);
    void RemoveRecord(std::uint32_t relatedClassID, std::uint32_t id);
    void RemoveRecordFromOwnerObject(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                                     const IDSet& ids);
    void RemoveRecordFromOwnerObject(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                                     const std::vector<std::uint32_t>& ids);
    void RemoveRecordFromOwnerObject(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner);
    void RemoveRecordFromOwnerObject(std::uint32_t relatedClassID, std::uint32_t id);
    // Erases owner from the owner sets of ids, in order, up to the first id without an entry.
    void RemoveRecordFromObjectOwner(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                                     const IDSet& ids);
    void RemoveRecordFromObjectOwner(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                                     const std::vector<std::uint32_t>& ids);
    void RemoveRecordFromObjectOwner(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner);
    void RemoveRecordFromObjectOwner(std::uint32_t relatedClassID, std::uint32_t id);

    // The IDs of relatedClassID that owner names (a shared empty set when none).
    const IDSet& GetObjectParamRelatedObject(std::uint32_t relatedClassID,
                                             const MJOBJECT_KEY& owner) const;
    // The owners that name object id of relatedClassID (a shared empty set when none).
    const KeySet& GetObjectRelatedOwner(std::uint32_t relatedClassID, std::uint32_t id) const;
    // The same over relatedClassID and its derived classes; the results are added to out.
    void GetObjectParamRelatedObjectIncludeDerive(std::uint32_t relatedClassID,
                                                  const MJOBJECT_KEY& owner, IDSet& out) const;
    void GetObjectRelatedOwnerIncludeDerive(std::uint32_t relatedClassID, std::uint32_t id,
                                            KeySet& out) const;
    // Owners of the object and of the containers it climbs through (climb classes), up to a
    // container of a stop class.
    void GetObjectAndParentRelatedOwnerIncludeDerive(std::uint32_t relatedClassID, std::uint32_t id,
                                                     const std::set<std::uint32_t>& climb,
                                                     const std::set<std::uint32_t>& stop,
                                                     KeySet& out) const;
    void GetCardHolderObjectAndParentRelatedOwnerIncludeDerive(std::uint32_t id, KeySet& out) const;
    void GetCardHolderGroupObjectAndParentRelatedOwnerIncludeDerive(std::uint32_t id,
                                                                    KeySet& out) const;
    void GetAreaObjectAndParentRelatedOwnerIncludeDerive(std::uint32_t id, KeySet& out) const;
    // Owners, owners of owners, and so on (each key expanded once).
    void GetObjectRelatedOwnerRecursive(MJOBJECT_KEY key, KeySet& out) const;
    static void GetSubSet(const KeySet& in, KeySet& out, std::uint32_t classID, int includeDerived);

    int Cleanup() { return 1; }
    int DeleteStaticDataByServerNO(std::uint32_t) { return 0; }

    const OwnerToObjects& OwnerObjects() const { return m_ownerToObjects; }
    const ObjectToOwners& ObjectOwners() const { return m_objectToOwners; }

private:
    CObjectParamRelatedObjectManager() = default;

    OwnerToObjects m_ownerToObjects;
    ObjectToOwners m_objectToOwners;
};

// CArea: a configured area of the installation.
#pragma once

#include <map>
#include <memory>

#include "membership/Container.h"

class NAMEOBJECT_API CArea : public CContainer {
    NO_DECLARE_OBJECT_CLASS(CArea, 62, 0x83020200)

public:

    // The objects that lie in this area (they name it in their area IDs), by key.
    using ObjectsInArea = std::map<MJOBJECT_KEY, std::shared_ptr<CAccessObject>>;

    CArea();
    ~CArea() override;

    const ObjectsInArea& GetObjectsInArea() const { return m_mapObjectsInArea; }

    // ---- virtual operations added after CContainer's, in slot order ------------
    // Places object in this area: the area's map, and this area in the object's area sets.
    // Memory only. An empty object does nothing.
    virtual void AddObjectToArea(std::shared_ptr<CAccessObject> object);
    // The reverse of AddObjectToArea.
    virtual void RemoveObjectFromArea(std::shared_ptr<CAccessObject> object);

    // ---- overrides ------------------------------------------------------------
    void FinalRelease() override;

protected:
    ObjectsInArea m_mapObjectsInArea;
};

#include "areas/Area.h"

#include <set>

NO_IMPLEMENT_OBJECT_CLASS(CArea, CContainer)

CArea::CArea() { m_nClassID = kClassID; }

CArea::~CArea() = default;

void CArea::AddObjectToArea(std::shared_ptr<CAccessObject> object) {
    if (!object) return;
    m_mapObjectsInArea[object->GetObjectUniqueID()] = object;
    object->GetAreaID().insert(m_nID);
    if (auto self = SelfAs<CArea>()) object->GetArea().insert(std::move(self));
}

void CArea::RemoveObjectFromArea(std::shared_ptr<CAccessObject> object) {
    if (!object) return;
    m_mapObjectsInArea.erase(object->GetObjectUniqueID());
    object->GetAreaID().erase(m_nID);
    std::erase_if(object->GetArea(), [this](const auto& area) { return area.get() == this; });
}

void CArea::FinalRelease() {
    // The placed objects keep their area sets; only this area's references go.
    m_mapObjectsInArea.clear();
    CContainer::FinalRelease();
}

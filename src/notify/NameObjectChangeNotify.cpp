#include "notify/NameObjectChangeNotify.h"

#include "core/NameObject.h"
#include "notify/ObjectNotifyManager.h"
#include "registry/ClassRegistry.h"
#include "registry/ObjectStore.h"

namespace {

// Objects of this class (from another class library) keep their relations themselves.
constexpr unsigned int kSelfRelatedClassID = 12;

}  // namespace

std::int32_t CNameObjectChangeNotify::OnBeforeObjectChange(std::shared_ptr<CNameObject>,
                                                           std::shared_ptr<CNameObject>,
                                                           std::uint32_t) {
    return 0;
}

std::int32_t CNameObjectChangeNotify::OnAfterObjectChange(std::shared_ptr<CNameObject> first,
                                                          std::shared_ptr<CNameObject> second,
                                                          std::uint32_t flags,
                                                          std::uint32_t changedSections) {
    if (!first || !second) return 0;
    const MJOBJECT_KEY key = second->GetObjectUniqueID();
    std::shared_ptr<CNameObject> live = GDM_Find(key.nClassID, key.nID, key.nServerNO);
    if (live && !::IsDerivedFrom(live->GetObjectClassID(), kSelfRelatedClassID)) {
        live->UpdateObjectRelated(RELATED_OP_CHANGE, first, flags, changedSections);
    }
    return 0;
}

void RegisterLibraryChangeObserver() {
    static CNameObjectChangeNotify observer;
    CObjectNotifyManager::GetInstance()->RegisterObjectChangeNotify(1, &observer);
}

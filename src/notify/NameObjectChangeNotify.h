// The library's own change observer, registered for class 1 (every object class) when the
// library is loaded: after a change it lets the live object filed under the changed object's
// key rebuild its entries in the relation index.
#pragma once

#include "notify/ObjectNotify.h"
#include "platform/Export.h"

class NAMEOBJECT_API CNameObjectChangeNotify final : public CObjectChangeNotify {
public:
    // Never vetoes: 0.
    std::int32_t OnBeforeObjectChange(std::shared_ptr<CNameObject> first,
                                      std::shared_ptr<CNameObject> second,
                                      std::uint32_t flags) override;
    // Finds the object filed under second's key; unless its class derives from class 12, calls
    // its UpdateObjectRelated(RELATED_OP_CHANGE, first, flags, changedSections). Always 0.
    std::int32_t OnAfterObjectChange(std::shared_ptr<CNameObject> first,
                                     std::shared_ptr<CNameObject> second, std::uint32_t flags,
                                     std::uint32_t changedSections) override;
};

// Registers the library's static CNameObjectChangeNotify for class 1 (repeated calls register
// it once).
NAMEOBJECT_API void RegisterLibraryChangeObserver();

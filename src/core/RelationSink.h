// Where CNameObject::UpdateObjectRelated files the references an object holds in its
// parameters. The relation index installs the sink when the library is loaded; without one,
// UpdateObjectRelated files nothing.
#pragma once

#include <cstdint>
#include <set>

#include "core/ObjectKey.h"

struct ObjectRelationSink {
    // Forgets every ID of relatedClassID that owner named.
    void (*removeOwner)(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner);
    // Records that owner names ids of relatedClassID.
    void (*insertOwner)(std::uint32_t relatedClassID, const MJOBJECT_KEY& owner,
                        const std::set<std::uint32_t>& ids);
};

void SetObjectRelationSink(const ObjectRelationSink& sink);

#include "misc/AuxRestData.h"

#include "core/RestData.h"

int SaveAuxRestData(CAccessObject& object, CBufferWriter& writer, std::int32_t version) {
    return SaveRestLevel(
        writer, [&object](CBufferWriter& w) { return object.CAccessObject::SaveRestData(w); },
        version, nullptr);
}

int LoadAuxRestData(CAccessObject& object, CBufferReader& reader, int restArg,
                    std::int32_t version) {
    const std::set<std::uint32_t> areaIDs = object.GetAreaID();
    auto loadAccess = [&object, restArg](CBufferReader& r) {
        return object.CAccessObject::LoadRestData(r, restArg);
    };
    // The two forms cannot be mistaken for each other: each fails the other's length checks.
    if (LoadRestLevel(reader, loadAccess, version, nullptr) || loadAccess(reader)) return 1;
    object.SetAreaID(areaIDs);
    return 0;
}

// The nesting rule of rest data: one length-prefixed level per class.
#include "core/RestData.h"

#include "platform/NoThrow.h"

int SaveRestLevel(CBufferWriter& writer, const RestBaseSaver& saveBase, std::int32_t version,
                  const RestFieldsSaver& saveFields) {
    SectionWriter section(writer);
    if (saveBase && !saveBase(writer)) return 0;
    if (!writer.Write(version)) return 0;
    if (saveFields && !saveFields(writer)) return 0;
    return section.Finish();
}

int LoadRestLevel(CBufferReader& reader, const RestBaseLoader& loadBase, std::int32_t ownVersion,
                  const RestFieldsLoader& loadFields) {
    // Field loaders may allocate by counts read from the input; whatever they throw ends the
    // level here as a failure, with the position restored by the guard.
    return GuardAllocation(0, [&] {
        SectionReader level(reader);
        if (!level.ReadLength()) return 0;
        if (loadBase && !loadBase(reader)) return 0;
        if (!level.ReadVersion(ownVersion)) return 0;
        if (loadFields && !loadFields(reader, level.Version())) return 0;
        return level.Finish();
    });
}

// The nesting rule of rest data: one length-prefixed level per class.
#include "core/RestData.h"

#include <exception>

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
    try {
        ReadGuard guard(reader);
        std::int32_t length = 0;
        if (!reader.Read(length)) return 0;
        if (loadBase && !loadBase(reader)) return 0;
        std::int32_t version = 0;
        if (!reader.Read(version) || version > ownVersion) return 0;
        if (loadFields && !loadFields(reader, version)) return 0;
        return guard.CommitIfConsumed(length);
    } catch (const std::exception&) {
        return 0;
    }
}

// The rest data of the auxiliary base classes: one level holding the access object's rest
// data and the class's version, no fields.
#pragma once

#include <cstdint>

#include "membership/AccessObject.h"

// 1 on success, 0 on failure.
int SaveAuxRestData(CAccessObject& object, CBufferWriter& writer, std::int32_t version);

// Reads the level written by SaveAuxRestData. A block written before these classes had a
// level of their own (the access object's level alone, under the same row version) is read
// as such. A newer version or any other form fails with the position and the object's area
// IDs unchanged. 1 or 0.
int LoadAuxRestData(CAccessObject& object, CBufferReader& reader, int restArg,
                    std::int32_t version);

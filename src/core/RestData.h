// The nesting rule of rest data, written once for every class:
//
//   [4-byte length, counting itself][the base class's rest block][4-byte version][own fields]
//
// A class's SaveRestData calls SaveRestLevel with its base's SaveRestData, its data version
// and a writer of its own fields; its LoadRestData calls LoadRestLevel likewise. The loader
// refuses a version newer than the class's own and succeeds only when the block's bytes were
// consumed exactly; on failure the read position is restored.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/BufferIO.h"
#include "platform/Export.h"

using RestBaseSaver = std::function<int(CBufferWriter&)>;
using RestFieldsSaver = std::function<int(CBufferWriter&)>;
using RestBaseLoader = std::function<int(CBufferReader&)>;
// Reads the fields that `version` has; 1 or 0.
using RestFieldsLoader = std::function<int(CBufferReader&, std::int32_t version)>;

// Writes one level: 1, or 0 when the base, the version or the fields cannot be written.
NAMEOBJECT_API int SaveRestLevel(CBufferWriter& writer, const RestBaseSaver& saveBase,
                                 std::int32_t version, const RestFieldsSaver& saveFields);
// Reads one level: 1, or 0 (position restored) for a length below 4, a failed base, a version
// above ownVersion, failed fields, bytes not consumed exactly, or memory running out.
NAMEOBJECT_API int LoadRestLevel(CBufferReader& reader, const RestBaseLoader& loadBase,
                                 std::int32_t ownVersion, const RestFieldsLoader& loadFields);

// The older raw rest form (no length words) is read from caller memory: `size` holds the bytes
// available on entry and receives the bytes consumed. RawCursor keeps that bookkeeping.
class RawCursor {
public:
    RawCursor(const void* data, int available)
        : m_p(static_cast<const std::uint8_t*>(data)), m_available(available < 0 ? 0 : available) {}
    bool Skip(int n) {
        if (n < 0 || n > m_available - m_used) return false;
        m_used += n;
        return true;
    }
    // A little-endian 32-bit value; false (nothing consumed) when fewer than 4 bytes remain.
    bool ReadU32(std::uint32_t& v) {
        if (Remaining() < 4) return false;
        v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | m_p[m_used + i];
        m_used += 4;
        return true;
    }
    const std::uint8_t* Current() const { return m_p + m_used; }
    int Used() const { return m_used; }
    int Remaining() const { return m_available - m_used; }

private:
    const std::uint8_t* m_p;
    int m_available;
    int m_used = 0;
};

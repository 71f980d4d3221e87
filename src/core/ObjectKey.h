// MJOBJECT_KEY, the identity of an object (class ID, object ID, server number), and the
// hash helpers for maps keyed by class-and-ID keys and by strings.
#pragma once

#include <cstdint>

#include "platform/CString.h"
#include "platform/Export.h"

struct NAMEOBJECT_API MJOBJECT_KEY {
    std::uint32_t nClassID = 0xFFFFFFFF;
    std::uint32_t nID = 0xFFFFFFFF;
    std::uint32_t nServerNO = 0xFFFFFFFF;

    MJOBJECT_KEY() = default;
    MJOBJECT_KEY(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO)
        : nClassID(classID), nID(id), nServerNO(serverNO) {}

    // Ordered by ID, then class ID, then server number (all unsigned).
    friend bool operator<(const MJOBJECT_KEY& a, const MJOBJECT_KEY& b) {
        if (a.nID != b.nID) return a.nID < b.nID;
        if (a.nClassID != b.nClassID) return a.nClassID < b.nClassID;
        return a.nServerNO < b.nServerNO;
    }
    friend bool operator==(const MJOBJECT_KEY& a, const MJOBJECT_KEY& b) {
        return a.nClassID == b.nClassID && a.nID == b.nID && a.nServerNO == b.nServerNO;
    }
    friend bool operator!=(const MJOBJECT_KEY& a, const MJOBJECT_KEY& b) { return !(a == b); }
};

// The class-and-ID key: class ID in the upper 32 bits, object ID in the lower.
constexpr std::uint64_t MakeClassIDAndIDKey(std::uint32_t classID, std::uint32_t id) {
    return (static_cast<std::uint64_t>(classID) << 32) | id;
}

union ULARGE_INTEGER {
    struct {
        std::uint32_t LowPart;
        std::uint32_t HighPart;
    };
    std::uint64_t QuadPart;
};

// Low 32 bits shifted right by 4.
NAMEOBJECT_API std::uint32_t HashKey(ULARGE_INTEGER key);
// The first min(4, n) bytes (n = the number of characters) of the string's UTF-16 buffer as
// a little-endian word (zero when empty), shifted right by 4.
NAMEOBJECT_API std::uint32_t HashKey(const CString& key);
// Equality of both halves.
NAMEOBJECT_API bool CompareElements(const ULARGE_INTEGER* a, const ULARGE_INTEGER* b);

// Hash helpers for maps keyed by class-and-ID keys and by strings.
#include "core/ObjectKey.h"

#include <cstring>

std::uint32_t HashKey(ULARGE_INTEGER key) { return key.LowPart >> 4; }

std::uint32_t HashKey(const CString& key) {
    // The leading bytes of the UTF-16 buffer: four, or as many bytes as the string has
    // characters when it is shorter (bytes, not characters: "AB" hashes only the unit of A).
    std::uint32_t word = 0;
    const int length = key.GetLength();
    const std::size_t bytes = length > 4 ? 4 : static_cast<std::size_t>(length);
    if (bytes > 0) std::memcpy(&word, key.GetString(), bytes);
    return word >> 4;
}

bool CompareElements(const ULARGE_INTEGER* a, const ULARGE_INTEGER* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return a->LowPart == b->LowPart && a->HighPart == b->HighPart;
}

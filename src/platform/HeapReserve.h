// Heap preparation for a bulk load whose size is known up front. The load's many small
// allocations then come from one heap extension that the kernel may back with huge pages,
// instead of faulting in the heap 4 KiB at a time.
#pragma once

#include <cstddef>

#include "platform/Export.h"

// Keeps the heap prepared while it lives: on construction grows the process heap by about
// `bytes` in one step (untouched, so nothing becomes resident until used) and advises huge
// pages for it; on destruction lets the heap shrink again as usual. Does nothing when the
// calling thread does not allocate from the process heap (another malloc arena, a sanitizer's
// allocator) or when bytes is 0.
class NAMEOBJECT_API HeapReservation {
public:
    explicit HeapReservation(std::size_t bytes);
    ~HeapReservation();
    HeapReservation(const HeapReservation&) = delete;
    HeapReservation& operator=(const HeapReservation&) = delete;

    // Bytes the heap grew by for the load; 0 when nothing was done.
    std::size_t Reserved() const { return m_reserved; }

private:
    std::size_t m_reserved = 0;
    bool m_padSet = false;
};

// The heap reservation works through glibc's malloc: a top pad as large as the load makes the
// next heap extension take the whole reservation at once; a few blocks are taken to force that
// extension now, then given back (they merge into the top of the heap). The new range is
// advised for huge pages before anything touches it.
#include "platform/HeapReserve.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace {

constexpr std::size_t kDefaultTopPad = 128 * 1024;  // glibc's own default
constexpr std::size_t kProbeBlock = 64 * 1024;      // below glibc's smallest mmap threshold
constexpr std::size_t kMaxProbes = 64;
constexpr std::size_t kMaxPad = 0x7FE00000;  // the largest whole number of 2 MiB an int holds

// Reservations may overlap when loads run on several threads; the top pad is one setting.
std::mutex g_mutex;
int g_active = 0;

std::uintptr_t Break() { return reinterpret_cast<std::uintptr_t>(sbrk(0)); }

// Whether this thread's small allocations come from the brk heap (below the break).
bool UsesProcessHeap() {
    void* probe = std::malloc(64);
    const bool below = probe != nullptr && reinterpret_cast<std::uintptr_t>(probe) < Break();
    std::free(probe);
    return below;
}

}  // namespace

HeapReservation::HeapReservation(std::size_t bytes) {
#if defined(__GLIBC__)
    if (bytes == 0) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!UsesProcessHeap()) return;
    ++g_active;
    m_padSet = true;
    mallopt(M_TOP_PAD, static_cast<int>(bytes < kMaxPad ? bytes : kMaxPad));
    const std::uintptr_t before = Break();
    void* held[kMaxProbes];
    std::size_t count = 0;
    while (count < kMaxProbes && Break() == before) {
        held[count] = std::malloc(kProbeBlock);
        if (held[count] == nullptr) break;
        ++count;
    }
    const std::uintptr_t after = Break();
    for (std::size_t i = 0; i < count; ++i) std::free(held[i]);
    if (after <= before) return;
    const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t start = (before + page - 1) & ~(page - 1);
    if (after > start) madvise(reinterpret_cast<void*>(start), after - start, MADV_HUGEPAGE);
    m_reserved = after - before;
#else
    (void)bytes;
#endif
}

HeapReservation::~HeapReservation() {
#if defined(__GLIBC__)
    if (!m_padSet) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (--g_active == 0) mallopt(M_TOP_PAD, static_cast<int>(kDefaultTopPad));
#endif
}

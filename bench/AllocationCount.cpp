// Counts the global operator new calls of a benchmark program (one relaxed increment each)
// and keeps the live blocks by malloc chunk size, for the per-object memory breakdown.
#include <malloc.h>

#include <cstdlib>
#include <new>

#include "BenchSupport.h"

namespace {
std::atomic<std::size_t> g_allocations{0};
std::atomic<long> g_liveByChunk[bench::kChunkClasses];
bool g_tracking = false;  // set before any thread starts

// malloc's chunk for a block: the usable size plus its 8-byte header, in 16-byte classes.
std::size_t ChunkClass(void* p) {
    const std::size_t chunk = (malloc_usable_size(p) + 8) / 16;
    return chunk < bench::kChunkClasses ? chunk : bench::kChunkClasses - 1;
}

void* Counted(void* p) {
    if (p != nullptr) {
        g_allocations.fetch_add(1, std::memory_order_relaxed);
        if (g_tracking) g_liveByChunk[ChunkClass(p)].fetch_add(1, std::memory_order_relaxed);
    }
    return p;
}

void Release(void* p) {
    if (p != nullptr && g_tracking) {
        g_liveByChunk[ChunkClass(p)].fetch_sub(1, std::memory_order_relaxed);
    }
    std::free(p);
}
}  // namespace

void bench::TrackLiveBlocks() { g_tracking = true; }

std::size_t bench::Allocations() { return g_allocations.load(std::memory_order_relaxed); }

bench::LiveBlocks bench::LiveByChunk() {
    LiveBlocks live{};
    for (std::size_t i = 0; i < kChunkClasses; ++i) {
        live[i] = g_liveByChunk[i].load(std::memory_order_relaxed);
    }
    return live;
}

void* operator new(std::size_t size) {
    if (void* p = Counted(std::malloc(size == 0 ? 1 : size))) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Counted(std::malloc(size == 0 ? 1 : size));
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

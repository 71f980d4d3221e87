// The bulk load's heap reservation: the process heap grows in one step with huge pages advised
// for the new range; threads of another malloc arena (and sanitizer allocators) are left alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/HeapReserve.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOwnAllocator = false;  // the sanitizer's allocator does not use the brk heap
#else
constexpr bool kOwnAllocator = true;
#endif

// The VmFlags line of the mapping that holds address, from /proc/self/smaps.
std::string FlagsOfMapping(std::uintptr_t address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> from >> dash >> to && dash == '-') {
            inside = from <= address && address < to;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return {};
}

}  // namespace

TEST(HeapReservation, GrowsTheProcessHeapOnceWithHugePagesAdvised) {
    constexpr std::size_t kBytes = 16 << 20;
    std::size_t reserved = 0;
    std::string flags;
    {
        const HeapReservation heap(kBytes);
        reserved = heap.Reserved();
        flags = FlagsOfMapping(reinterpret_cast<std::uintptr_t>(sbrk(0)) - 1);
        // The reserved heap serves the load's allocations without growing again.
        const std::uintptr_t top = reinterpret_cast<std::uintptr_t>(sbrk(0));
        std::vector<void*> blocks;
        for (std::size_t i = 0; i < kBytes / 2 / 512; ++i) blocks.push_back(std::malloc(512));
        if (kOwnAllocator) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(sbrk(0)), top);
        }
        for (void* block : blocks) std::free(block);
    }
    if (kOwnAllocator) {
        EXPECT_GE(reserved, kBytes);
        EXPECT_NE(flags.find(" hg"), std::string::npos) << flags;
    } else {
        EXPECT_EQ(reserved, 0u);
    }

    // A thread with an arena of its own gets nothing reserved.
    std::thread([] {
        const HeapReservation heap(kBytes);
        EXPECT_EQ(heap.Reserved(), 0u);
    }).join();
}

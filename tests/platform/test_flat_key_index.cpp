// FlatKeyIndex against an ordered map: long runs of counted keys with holes, keys displaced
// past erased slots, refiling and growing.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>

#include "platform/FlatKeyIndex.h"

namespace {

template <bool kCounted>
void CheckAgainstMap() {
    FlatKeyIndex<int, kCounted> index;
    std::map<std::uint64_t, int> expected;
    // Files (value >= 0) or erases (value < 0) every step-th key of [first, first + count).
    auto apply = [&](std::uint64_t first, int count, int step, int value) {
        for (std::uint64_t key = first; key < first + count; key += step) {
            if (value >= 0) {
                index.Get(key) = expected[key] = value;
            } else {
                EXPECT_EQ(index.Erase(key), expected.erase(key) == 1) << key;
            }
        }
        ASSERT_EQ(index.Size(), expected.size());
        for (std::uint64_t key = 0x1000 - 2; key < 0x1000 + 4200; ++key) {
            const int* found = index.Find(key);
            ASSERT_EQ(found != nullptr, expected.count(key) == 1) << key;
            if (found) {
                EXPECT_EQ(*found, expected[key]) << key;
            }
        }
    };
    apply(0x1000, 3000, 1, 1);          // one long run of counted keys in 4,096 slots
    apply(0x1000, 3000, 3, -1);         // holes in it
    apply(0x1000 + 4096, 40, 1, 2);     // the same home slots, filed past the run
    apply(0x1000 + 1, 39, 1, -1);       // the keys before them go; an erased one is refused
    apply(0x1000 + 4096 + 5, 1, 1, 3);  // found past erased slots, not filed twice
    apply(0x1000, 60, 2, 4);            // erased keys come back
    apply(0x9000, 20000, 1, 5);         // growing keeps everything
}

TEST(FlatKeyIndex, CountedKeysAgreeWithAnOrderedMap) { CheckAgainstMap<true>(); }

TEST(FlatKeyIndex, HashedKeysAgreeWithAnOrderedMap) { CheckAgainstMap<false>(); }

// Two counted runs whose low bits overlap (another class's counter, IDs imported from
// elsewhere) would file the second run behind the first, a walk of tens of thousands of slots
// per find; the table spreads them instead, and every key stays found.
TEST(FlatKeyIndex, OverlappingCountedRunsKeepFindsShort) {
    FlatKeyIndex<std::uint64_t, true> index;
    for (std::uint64_t key = 9000001; key <= 9100000; ++key) index.Get(key) = key;
    EXPECT_EQ(index.LongestProbe(), 0u);
    for (std::uint64_t key = 1; key <= 200000; ++key) index.Get(key) = key;
    EXPECT_LT(index.LongestProbe(), 200u);
    ASSERT_EQ(index.Size(), 300000u);
    for (std::uint64_t key : {1ull, 87105ull, 200000ull, 9000001ull, 9100000ull}) {
        ASSERT_NE(index.Find(key), nullptr) << key;
        EXPECT_EQ(*index.Find(key), key);
    }
    EXPECT_EQ(index.Find(200001), nullptr);
}

}  // namespace

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

}  // namespace

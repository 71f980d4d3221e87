// FlatKeyIndex with counted and with hashed keys: filing, finding, erasing and refiling,
// keys displaced from their home slot, and searches for missing keys in long runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>

#include "platform/FlatKeyIndex.h"

namespace {

// Runs the same script on an index and on a std::map and compares them after every step.
template <bool kCounted>
void CheckAgainstMap() {
    FlatKeyIndex<int, kCounted> index;
    std::map<std::uint64_t, int> expected;
    auto file = [&](std::uint64_t key, int value) {
        index.Get(key) = value;
        expected[key] = value;
    };
    auto erase = [&](std::uint64_t key) {
        EXPECT_EQ(index.Erase(key), expected.erase(key) == 1) << key;
    };
    auto compare = [&](std::uint64_t first, std::uint64_t last) {
        ASSERT_EQ(index.Size(), expected.size());
        for (std::uint64_t key = first; key <= last; ++key) {
            const int* found = index.Find(key);
            const auto it = expected.find(key);
            ASSERT_EQ(found != nullptr, it != expected.end()) << key;
            if (found) {
                EXPECT_EQ(*found, it->second) << key;
            }
        }
    };
    // One long run of counted keys (0x1000 + 0 .. 2999), then holes in it.
    for (std::uint64_t key = 0x1000; key < 0x1000 + 3000; ++key) file(key, static_cast<int>(key));
    for (std::uint64_t key = 0x1000; key < 0x1000 + 3000; key += 3) erase(key);
    compare(0x1000 - 10, 0x1000 + 3010);
    // Keys that share home slots with filed ones (a capacity apart) go past them, also past
    // erased slots, and stay found when the keys before them go.
    for (std::uint64_t key = 0x1000 + 4096; key < 0x1000 + 4096 + 40; ++key) file(key, 7);
    for (std::uint64_t key = 0x1000 + 1; key < 0x1000 + 40; ++key) erase(key);
    file(0x1000 + 4096 + 5, 9);  // filed past erased slots: found there, not filed twice
    compare(0x1000, 0x1000 + 4096 + 50);
    // Erased keys come back, an erased key erased again is refused, growing keeps everything.
    for (std::uint64_t key = 0x1000; key < 0x1000 + 60; key += 2) file(key, -1);
    erase(0x1000 + 1);
    for (std::uint64_t key = 0x9000; key < 0x9000 + 20000; ++key) file(key, 1);
    compare(0x1000, 0x1000 + 4096 + 50);
    compare(0x9000 - 5, 0x9000 + 20005);
    EXPECT_EQ(index.Find(~std::uint64_t{0}), nullptr);
    EXPECT_FALSE(index.Erase(~std::uint64_t{0} - 1));
}

TEST(FlatKeyIndex, CountedKeysAgreeWithAnOrderedMap) { CheckAgainstMap<true>(); }

TEST(FlatKeyIndex, HashedKeysAgreeWithAnOrderedMap) { CheckAgainstMap<false>(); }

}  // namespace

// Object and point IDs allocated from several threads at once.
#include "support/Test.h"

namespace {

constexpr int kThreads = 8;

// Runs `allocate` on kThreads threads until it reports 0 (or `perThread` times) and returns
// every ID handed out, sorted.
template <class Allocate>
std::vector<std::uint64_t> AllocateConcurrently(Allocate allocate, int perThread) {
    std::vector<std::vector<std::uint64_t>> handedOut(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::uint64_t id = 0;
            for (int i = 0; i < perThread && allocate(id); ++i) handedOut[t].push_back(id);
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::vector<std::uint64_t> all;
    for (const auto& ids : handedOut) all.insert(all.end(), ids.begin(), ids.end());
    std::sort(all.begin(), all.end());
    return all;
}

// A 32-bit allocator in the shape AllocateConcurrently takes.
template <int (*Next)(std::uint32_t*)>
bool Allocated(std::uint64_t& out) {
    std::uint32_t id = 0;
    const bool ok = Next(&id) == 1;
    out = id;
    return ok;
}

bool AllDistinct(const std::vector<std::uint64_t>& sorted) {
    return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

}  // namespace

TEST(IdConcurrency, EveryObjectIDOnceUpToTheLimit) {
    TestInstallation inst;
    inst.Connect();
    ASSERT_TRUE(GetDatabase()->Execute("INSERT INTO ServerOption VALUES (16777216, -16777216)"));
    ASSERT_EQ(GetCurrentServerMask(), 0xFF000000u);  // identity read before the threads start
    constexpr std::uint32_t kHighest = 0x01FFFFFF;
    constexpr std::uint32_t kAvailable = 20000;
    ASSERT_EQ(SetLocalMaxObjectID(kHighest - kAvailable), S_SUCCESS);

    const auto ids = AllocateConcurrently(Allocated<GetLocalNextObjectID>, kAvailable);
    ASSERT_EQ(ids.size(), kAvailable);
    EXPECT_TRUE(AllDistinct(ids));
    EXPECT_EQ(ids.front(), kHighest - kAvailable + 1);
    EXPECT_EQ(ids.back(), kHighest);
    EXPECT_TRUE(GetLocalIdCounters().objectOverflow);
    EXPECT_EQ(GetLocalIdCounters().nextObjectID, kHighest);
}

TEST(IdConcurrency, RaisingWhileAllocatingHandsOutNoIDTwice) {
    // Without a database the slice is the whole ID space of server 0.
    ASSERT_EQ(SetLocalMaxPointID(1000), S_SUCCESS);
    std::atomic<bool> done{false};
    std::thread raiser([&] {
        for (std::uint32_t id = 1000; !done.load() && id < 100000000; id += 97) {
            SetLocalMaxPointID(id);
        }
    });
    const auto ids = AllocateConcurrently(Allocated<GetLocalNextPointID>, 5000);
    done.store(true);
    raiser.join();
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kThreads) * 5000);
    EXPECT_TRUE(AllDistinct(ids));
    EXPECT_GT(ids.front(), 1000u);
}

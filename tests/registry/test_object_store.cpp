// The object stores and the checksums.
#include "support/Test.h"

namespace {

std::shared_ptr<CNameObject> NewObject() { return std::make_shared<CNameObject>(); }

const std::uint8_t* Bytes(const char* text) { return reinterpret_cast<const std::uint8_t*>(text); }

}  // namespace

TEST(ObjectStore, DuplicateKeepsTheFirstObjectAndReportsOnce) {
    DebugCapture debug;
    auto a = NewObject();
    auto b = NewObject();
    GDM_Add(62, 5, 1, a);
    GDM_Add(62, 5, 1, b);
    EXPECT_EQ(GDM_Find(62, 5, 1), a);
    EXPECT_EQ(debug.Lines(), std::vector<CString>{CString(u"插入重复的对象\n")});
    EXPECT_EQ(a.use_count(), 2);  // the caller's and the store's
    EXPECT_EQ(b.use_count(), 1);  // not kept

    // The point stores report with their own lines.
    debug.Clear();
    GDM_AddLocalPoint(62, 5, 1, a);
    GDM_AddLocalPoint(62, 5, 1, b);
    GDM_AddThirdPartyPoint(62, 5, 1, a);
    GDM_AddThirdPartyPoint(62, 5, 1, b);
    EXPECT_EQ(debug.Lines(), (std::vector<CString>{CString(u"插入重复的LocalPoint对象\n"),
                                                   CString(u"插入重复的ThirdPartyPoint对象\n")}));
    EXPECT_EQ(GDM_GetLocalPointMap(62, 1)->at(5), a);
    EXPECT_EQ(GDM_GetThirdPartyPointMap(62, 1)->at(5), a);
}

TEST(ObjectStore, FindFallsBackToOtherServersLowestFirst) {
    auto onThree = NewObject();
    auto onOne = NewObject();
    GDM_Add(62, 5, 3, onThree);
    GDM_Add(62, 5, 1, onOne);
    EXPECT_EQ(GDM_Find(62, 5, 7), onOne);
    EXPECT_EQ(GDM_Find(62, 5, 3), onThree);  // the named server comes first
    EXPECT_EQ(FindObject(62, 5, 7), onOne);
    EXPECT_FALSE(GDM_Find(63, 5, 1));

    // The two-argument form names the current server (0 without a database).
    EXPECT_EQ(FindObject(62, 5), onOne);
    auto onZero = NewObject();
    GDM_Add(62, 5, 0, onZero);
    EXPECT_EQ(GDM_Find(62, 5), onZero);
}

// The find index against the ordered maps it sits beside: random adds, removes and writes
// through mutable views (which the index cannot see), enough keys to grow the index and to
// leave erased slots; every find must answer what the maps answer.
TEST(ObjectStore, FindAgreesWithTheMapsThroughAddsRemovesAndViewWrites) {
    auto expected = [](std::uint32_t cls, std::uint32_t id, std::uint32_t server) {
        std::shared_ptr<CNameObject> found;
        for (const auto& [s, classes] : GDM_GetServers()) {
            const auto c = classes.find(cls);
            if (c == classes.end()) continue;
            const auto o = c->second.find(id);
            if (o == c->second.end() || !o->second) continue;
            if (s == server) return o->second;
            if (!found) found = o->second;
        }
        return found;
    };
    std::mt19937 random(5);
    for (int step = 0; step < 20000; ++step) {
        const std::uint32_t cls = 70 + random() % 2, id = random() % 3000, server = random() % 3;
        const unsigned op = random() % 8;
        if (op < 3) {
            GDM_Add(cls, id, server, NewObject());
        } else if (op < 5) {
            GDM_Remove(cls, id, server);
        } else if (op == 5) {
            GDM_GetMap(cls, server)->erase(id);
        } else if (op == 6) {
            (*GDM_GetMap(cls, server))[id] = random() % 2 ? NewObject() : nullptr;
        }
        const std::uint32_t askedID = random() % 3000;
        ASSERT_EQ(GDM_Find(cls, askedID, server), expected(cls, askedID, server)) << step;
    }
    for (std::uint32_t server = 0; server < 3; ++server) {
        GDM_GetMap(70, server)->clear();
        GDM_GetMap(71, server)->clear();
    }
    EXPECT_FALSE(GDM_Find(70, 1, 0));
}

// A host may keep a view and file through it later, after finds have rebuilt the index.
TEST(ObjectStore, ObjectsFiledThroughAKeptViewAreFound) {
    ObjectIDMap* view = GDM_GetMap(72, 0);
    GDM_Add(72, 1, 0, NewObject());
    ASSERT_TRUE(GDM_Find(72, 1, 0));
    auto later = NewObject();
    (*view)[2] = later;
    EXPECT_EQ(GDM_Find(72, 2, 0), later);
}

TEST(Checksum, Crc16ModbusAndCrcItuXmodem) {
    EXPECT_EQ(GetCrc16(Bytes("123456789"), 9), 0x4B37u);
    EXPECT_EQ(GetCrc16(nullptr, 0), 0xFFFFu);
    EXPECT_EQ(GetCrcITU(Bytes("123456789"), 9), 0x31C3u);
    EXPECT_EQ(GetCrcITU(Bytes("abc"), 0), 0u);
    EXPECT_EQ(GetCrcITU(Bytes("abc"), -5), 0u);
}

// The three object stores and the checksums.
#include <gtest/gtest.h>

#include <memory>

#include "core/NameObject.h"
#include "registry/Checksum.h"
#include "registry/ObjectStore.h"
#include "support/Capture.h"

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

TEST(ObjectStore, MapViewsAndTheGreatestServerNumber) {
    EXPECT_EQ(GDM_GetSysMaxClassID(), 0u);
    ObjectIDMap* ids = GDM_GetMap(6000, 4);
    ASSERT_NE(ids, nullptr);
    EXPECT_TRUE(ids->empty());
    EXPECT_EQ(GDM_GetSysMaxClassID(), 4u);
    EXPECT_EQ(GDM_GetMap(6000, 4), ids);
    GDM_GetMap(1, 2);
    EXPECT_EQ(GDM_GetSysMaxClassID(), 4u);

    // The view is the store itself.
    auto a = NewObject();
    (*ids)[9] = a;
    EXPECT_EQ(GDM_Find(6000, 9, 4), a);
    EXPECT_EQ(GDM_GetServerObjMap()->at(4).at(6000).at(9), a);
}

TEST(ObjectStore, RemovalLeavesEmptyEntriesAndCopiesAreIndependent) {
    auto a = NewObject();
    GDM_Add(62, 1, 1, a);
    GDM_Add(62, 2, 1, NewObject());
    ObjectIDMap copy = GDM_GetMapCopy(62, 1);
    EXPECT_EQ(GDM_Remove(62, 1, 1), a);
    EXPECT_FALSE(GDM_Remove(62, 1, 1));
    GDM_Remove(62, 2, 1);
    EXPECT_EQ(a.use_count(), 2);  // the caller's and the copy's
    ASSERT_EQ(copy.size(), 2u);
    EXPECT_EQ(copy.at(2).use_count(), 1);
    EXPECT_TRUE(GDM_GetMap(62, 1)->empty());
    EXPECT_FALSE(GDM_Remove(62, 5, 2));  // missing server
    EXPECT_EQ(GDM_GetObjMap(2), nullptr);

    EXPECT_TRUE(GDM_GetMapCopy(62, 9).empty());
    EXPECT_TRUE(GDM_GetMapCopy(63, 1).empty());
    EXPECT_EQ(GDM_GetObjMap(9), nullptr);  // nothing created
    EXPECT_EQ(GDM_GetObjMap(1)->count(63), 0u);
}

TEST(ObjectStore, ThePointStoresAreIndependent) {
    auto a = NewObject();
    GDM_AddLocalPoint(62, 5, 1, a);
    EXPECT_FALSE(GDM_Find(62, 5, 1));
    EXPECT_EQ(GDM_GetObjMap(1), nullptr);
    EXPECT_EQ(GDM_GetSysMaxClassID(), 0u);
    EXPECT_TRUE(GDM_GetThirdPartyPointMap(62, 1)->empty());
    EXPECT_FALSE(GDM_RemoveThirdPartyPoint(62, 5, 1));
    EXPECT_FALSE(GDM_Remove(62, 5, 1));
    EXPECT_EQ(GDM_RemoveLocalPoint(62, 5, 1), a);
    EXPECT_TRUE(GDM_GetLocalPointMap(62, 1)->empty());
}

TEST(Checksum, Crc16ModbusAndCrcItuXmodem) {
    EXPECT_EQ(GetCrc16(Bytes("123456789"), 9), 0x4B37u);
    EXPECT_EQ(GetCrc16(nullptr, 0), 0xFFFFu);
    EXPECT_EQ(GetCrcITU(Bytes("123456789"), 9), 0x31C3u);
    EXPECT_EQ(GetCrcITU(Bytes("abc"), 0), 0u);
    EXPECT_EQ(GetCrcITU(Bytes("abc"), -5), 0u);
}

// The object stores and the checksums.
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

TEST(Checksum, Crc16ModbusAndCrcItuXmodem) {
    EXPECT_EQ(GetCrc16(Bytes("123456789"), 9), 0x4B37u);
    EXPECT_EQ(GetCrc16(nullptr, 0), 0xFFFFu);
    EXPECT_EQ(GetCrcITU(Bytes("123456789"), 9), 0x31C3u);
    EXPECT_EQ(GetCrcITU(Bytes("abc"), 0), 0u);
    EXPECT_EQ(GetCrcITU(Bytes("abc"), -5), 0u);
}

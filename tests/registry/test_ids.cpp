// Server identity, the local ID counters and their ObjectID row, the alarm counter and the
// server options, with a real installation database.
#include "support/Test.h"

namespace {

constexpr std::uint32_t kServer = 0x01000000;
constexpr std::uint32_t kMask = 0xFF000000;
constexpr std::uint32_t kHighest = 0x01FFFFFF;

void Execute(const std::string& sql) { ASSERT_TRUE(GetDatabase()->Execute(sql)) << sql; }

// An installation whose ServerOption row names server 0x01000000 with mask 0xFF000000.
class IdTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_inst.Connect();
        Execute(StrPrintf("INSERT INTO ServerOption (nServerNO, nServerMask) VALUES (%d, %d)",
                          static_cast<int>(kServer), static_cast<int>(kMask)));
    }

    static std::uint32_t NextObjectID() {
        std::uint32_t id = 0;
        EXPECT_EQ(GetLocalNextObjectID(&id), 1);
        return id;
    }
    static std::uint32_t NextPointID() {
        std::uint32_t id = 0;
        EXPECT_EQ(GetLocalNextPointID(&id), 1);
        return id;
    }

    TestInstallation m_inst;
};

}  // namespace

TEST_F(IdTest, SliceOfTheServer) {
    EXPECT_EQ(GetCurrentServerNO(), kServer);

    EXPECT_EQ(SetLocalMaxObjectID(0x02000005), E_ID_NOT_LOCAL);
    EXPECT_EQ(SetLocalMaxObjectID(0x01000005), S_SUCCESS);
    EXPECT_EQ(SetLocalMaxObjectID(0x01000200), S_SUCCESS);
    EXPECT_EQ(SetLocalMaxObjectID(0x01000150), S_SUCCESS);  // never lowered
    EXPECT_EQ(NextObjectID(), 0x01000201u);

    EXPECT_EQ(SetLocalMaxAuthorizationRecordID(0x01000005), S_SUCCESS);
    std::uint32_t id = 0;
    EXPECT_EQ(GetLocalNextAuthorizationRecordID(&id), 1);
    EXPECT_EQ(id, 0x01000101u);

    // Points know no slice.
    EXPECT_EQ(SetLocalMaxPointID(5), S_SUCCESS);
    EXPECT_EQ(NextPointID(), 257u);
}

TEST_F(IdTest, OverflowStopsAllocation) {
    ASSERT_EQ(SetLocalMaxObjectID(kHighest - 1), S_SUCCESS);
    EXPECT_EQ(NextObjectID(), kHighest);  // the last one is still handed out
    EXPECT_TRUE(GetLocalIdCounters().objectOverflow);
    std::uint32_t id = 77;
    EXPECT_EQ(GetLocalNextObjectID(&id), 0);
    EXPECT_EQ(id, 77u);
    EXPECT_EQ(SetLocalMaxObjectID(0x01000200), E_ALLOC_OBJECT_ID);
    EXPECT_EQ(GetLocalIdCounters().nextObjectID, kServer);  // reset to the slice's start
    EXPECT_EQ(GetLocalNextObjectID(&id), 0);

    ASSERT_EQ(SetLocalMaxPointID(0x7FFFFFFE), S_SUCCESS);
    EXPECT_EQ(NextPointID(), 0x7FFFFFFFu);
    EXPECT_EQ(GetLocalNextPointID(&id), 0);
    EXPECT_EQ(SetLocalMaxPointID(300), E_ALLOC_OBJECT_ID);
    EXPECT_EQ(GetLocalIdCounters().nextPointID, 256u);
}

TEST_F(IdTest, InitTakesTheHighestIDsInUse) {
    Execute("INSERT INTO NameObject (nClassID, nID, nServerNO) VALUES (62, 16778496, 16777216)");
    Execute("INSERT INTO NameObject (nClassID, nID, nServerNO) VALUES (62, 33554432, 33554432)");
    // Members of the server object (container class 0, ID = server ID) of class 0 count too.
    Execute("INSERT INTO Container VALUES (16777216, 16778752, 0, 0, 16777216, 16777216)");
    Execute("INSERT INTO Container VALUES (16777216, 16779520, 0, 62, 16777216, 16777216)");
    ASSERT_EQ(InitLocalObjectID(), 1);
    EXPECT_EQ(NextObjectID(), 0x01000601u);  // 0x01000600; server 2's row and class 62 ignored
}

TEST_F(IdTest, StoredRowRules) {
    // Object counter outside the slice: ignored. Point and authorisation counters above the
    // current ones: taken. Alarm: raised.
    Execute("INSERT INTO ObjectID VALUES (83886080, 1000, 16777984, 0, 0, 0, 7)");
    ASSERT_EQ(InitLocalObjectID(), 1);
    const LocalIdCounters counters = GetLocalIdCounters();
    EXPECT_EQ(counters.nextObjectID, 0x01000100u);
    EXPECT_EQ(counters.nextPointID, 1000u);
    EXPECT_EQ(counters.nextAuthorizationRecordID, 0x01000300u);
    EXPECT_EQ(GetNextLocalAlarmID(), 8u);
    EXPECT_EQ(QueryText("SELECT nNextObjectID || ',' || nNextPointID || ',' || "
                        "nNextAuthorizationRecordID || ',' || ObjectIDOverflow || ',' || "
                        "PointIDOverflow || ',' || AuthorizationRecordIDOverflow || ',' || "
                        "nMaxAlarmID FROM ObjectID"),
              CString::FromUtf8(std::to_string(0x01000100) + ",1000," + std::to_string(0x01000300) +
                                ",0,0,0,7"));
}

TEST(AlarmID, CounterOnlyRises) {
    EXPECT_EQ(GetNextLocalAlarmID(), 2u);
    InitLocalAlarmID(7, 0);
    EXPECT_EQ(GetNextLocalAlarmID(), 8u);
    InitLocalAlarmID(3, 0);
    EXPECT_EQ(GetNextLocalAlarmID(), 9u);
    InitLocalAlarmID(5, 2);
    EXPECT_EQ(GetNextLocalAlarmID(), 0x200000006u);
}

TEST(ServerIdentity, OptionsOfTheServerObject) {
    auto server = std::make_shared<CNameObject>();
    GDM_Add(0, 0, 0, server);
    EXPECT_EQ(GetServerAlarmDisplayTime(), 600u);  // property absent
    EXPECT_EQ(GetServerNeedConfirmAlarm(), 0);

    const std::pair<int, std::uint32_t> cases[] = {{5, 10}, {700, 700}, {1000000, 864000}};
    for (const auto& [stored, expected] : cases) {
        server->SetProperty(0, 0x7006001, _variant_t(stored));
        EXPECT_EQ(GetServerAlarmDisplayTime(), expected) << "stored " << stored;
    }

    server->SetAttribute(0, 0x7008001, 1);
    EXPECT_NE(GetServerNeedConfirmAlarm(), 0);
}

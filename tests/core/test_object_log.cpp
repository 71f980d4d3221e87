// Change-log texts: the template chosen for each operation and outcome, its arguments, and the
// entry handed to the operation log.
#include "support/Test.h"

namespace {

TEST(ObjectLog, TextsFollowTheOutcomeAndThePresenceOfAParent) {
    SetIsServerMode(false);
    auto area = Named<CArea>(u"Hall");
    auto group = Named<CAreaGroup>(u"Site");
    const CString failed = CAnalyzeLangINI::GetError(static_cast<std::uint32_t>(0xA3E9013E));
    ASSERT_FALSE(failed.IsEmpty());

    EXPECT_EQ(CString(u"Created Area \"Hall\""), area->CreateObjectLog(0, nullptr));
    EXPECT_EQ(CString(u"In Area group \"Site\", created Area \"Hall\""),
              area->CreateObjectLog(0, group));
    EXPECT_EQ(CString(u"In Area group \"Site\", failed to create Area \"Hall\": ") + failed,
              area->CreateObjectLog(0xA3E9013E, group));
    EXPECT_EQ(CString(u"Failed to create Area \"Hall\": ") + failed,
              area->CreateObjectLog(0xA3E9013E, nullptr));
    // Without a container no error text is asked for, whatever the result.
    EXPECT_EQ(CString(u"Remove member Area \"Hall\" (no container)"),
              area->RemoveObjectLog(0xA3E9013E, nullptr));
    EXPECT_EQ(CString(u"To Area group \"Site\", add member Area \"Hall\": Success"),
              area->InsertObjectLog(0, group));
    // A rename is reported only for a success; a failure uses the plain change text.
    auto renamed = Named<CArea>(u"Old hall");
    EXPECT_EQ(CString(u"Change Area \"Old hall\", new name \"Hall\": Success"),
              area->ChangeObjectLog(0, area, renamed));
    EXPECT_EQ(CString(u"Change Area \"Old hall\": ") + failed,
              area->ChangeObjectLog(0xA3E9013E, area, renamed));
    EXPECT_EQ(CString(u"Change Area \"Hall\": Success"), area->ChangeObjectLog(0, area, area));
}

TEST(ObjectLog, EntriesCarryTheOperatorTheTypeAndTheObjectKey) {
    SetIsServerMode(false);
    auto area = Named<CArea>(u"Hall");
    auto group = Named<CAreaGroup>(u"Site");
    std::vector<NS_LOG::LogEntry> entries;
    NS_LOG::SetSink([&](const NS_LOG::LogEntry& e) { entries.push_back(e); });
    area->SetID(5);
    area->SetServerNO(1);
    auto op = New<COperator>();
    op->SetID(7);

    EXPECT_EQ(0, area->WriteInsertObjectLog(nullptr, 0, 3, group));  // no operator: nothing
    EXPECT_EQ(1, area->WriteInsertObjectLog(op, 0, 3, group));
    EXPECT_EQ(1, area->WriteCreateObjectLog(op, 0, 4, nullptr));
    EXPECT_EQ(1, area->WriteDeleteObjectLog(op, {}, 0, 4));
    EXPECT_EQ(1, area->WriteRemoveObjectLog(op, 0, 4, group));
    EXPECT_EQ(1, area->WriteChangeObjectLog(op, 0, 4, area, area));
    NS_LOG::SetSink(nullptr);
    ASSERT_EQ(5u, entries.size());
    const NS_LOG::LogEntry& insert = entries[0];
    EXPECT_EQ((std::vector<std::uint32_t>{7, 3, 62, 5, 1}),
              (std::vector<std::uint32_t>{insert.operatorID, insert.value, insert.classID,
                                          insert.objectID, insert.serverNO}));
    EXPECT_EQ(area->InsertObjectLog(0, group), insert.text);
    const NS_LOG::LOG_TYPE types[] = {0x11, 0x41, 0x21, 0x111, 0x31};
    for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(types[i], entries[i].type);
}

}  // namespace

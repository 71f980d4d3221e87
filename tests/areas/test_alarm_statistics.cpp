// Alarm counters of areas and area groups on a small tree, with the client manager's calls:
//
//   A (group 100) ── B (group 101) ── area 1 ── alarm object x (350), alarm host h (73)
//                 ── C (group 102) ── area 1 (a diamond: A is reached through B and C)
//                 ── P (plain container 103) ── area 3
#include "areas/AreaFixture.h"

namespace {

class AlarmStatistics : public AreaTest {
protected:
    void SetUp() override {
        AreaTest::SetUp();
        x = Alarm(350, 11, 1);
        h = Alarm(73, 12, 100);
        const std::pair<std::shared_ptr<CContainer>, std::shared_ptr<CAccessObject>> links[] = {
            {area1, x}, {area1, h}, {b, area1}, {c, area1}, {p, area3}, {a, b}, {a, c}, {a, p}};
        for (auto& [container, member] : links) ASSERT_EQ(0, container->AddObject(member, 0));
        client.calls.clear();
    }
    static AlarmCounts Only(int index, std::int32_t d) {
        AlarmCounts counts{};
        counts[index] = static_cast<std::uint32_t>(d);
        return counts;
    }

    std::shared_ptr<CAreaGroup> a = Make<CAreaGroup>(100), b = Make<CAreaGroup>(101),
                                c = Make<CAreaGroup>(102);
    std::shared_ptr<CContainer> p = Make<CContainer>(103);
    std::shared_ptr<CArea> area1 = Make<CArea>(1), area3 = Make<CArea>(3);
    std::shared_ptr<CAccessObject> x, h;  // made once the class library is loaded
};

TEST_F(AlarmStatistics, AreaRecountCountsItsAlarmObjectsAndPushesTheDifferencesUpOnce) {
    EXPECT_EQ(1, area1->StatisticsAlarm(0, 1));
    EXPECT_EQ(1, area1->GetTotalAlarmCount());  // the alarm host is not the area's
    EXPECT_EQ(15, area1->GetUrgentTotalAlarmCount());
    for (auto& group : {b, c, a})
        EXPECT_EQ(15, group->GetUrgentTotalAlarmCount()) << group->GetID();
    ASSERT_EQ(1 + 4 * 15, static_cast<int>(client.calls.size()));
    EXPECT_EQ("refresh b,1,0,0", client.calls[0]);
    EXPECT_EQ("prop 3e,1,1,3e,7007101", client.calls[1]);
    EXPECT_EQ("prop 3f,65,1,3f,7008001", client.calls[16]);
    EXPECT_EQ(15, client.Count("prop 3f,64,"));  // A once, though reached through B and C

    // The flag is cleared: only a forced recount runs; one that changes nothing sends only
    // the refresh, returns 0 and leaves the flag set.
    client.calls.clear();
    EXPECT_EQ(0, area1->StatisticsAlarm(0, 1));
    EXPECT_TRUE(client.calls.empty());
    EXPECT_EQ(0, area1->StatisticsAlarm(1, 1));
    EXPECT_EQ(0, area1->StatisticsAlarm(0, 1));
    EXPECT_EQ((std::vector<std::string>{"refresh b,1,0,0", "refresh b,1,0,0"}), client.calls);
}

TEST_F(AlarmStatistics, DifferencesAreClampedAtZeroAndReportedPerCounter) {
    b->SetNormalTotalAlarmCount(3);
    a->SetNormalTotalAlarmCount(7);
    EXPECT_EQ(1, b->StatisticsAlarmForffset(Only(6, -5), 1));
    EXPECT_EQ(0, b->GetNormalTotalAlarmCount());
    EXPECT_EQ(2, a->GetNormalTotalAlarmCount());
    EXPECT_EQ((std::vector<std::string>{"prop 3f,65,1,3f,7008007", "prop 3f,64,1,3f,7008007"}),
              client.calls);
    EXPECT_EQ(1, area1->StatisticsAlarmForffset(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0));
    EXPECT_EQ(4, area1->GetUrgentTotalAlarmCount());
    EXPECT_EQ(1, area1->StatisticsAlarm(1, 0));  // without propagation, neither
    EXPECT_EQ(15, area1->GetUrgentTotalAlarmCount());
    EXPECT_EQ(0, b->GetUrgentTotalAlarmCount());
}

TEST_F(AlarmStatistics, GroupRecountCountsEveryObjectBelowOnce) {
    auto area2 = Make<CArea>(2);
    ASSERT_EQ(0, area2->AddObject(x, 0));  // x lies in two areas of A
    ASSERT_EQ(0, c->AddObject(area2, 0));
    EXPECT_EQ(1, a->StatisticsAlarm(1, 0));
    EXPECT_EQ(1 + 100, a->GetTotalAlarmCount());
    EXPECT_EQ(2, client.Count("refresh"));

    // Each area pushing its own recount counts x once per area.
    a->SetTotalAlarmCount(0);
    EXPECT_EQ(1, area1->StatisticsAlarm(1, 1));
    EXPECT_EQ(1, area2->StatisticsAlarm(1, 1));
    EXPECT_EQ(2, a->GetTotalAlarmCount());
}

TEST_F(AlarmStatistics, MembersBringTheirCountersAndTakeThemAway) {
    auto area2 = Make<CArea>(2);
    area2->SetTotalAlarmCount(5);
    ASSERT_EQ(0, b->AddObject(area2, 0));
    EXPECT_EQ(5, b->GetTotalAlarmCount());
    EXPECT_EQ(5, a->GetTotalAlarmCount());
    ASSERT_EQ(0, b->AddObject(area2, 0));  // already a member: its counters come again
    EXPECT_EQ(10, a->GetTotalAlarmCount());
    c->SetTotalAlarmCount(1);
    ASSERT_EQ(0, a->RemoveObject(c, 0));  // a group leaves with its counters
    EXPECT_EQ(9, a->GetTotalAlarmCount());
    ASSERT_EQ(0, b->RemoveObject(area2, 0));
    EXPECT_EQ(5, b->GetTotalAlarmCount());
    EXPECT_EQ(4, a->GetTotalAlarmCount());
    EXPECT_EQ(E_CONTAINER_CYCLE, b->AddObject(a, 0));  // refused: no counter moves
    EXPECT_EQ(5, b->GetTotalAlarmCount());
}

TEST_F(AlarmStatistics, GroupsForwardTheirDifferencesForServerContainers) {
    auto server = MakeOf(0, 1);
    auto serverContainer = std::dynamic_pointer_cast<CContainer>(server);
    ASSERT_TRUE(serverContainer);
    ASSERT_EQ(0, serverContainer->AddObject(a, 0));
    ASSERT_EQ(0, serverContainer->AddObject(area3, 0));
    EXPECT_EQ(1, b->StatisticsAlarmForffset(Only(14, 2), 1));
    EXPECT_EQ("forward 1,1,0,2,1", client.calls.back());
    client.calls.clear();
    area3->StatisticsAlarmForffset(Only(0, 2), 1);  // areas do not forward
    EXPECT_EQ(0, client.Count("forward"));
}

TEST_F(AlarmStatistics, TreeWalks) {
    CAreaGroup::AreaSet areas;
    CAreaGroup::GetAreas(CAreaGroup::GroupSet{a}, areas);
    EXPECT_EQ((CAreaGroup::AreaSet{area1, area3}), areas);  // through the plain container too

    CAreaGroup::GroupSet groups;
    CAreaGroup::GetChildrenAreaGroups(CAreaGroup::GroupSet{a}, groups);
    EXPECT_EQ((CAreaGroup::GroupSet{b, c}), groups);
    groups.clear();
    CAreaGroup::GetParentAreaGroups(CAreaGroup::ContainerSet{area3, area1}, groups);
    EXPECT_EQ((CAreaGroup::GroupSet{a, b, c}), groups);

    std::set<std::shared_ptr<CAreaGroup>> above;
    CArea::GetAreaGroups(std::set<std::shared_ptr<CArea>>{area1, area3}, above);
    EXPECT_EQ((std::set<std::shared_ptr<CAreaGroup>>{a, b, c}), above);  // area 3: none
    GDM_Add(62, 1, 1, area1);
    GDM_Add(62, 3, 1, area3);
    std::set<std::uint32_t> ids{7};
    CArea::GetAreaGroups(std::set<std::uint32_t>{3, 1, 99}, ids);
    EXPECT_EQ((std::set<std::uint32_t>{7, 100, 101, 102}), ids);
}

}  // namespace

// The area's run-time state and its reports, persons, merge and members.
#include "areas/AreaFixture.h"

namespace {

using Area = AreaTest;

TEST_F(Area, StateSettersPublishAndReportOnlyInServerMode) {
    auto area = Make<CArea>(5);
    area->SetArmingState(2);
    EXPECT_TRUE(area->TestAttribute(62, CArea::kArmedAttribute));
    EXPECT_EQ(2u, area->GetInt32Property(62, CArea::kArmingStateProperty, 9));
    area->SetBypassState(0);  // no comparison with the old value: reported again
    EXPECT_EQ((std::vector<std::string>{"prop 3e,5,1,3e,7007002", "change 3e,5,1,4,4",
                                        "prop 3e,5,1,3e,7007003", "change 3e,5,1,4,4"}),
              client.calls);
    client.calls.clear();
    SetIsServerMode(false);
    area->SetArmingState(0);
    EXPECT_FALSE(area->TestAttribute(62, CArea::kArmedAttribute));
    EXPECT_TRUE(client.calls.empty());
}

TEST_F(Area, PersonsEnterAndLeaveOnlyCountingAreas) {
    auto area = Make<CArea>(7);
    area->InsertPerson(0, 1);
    EXPECT_EQ(0u, area->GetPersonnelCount());  // not a counting area
    area->AddAttribute(62, CArea::kCountsPersonsAttribute);
    area->SetAreaPersons({2, 1, 3});  // 2 and 1 were inside before, none is inside now
    area->InsertPerson(0, 2);
    area->InsertPerson(0, 2);  // already inside
    EXPECT_EQ(1u, area->GetPersonnelCount());
    EXPECT_EQ((std::vector<std::uint32_t>{1, 3, 2}), area->GetAreaPersons());
    area->SetPersonnelCount(0);
    area->RemovePerson(0, 2);  // the count stays at 0, the person still leaves
    area->RemovePerson(0, 9);  // not inside
    EXPECT_EQ(0u, area->GetPersonnelCount());
    EXPECT_EQ((std::vector<std::uint32_t>{1, 3}), area->GetAreaPersons());
}

TEST_F(Area, MergeTakesTheParametersAndKeepsTheRunTimeState) {
    auto mine = Make<CArea>(8), theirs = Make<CArea>(8);
    mine->SetArmingState(1);
    mine->SetAreaPersons({4});
    theirs->SetDefenseKeepTime(9);
    theirs->SetLinkage(3, {AREA_ALARM_LINKAGE_ACTION(1, 2, 3, 4, 5)});
    theirs->SetDefenseButtonMode(_DEFENSE_BUTTON_MODE{{{1, 2}}});
    theirs->SetPersonnelCount(6);
    std::uint32_t changed = 0;
    ASSERT_EQ(0, mine->OnObjectChange(theirs, changed, SECTION_EXT_PROPERTY));
    EXPECT_EQ(0u, mine->GetDefenseKeepTime());  // rest data not among the sections
    ASSERT_EQ(0, mine->OnObjectChange(theirs, changed, SECTION_REST_DATA));
    EXPECT_EQ(static_cast<std::uint32_t>(SECTION_REST_DATA), changed & SECTION_REST_DATA);
    EXPECT_EQ(theirs->GetParameters().m_mapLinkage, mine->GetLinkage());
    EXPECT_EQ(theirs->GetDefenseButtonMode(), mine->GetDefenseButtonMode());
    EXPECT_EQ(9u, mine->GetDefenseKeepTime());
    EXPECT_EQ(1, mine->GetArmingState());
    EXPECT_EQ(0u, mine->GetPersonnelCount());
    EXPECT_EQ(std::vector<std::uint32_t>{4}, mine->GetAreaPersons());
    changed = 0;
    ASSERT_EQ(0, mine->OnObjectChange(theirs, changed, SECTION_REST_DATA));
    EXPECT_EQ(0u, changed);  // nothing left to take
}

}  // namespace

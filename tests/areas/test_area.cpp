// The area's parameters, run-time state and its reports, persons, merge and members.
#include "areas/AreaFixture.h"
#include "registry/ObjectStore.h"

namespace {

using Area = AreaTest;

TEST_F(Area, ConstructorSetsTheDefaultsAndMissingPropertiesReadAsZero) {
    auto area = Make<CArea>(1);
    EXPECT_EQ(1u, area->GetSmsReplyCount());
    EXPECT_EQ(60u, area->GetSmsReplyTimeout());
    EXPECT_EQ(10, area->GetAlarmOutputTime());
    EXPECT_EQ(3, area->GetArmingBrushCardTimes());
    EXPECT_EQ(10, area->GetCloseDoorAutoArmingTime());
    EXPECT_EQ(0.0, area->GetPowerCapacity());
    EXPECT_EQ(0, area->GetTotalAlarmCount());
    area->SetAreaAntiPassbackMode(0x1FF);  // one byte is kept
    EXPECT_EQ(0xFFu, area->GetAreaAntiPassbackMode());
    area->SetMachineRoomCryogenAlarmRate(0.25f);
    area->SetSpaceCapacity(40);
    area->SetProperty(62, 0x7007111, _variant_t(u"not a number"));
    EXPECT_EQ(0.25f, area->GetMachineRoomCryogenAlarmRate());
    EXPECT_EQ(40u, area->GetSpaceCapacity());
    EXPECT_EQ(0.0, area->GetPowerCapacity());
    EXPECT_TRUE(client.calls.empty());
}

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

TEST_F(Area, PersonnelCountIsReportedOnlyForTheStoredAreaAndOnlyWhenItChanges) {
    auto area = Make<CArea>(6);
    area->SetPersonnelCount(3);  // not in the store: a copy being edited
    EXPECT_TRUE(client.calls.empty());
    GDM_Add(62, 6, 1, area);
    area->SetPersonnelCount(3);
    EXPECT_TRUE(client.calls.empty());
    area->SetPersonnelCount(4);
    EXPECT_EQ((std::vector<std::string>{"prop 3e,6,1,3e,7007001", "personnel 6,1"}), client.calls);
    EXPECT_EQ(4u, area->GetInt32Property(62, CArea::kPersonnelCountProperty, 0));
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
    auto mine = Make<CArea>(8);
    mine->SetArmingState(1);
    mine->SetAreaPersons({4});
    auto theirs = Make<CArea>(8);
    std::uint32_t changed = 0;
    ASSERT_EQ(0, mine->OnObjectChange(theirs, changed, SECTION_REST_DATA));
    EXPECT_EQ(0u, changed);  // equal parameters

    theirs->SetDefenseKeepTime(9);
    theirs->SetLinkage(3, {AREA_ALARM_LINKAGE_ACTION(1, 2, 3, 4, 5)});
    theirs->SetDefenseButtonMode(_DEFENSE_BUTTON_MODE{{{1, 2}}});
    theirs->SetBypassState(1);
    theirs->SetPersonnelCount(6);
    ASSERT_EQ(0, mine->OnObjectChange(theirs, changed, SECTION_BASIC_DATA));
    EXPECT_EQ(0u, mine->GetDefenseKeepTime());  // rest data not in the sections
    changed = 0;
    ASSERT_EQ(0, mine->OnObjectChange(theirs, changed, SECTION_REST_DATA));
    EXPECT_EQ(static_cast<std::uint32_t>(SECTION_REST_DATA), changed);
    EXPECT_EQ(9u, mine->GetDefenseKeepTime());
    EXPECT_EQ(theirs->GetLinkage(), mine->GetLinkage());
    EXPECT_EQ(theirs->GetDefenseButtonMode(), mine->GetDefenseButtonMode());
    EXPECT_EQ(1, mine->GetArmingState());
    EXPECT_EQ(0, mine->GetBypassState());
    EXPECT_EQ(0u, mine->GetPersonnelCount());
    EXPECT_EQ(std::vector<std::uint32_t>{4}, mine->GetAreaPersons());
}

TEST_F(Area, LinkageByAlarmType) {
    auto area = Make<CArea>(9);
    const CArea::ActionSet one{AREA_ALARM_LINKAGE_ACTION(1, 0, 10, 1, 0)};
    CArea::ActionSet out{AREA_ALARM_LINKAGE_ACTION(9, 9, 9, 9, 9)};
    area->GetLinkage(4, out);
    EXPECT_EQ(1u, out.size());  // absent type: left as it was
    area->SetLinkage(4, one);
    area->GetLinkage(4, out);
    EXPECT_EQ(one, out);
    area->SetLinkage(4, {});
    EXPECT_TRUE(area->GetLinkage().empty());
}

TEST_F(Area, MembersAndPlatformLinkages) {
    auto area = Make<CArea>(10);
    auto group = Make<CAreaGroup>(11);
    auto linkage = MakeOf(13, 12);
    auto alarm = MakeOf(350, 13);
    EXPECT_EQ(E_AREA_MEMBER_NULL, area->AddObject(nullptr, 0));
    EXPECT_EQ(E_AREA_MEMBER_NULL, group->AddObject(nullptr, 0));
    for (auto& container : std::vector<std::shared_ptr<CContainer>>{area, group}) {
        ASSERT_EQ(0, container->AddObject(linkage, 0));
        ASSERT_EQ(0, container->AddObject(alarm, 0));
    }
    EXPECT_EQ((std::set<std::uint32_t>{12}), [&] {
        std::set<std::uint32_t> ids;
        for (auto& [id, o] : area->GetPlatformLinkagesCopy()) ids.insert(id);
        for (auto& [id, o] : *group->GetPlatformLinkages()) ids.insert(id);
        return ids;
    }());
    EXPECT_EQ(1u, area->GetPlatformLinkages()->size());
    ASSERT_EQ(0, area->RemoveObject(linkage, 0));
    ASSERT_EQ(0, group->RemoveObject(linkage, 0));
    EXPECT_TRUE(area->GetPlatformLinkages()->empty());
    EXPECT_TRUE(group->GetPlatformLinkages()->empty());

    area->AddObjectToArea(alarm);
    EXPECT_EQ(1u, area->GetObjectInArea().count(alarm->GetObjectUniqueID()));
    EXPECT_EQ(std::set<std::uint32_t>{10}, alarm->GetAreaID());
    area->RemoveObjectFromArea(alarm);
    EXPECT_TRUE(alarm->GetAreaID().empty());
    EXPECT_TRUE(alarm->GetArea().empty());
}

TEST_F(Area, ChangeableStateListsItsAttributesAndPropertiesButNotTheCounters) {
    CArea area;
    CNameObjectAttribute attributes;
    area.GetChangeableAttribute(attributes);
    EXPECT_EQ((CNameObjectAttribute::ValueSet{0x7009001, 0x7009002, 0x7009003}),
              attributes.GetObjectAttribute(62));
    std::map<std::uint32_t, std::set<std::uint32_t>> properties;
    area.GetChangeableExtProperty(properties);
    EXPECT_EQ(11u, properties[62].size());
    EXPECT_EQ(0u, properties[62].count(0x7007101));
}

}  // namespace

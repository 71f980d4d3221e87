// The relation index: paired insert/remove in both directions, the queries over derived
// classes, the climb through containers, and the recursive owners query.
#include "support/Test.h"

namespace {

using IDSet = CObjectParamRelatedObjectManager::IDSet;
using KeySet = CObjectParamRelatedObjectManager::KeySet;
using IDList = std::vector<std::uint32_t>;

class RelationIndex : public ConnectedInstallation {
protected:
    explicit RelationIndex(bool serverObjects = false) : ConnectedInstallation(serverObjects) {}

    // Files objects of the classes with IDs 1, 2, ... under the current server; each lies in
    // the next one.
    static void Chain(const std::vector<unsigned int>& classes) {
        std::shared_ptr<CAccessObject> previous;
        for (std::uint32_t id = 1; id <= classes.size(); ++id) {
            auto object = Create<CAccessObject>(classes[id - 1]);
            ASSERT_TRUE(object);
            object->SetID(id);
            GDM_Add(classes[id - 1], id, GetCurrentServerNO(), object);
            if (previous) {
                ASSERT_EQ(0, std::dynamic_pointer_cast<CContainer>(object)->AddObject(previous, 0));
            }
            previous = object;
        }
    }

    CObjectParamRelatedObjectManager* index = CObjectParamRelatedObjectManager::GetInstance();
    const MJOBJECT_KEY owner{1200, 1, 0};
    const MJOBJECT_KEY other{1300, 2, 0};
};

TEST_F(RelationIndex, BothDirectionsAreKeptAndRemovedTogether) {
    index->InsertRecord(62, owner, IDSet{});  // empty lists create no entries
    index->InsertRecord(62, owner, IDList{});
    EXPECT_TRUE(index->OwnerObjects().empty() && index->ObjectOwners().empty());
    index->InsertRecord(62, owner, IDSet{1, 2});
    index->InsertRecord(62, other, IDList{2, 3});
    EXPECT_EQ((IDSet{1, 2}), index->GetObjectParamRelatedObject(62, owner));
    EXPECT_EQ((KeySet{owner, other}), index->GetObjectRelatedOwner(62, 2));

    index->RemoveRecord(62, owner);
    EXPECT_TRUE(index->GetObjectRelatedOwner(62, 1).empty());
    EXPECT_EQ((KeySet{other}), index->GetObjectRelatedOwner(62, 2));
    EXPECT_TRUE(index->GetObjectParamRelatedObject(62, owner).empty());

    // Removing one object from everybody, and part of a list.
    index->RemoveRecord(62, static_cast<std::uint32_t>(3));
    EXPECT_EQ((IDSet{2}), index->GetObjectParamRelatedObject(62, other));
    EXPECT_TRUE(index->GetObjectRelatedOwner(62, 3).empty());
    index->InsertRecord(62, owner, IDSet{4, 5, 6});
    index->RemoveRecord(62, owner, IDList{4, 6});
    EXPECT_EQ((IDSet{5}), index->GetObjectParamRelatedObject(62, owner));
    EXPECT_TRUE(index->GetObjectRelatedOwner(62, 6).empty());
}

TEST_F(RelationIndex, IncludeDeriveQueriesCoverDerivedRelatedClasses) {
    const MJOBJECT_KEY third{1, 3, 0};
    index->InsertRecord(3, owner, IDSet{10});
    index->InsertRecord(62, other, IDSet{10, 11});
    index->InsertRecord(2, third, IDSet{10});  // 2 is a base of 3, not derived from it
    index->InsertRecord(62, owner, IDSet{12});

    KeySet owners{third};  // output sets are only added to
    index->GetObjectRelatedOwnerIncludeDerive(3, 10, owners);
    EXPECT_EQ((KeySet{owner, other, third}), owners);
    owners.clear();
    index->GetObjectRelatedOwnerIncludeDerive(62, 10, owners);
    EXPECT_EQ((KeySet{other}), owners);

    IDSet ids;
    index->GetObjectParamRelatedObjectIncludeDerive(3, owner, ids);
    EXPECT_EQ((IDSet{10, 12}), ids);
}

TEST_F(RelationIndex, RecursiveOwners) {
    const MJOBJECT_KEY a{1200, 1, 0}, b{1200, 2, 0}, c{1300, 3, 0};
    index->InsertRecord(1200, b, IDSet{1});  // b names a
    index->InsertRecord(1200, a, IDSet{2});  // a names b
    index->InsertRecord(1200, c, IDSet{2});  // c names b
    KeySet out;
    index->GetObjectRelatedOwnerRecursive(a, out);
    EXPECT_EQ((KeySet{a, b, c}), out);

    // The owners recorded under the classes of the object's ancestors count too.
    const MJOBJECT_KEY area{62, 7, 0};
    const MJOBJECT_KEY viaContainer{1300, 1, 0}, viaAccess{1300, 2, 0}, viaRoot{1300, 3, 0};
    index->InsertRecord(3, viaContainer, IDSet{7});
    index->InsertRecord(2, viaAccess, IDSet{7});
    index->InsertRecord(1, viaRoot, IDSet{7});  // class 1 is a base class: not searched
    out.clear();
    index->GetObjectRelatedOwnerRecursive(area, out);
    EXPECT_EQ((KeySet{viaContainer, viaAccess}), out);

    // A class outside the tree has no parent: only its own class is searched.
    const MJOBJECT_KEY outside{4242, 7, 0}, lone{1300, 9, 0};
    index->InsertRecord(4242, lone, IDSet{7});
    out.clear();
    index->GetObjectRelatedOwnerRecursive(outside, out);
    EXPECT_EQ((KeySet{lone}), out);
}

TEST_F(RelationIndex, AreaCollectsWhatRefersToItsGroupsUpTheChain) {
    Chain({62, 63, 63});  // area 1 in group 2 in group 3
    const MJOBJECT_KEY o1{1200, 11, 0}, o2{1200, 12, 0}, o3{1300, 13, 0}, o4{1200, 14, 0};
    index->InsertRecord(62, o1, IDSet{1});
    index->InsertRecord(63, o2, IDSet{2});
    index->InsertRecord(63, o3, IDSet{3});
    index->InsertRecord(63, o4, IDSet{1});  // names an area group 1, which is not our area

    KeySet out;
    index->GetAreaObjectAndParentRelatedOwnerIncludeDerive(1, out);
    EXPECT_EQ((KeySet{o1, o2, o3}), out);

    out.clear();
    index->GetAreaObjectAndParentRelatedOwnerIncludeDerive(99, out);  // not filed
    EXPECT_TRUE(out.empty());
}

TEST_F(RelationIndex, StopClassEndsTheClimbAndWinsEqualDistance) {
    Chain({2, 3, 63});
    const MJOBJECT_KEY m{1200, 11, 0}, i{1200, 12, 0}, g{1200, 13, 0};
    index->InsertRecord(2, m, IDSet{1});
    index->InsertRecord(3, i, IDSet{2});
    index->InsertRecord(63, g, IDSet{3});

    // The group derives from both sets; it is nearer to the stop class 63 than to 3.
    KeySet out;
    index->GetObjectAndParentRelatedOwnerIncludeDerive(2, 1, {3}, {63}, out);
    EXPECT_EQ((KeySet{m, i}), out);
    // Equal distance: the stop class wins.
    out.clear();
    index->GetObjectAndParentRelatedOwnerIncludeDerive(2, 1, {3, 63}, {63}, out);
    EXPECT_EQ((KeySet{m, i}), out);
    // Nearer to the climb class: the climb goes on through the group.
    out.clear();
    index->GetObjectAndParentRelatedOwnerIncludeDerive(2, 1, {3}, {2}, out);
    EXPECT_EQ((KeySet{m, i, g}), out);
}

TEST_F(RelationIndex, EachLevelTakesTheFirstClimbClassThatHasOwners) {
    Chain({2, 63, 63});
    const MJOBJECT_KEY asArea{1200, 12, 0}, asGroup{1200, 13, 0}, topOwner{1200, 14, 0};
    index->InsertRecord(62, asArea, IDSet{2});  // recorded under 62 for the group's ID
    index->InsertRecord(63, asGroup, IDSet{2});
    index->InsertRecord(63, topOwner, IDSet{3});

    // Climb classes in ascending order: 62 answers for the group, so 63 is not asked there;
    // for the top group 62 gives nothing and 63 answers.
    KeySet out;
    index->GetObjectAndParentRelatedOwnerIncludeDerive(2, 1, {62, 63}, {0}, out);
    EXPECT_EQ((KeySet{asArea, topOwner}), out);
}

// With the installation's class library loaded: card holders (501) in card holder groups (59)
// in area groups (63).
class CardHolderRelations : public RelationIndex {
protected:
    CardHolderRelations() : RelationIndex(true) {}
    void SetUp() override {
        RelationIndex::SetUp();
        ASSERT_TRUE(CreateNewObject(501) && CreateNewObject(59));
    }
};

TEST_F(CardHolderRelations, CardHolderClimbsThroughItsGroupsUpToTheAreaGroup) {
    Chain({501, 59, 59, 63, 59});  // holder 1, groups 2 and 3, area group 4, group 5
    const MJOBJECT_KEY h{1200, 11, 0}, g{1200, 12, 0}, pg{1200, 13, 0}, ag{1200, 14, 0},
        og{1200, 15, 0};
    index->InsertRecord(501, h, IDSet{1});
    index->InsertRecord(59, g, IDSet{2});
    index->InsertRecord(59, pg, IDSet{3});
    index->InsertRecord(63, ag, IDSet{4});
    index->InsertRecord(59, og, IDSet{5});

    KeySet out;
    index->GetCardHolderObjectAndParentRelatedOwnerIncludeDerive(1, out);
    EXPECT_EQ((KeySet{h, g, pg}), out);
    out.clear();
    index->GetCardHolderGroupObjectAndParentRelatedOwnerIncludeDerive(2, out);
    EXPECT_EQ((KeySet{g, pg}), out);
    out.clear();
    index->GetCardHolderObjectAndParentRelatedOwnerIncludeDerive(2, out);  // 2 is no holder
    EXPECT_TRUE(out.empty());
}

}  // namespace

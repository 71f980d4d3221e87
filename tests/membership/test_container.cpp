// Containers: membership on both sides, cycles, the Container table, queries, deletion.
#include "support/Test.h"

namespace {

// Objects tracked for release, and an installation whose database a test may connect.
class Container : public ReleasesTrackedObjects {
protected:
    void Connect() { inst.Connect(); }
    TestInstallation inst;
};

// Counts the AddObject calls it receives.
class SpyContainer : public CContainer {
public:
    std::int32_t AddObject(std::shared_ptr<CAccessObject> member, int write) override {
        ++calls;
        return CContainer::AddObject(std::move(member), write);
    }
    int calls = 0;
};

long long CountRows(const std::string& where) {
    return QueryInt("SELECT COUNT(*) FROM Container WHERE " + where);
}

void InsertRow(int container, int member, int containerClass, int memberClass, int containerServer,
               int memberServer) {
    ASSERT_TRUE(GetDatabase()->Execute(StrPrintf(
        "INSERT INTO Container(nContainerID, nSubObjectID, nContainerClassID, nSubClassID, "
        "nContainerServerNO, nSubObjectServerNO) VALUES(%d, %d, %d, %d, %d, %d)",
        container, member, containerClass, memberClass, containerServer, memberServer)));
}

TEST_F(Container, MembershipOnBothSidesWithoutDuplicatesOrCycles) {
    Connect();
    auto a = Make<CContainer>(1);
    auto b = Make<CContainer>(2);
    auto c = Make<CContainer>(3);
    auto m = Make<CAccessObject>(20);
    EXPECT_EQ(c->AddObject(m, 1), 0);
    EXPECT_EQ(c->AddObject(m, 1), 0);  // once in memory, one row
    EXPECT_EQ(c->GetObjectCount(), 1);
    EXPECT_EQ(m->GetContainerCount(), 1);
    EXPECT_EQ(CountRows("1=1"), 1);
    EXPECT_EQ(c->AddObject(nullptr, 1), E_CONTAINER_MEMBER_NULL);

    EXPECT_EQ(a->AddObject(a, 0), E_CONTAINER_CYCLE);
    ASSERT_EQ(a->AddObject(b, 0), 0);
    ASSERT_EQ(b->AddObject(c, 0), 0);
    EXPECT_EQ(c->AddObject(a, 0), E_CONTAINER_CYCLE);  // a holds c two levels down
    EXPECT_EQ(b->AddObject(a, 0), E_CONTAINER_CYCLE);
    EXPECT_EQ(c->GetObjectCount(), 1);
    EXPECT_EQ(a->GetContainerCount(), 0);
    EXPECT_EQ(a->HasObject(c), 1);
    EXPECT_EQ(c->HasContainer(a), 1);

    // AddContainer refuses its own deep member without asking it, else delegates.
    auto target = Track(std::make_shared<SpyContainer>());
    target->SetID(4);
    ASSERT_EQ(c->AddObject(target, 0), 0);
    EXPECT_EQ(a->AddContainer(target, 0), 0);
    EXPECT_EQ(target->calls, 0);
    auto other = Track(std::make_shared<SpyContainer>());
    other->SetID(5);
    EXPECT_EQ(a->AddContainer(other, 0), 0);
    EXPECT_EQ(other->calls, 1);
    EXPECT_EQ(other->GetObjectW(3, 1, 1), a);
}

TEST_F(Container, QueriesAddToTheOutputAndListEveryDepthOnce) {
    auto top = Make<CContainer>(1);
    auto mid = Make<CContainer>(2);
    auto low = Make<CContainer>(3);
    auto x = Make<CAccessObject>(10);
    auto y = Make<CAccessObject>(11);
    auto z = Make<CAccessObject>(12);
    ASSERT_EQ(top->AddObject(mid, 0), 0);
    ASSERT_EQ(top->AddObject(x, 0), 0);
    ASSERT_EQ(mid->AddObject(low, 0), 0);
    ASSERT_EQ(mid->AddObject(x, 0), 0);  // x reachable by two paths
    ASSERT_EQ(low->AddObject(y, 0), 0);
    ASSERT_EQ(low->AddObject(x, 0), 0);
    ASSERT_EQ(mid->AddObject(z, 0), 0);

    auto standIn = Make<CAccessObject>(10);
    CContainer::MemberMap out{{x->GetObjectUniqueID(), standIn}};
    EXPECT_EQ(mid->GetMemberObjects(2, 0, out), 2);
    EXPECT_EQ(out[x->GetObjectUniqueID()], standIn);  // entries already there stay
    EXPECT_EQ(out[z->GetObjectUniqueID()], z);
    EXPECT_TRUE(mid->GetMemberObjects(62, 0).empty());
    EXPECT_EQ(mid->GetObjectW(2, 12, 2), nullptr);

    CContainer::MemberMap children;
    EXPECT_EQ(top->GetChildren(2, 0, children), 3);
    EXPECT_EQ(children.count(y->GetObjectUniqueID()), 1u);
    CContainer::MemberMap containers;
    EXPECT_EQ(top->GetChildren(3, 0, containers), 2);
    // Members are kept in key order (ID first), not in the order they came: y, then x.
    std::vector<std::uint32_t> order;
    for (const auto& [key, member] : low->GetMemberObjects()) order.push_back(key.nID);
    EXPECT_EQ((std::vector<std::uint32_t>{10, 11}), order);
}

TEST_F(Container, RowsAreWrittenAndDeletedWithSignedColumns) {
    Connect();
    auto c = Make<CContainer>(0xFFFFFFF0u, 2);
    auto m = Make<CAccessObject>(77, 0x80000001u);
    ASSERT_EQ(c->AddObject(m, 1), 0);
    EXPECT_EQ(QueryInts("SELECT nContainerID FROM Container UNION ALL SELECT nSubObjectID FROM "
                        "Container UNION ALL SELECT nContainerClassID * 100 + nSubClassID * 10 + "
                        "nContainerServerNO FROM Container UNION ALL SELECT nSubObjectServerNO "
                        "FROM Container"),
              (std::vector<long long>{-16, 77, 322, static_cast<int>(0x80000001u)}));

    InsertRow(-16, 78, 3, 2, 2, static_cast<int>(0x80000001u));  // a neighbour that stays
    EXPECT_EQ(c->RemoveObject(m, 1), 0);
    EXPECT_EQ(CountRows("nSubObjectID = 77"), 0);
    EXPECT_EQ(CountRows("nSubObjectID = 78"), 1);

    // A failing statement keeps the memory change.
    ASSERT_TRUE(GetDatabase()->Execute("DROP TABLE Container"));
    EXPECT_EQ(c->AddObject(m, 1), E_DATABASE_OPERATION);
    EXPECT_EQ(c->GetObjectCount(), 1);
    EXPECT_EQ(c->RemoveObject(m, 1), E_DATABASE_OPERATION);
    EXPECT_EQ(c->GetObjectCount(), 0);
}

TEST_F(Container, DeletionRemovesEveryMembershipAndRow) {
    Connect();
    auto parent = Make<CContainer>(1);
    auto doomed = Make<CContainer>(2);
    auto m1 = Make<CAccessObject>(3);
    auto m2 = Make<CAccessObject>(4);
    auto m3 = Make<CAccessObject>(5);
    ASSERT_EQ(parent->AddObject(doomed, 1), 0);
    ASSERT_EQ(doomed->AddObject(m1, 1), 0);
    ASSERT_EQ(doomed->AddObject(m2, 1), 0);
    ASSERT_EQ(parent->AddObject(m1, 1), 0);
    ASSERT_EQ(parent->AddObject(m3, 1), 0);
    InsertRow(2, 50, 3, 2, 9, 9);  // same container class and ID on another server: matched too

    EXPECT_EQ(CContainer::DeleteObject(doomed), 0);
    EXPECT_EQ(doomed->GetObjectCount(), 0);
    EXPECT_EQ(doomed->GetContainerCount(), 0);
    EXPECT_EQ(parent->GetObjectW(3, 2, 1), nullptr);
    EXPECT_EQ(m1->GetContainers(), CAccessObject::ContainerList{parent});
    EXPECT_EQ(m2->GetContainerCount(), 0);
    EXPECT_EQ(CountRows("nContainerID = 2 OR nSubObjectID = 2"), 0);

    // A deleted member leaves every container it was in.
    EXPECT_EQ(CAccessObject::DeleteObject(m1), 0);
    EXPECT_EQ(m1->GetContainerCount(), 0);
    EXPECT_EQ(parent->GetObjectCount(), 1);
    EXPECT_EQ(CountRows("1=1"), 1);  // parent -> m3
}

}  // namespace

// The privilege question on a real installation: admin bypass, locks before grants across
// groups, inheritance up the containment and from the server object, and the explanation and
// the list agreeing with the plain check, on hand-built cases and a generated installation.

#include "OperatorsFixture.h"

namespace {

class Privileges : public OperatorsFixture {
protected:
    // The plain check, the explanation and the list must all give `expected`.
    static void Expect(const std::shared_ptr<COperator>& op,
                       const std::shared_ptr<CAccessObject>& x, int expected, std::uint32_t pc = 7,
                       std::uint32_t pid = 3) {
        EXPECT_EQ(expected, op->HasPrivilege(x, pc, pid)) << x->GetID();
        EXPECT_EQ(expected, x->HasPrivilege(op, pc, pid));
        const PrivilegeExplanation why = ExplainPrivilege(op, x, pc, pid);
        EXPECT_EQ(expected, why.decision) << why.Describe().ToUtf8();
        const auto listed = ListPrivilegedObjects(op, x->GetObjectClassID(), pc, pid);
        EXPECT_EQ(expected, static_cast<int>(listed.count(x->GetObjectUniqueID())));
    }
    std::shared_ptr<CContainer> Box(const std::shared_ptr<CContainer>& parent) {
        auto box = Stored<CContainer>(3, u"box");
        if (parent) {
            EXPECT_EQ(0, parent->AddObject(box, 0));
        }
        return box;
    }
};

TEST_F(Privileges, LockBeatsGrantAcrossGroupsButNotTheAdministrator) {
    auto area = Box(nullptr);
    auto grant = Holder(851, {CPrivilegeBase::MakePrivilegeKey(7, 3)});
    auto lock = Holder(852, {CPrivilegeBase::MakePrivilegeKey(7, 3)});
    auto granting = Group(u"g1"), locking = Group(u"g2");
    Tie(*granting, false, *area, grant->GetID());
    Tie(*locking, true, *area, lock->GetID());
    auto op = Op(u"op");
    ASSERT_EQ(0, granting->AddObject(op, 0));
    Expect(op, area, 1);
    ASSERT_EQ(0, locking->AddObject(op, 0));
    Expect(op, area, 0);
    auto why = ExplainPrivilege(op, area, 7, 3);
    EXPECT_EQ(PrivilegeExplanation::kLocked, why.reason);

    // A direct member of the system-manager group has everything, locks included.
    auto sys = Stored<COperatorGroup>(1301, u"sys");
    ASSERT_EQ(0, CSysManagerGroupMJ::InitObjectMap());
    ASSERT_EQ(0, sys->AddObject(op, 0));
    Expect(op, area, 1);
    Expect(op, area, 1, 99, 99);
    EXPECT_EQ(PrivilegeExplanation::kAdministrator, ExplainPrivilege(op, area, 1, 1).reason);
    EXPECT_EQ(1, op->HasPrivilegeWorkStation(12345));
}

TEST_F(Privileges, GrantsReachDownTheContainmentAndFromTheServerObject) {
    auto outer = Box(nullptr), inner = Box(outer), leaf = Box(inner);
    auto grant = Holder(851, {CPrivilegeBase::MakePrivilegeKey(7, 3)});
    auto g = Group(u"g");
    auto op = Op(u"op");
    ASSERT_EQ(0, g->AddObject(op, 0));
    Tie(*g, false, *outer, grant->GetID());
    Expect(op, leaf, 1);
    Expect(op, leaf, 0, 7, 4);  // another privilege
    EXPECT_EQ(0, op->HasPrivilegeWorkStation(1));

    // A grant on the server object covers objects outside every container, but neither the
    // server-ID object nor class-0 objects fall back to it.
    g->SetPrivilegeObject({});
    Tie(*g, false, *server, grant->GetID());
    auto loose = Box(nullptr);
    Expect(op, loose, 1);
    Expect(op, leaf, outer->GetID() == kServer ? 0 : 1);  // outer's ID may be the server ID
    auto sameID = std::static_pointer_cast<CAccessObject>(CreateNewObject(3));
    sameID->SetID(kServer);
    EXPECT_EQ(0, op->HasPrivilege(sameID, 7, 3));
    auto classZero = std::static_pointer_cast<CAccessObject>(CreateNewObject(0));
    classZero->SetID(77);
    EXPECT_EQ(0, op->HasPrivilege(classZero, 7, 3));
    EXPECT_EQ(0, op->HasPrivilege(std::shared_ptr<CAccessObject>(), 7, 3));
}

TEST_F(Privileges, WhatDoesNotGrant) {
    auto area = Box(nullptr);
    auto op = Op(u"op");
    auto outer = Group(u"outer"), sub = Group(u"sub");
    // Default-only privileges and missing privilege objects grant nothing.
    Exec("INSERT INTO SpecialPrivilegeObject VALUES (851, 7, 3)");
    auto holder = Holder(851, {});
    ASSERT_EQ(1, holder->GetDefaultPrivilegeFromDB());
    EXPECT_EQ(1u, holder->GetDefaultPrivileges().size());
    Tie(*sub, false, *area, holder->GetID());
    Tie(*sub, false, *server, 4242);
    ASSERT_EQ(0, sub->AddObject(op, 0));
    Expect(op, area, 0);
    // Membership through a subgroup does not count: groups only take operators anyway.
    auto grant = Holder(851, {CPrivilegeBase::MakePrivilegeKey(7, 3)});
    Tie(*outer, false, *area, grant->GetID());
    EXPECT_EQ(E_WRONG_OBJECT_CLASS, outer->AddObject(sub, 0));
    EXPECT_EQ(E_WRONG_OBJECT_CLASS, outer->AddObject(area, 0));
    EXPECT_EQ(0, outer->GetObjectCount());
    ASSERT_EQ(0, outer->CContainer::AddObject(sub, 0));  // forced past the operator-only rule
    Expect(op, area, 0);
}

// A generated installation: a random forest of containers under and beside the server
// object, groups granting and locking random privileges at random nodes, operators in random
// groups. Every answer of the explanation and the list must equal the plain check.
TEST_F(Privileges, ExplanationAndListAgreeWithTheCheckOnAGeneratedInstallation) {
    std::mt19937 rng(20261206);
    auto pick = [&](auto n) { return static_cast<std::size_t>(rng() % n); };
    std::vector<std::shared_ptr<CAccessObject>> nodes{server};
    for (int i = 0; i < 60; ++i) {
        auto box = Stored<CContainer>(3, u"n");
        // Some nodes stay loose (server fallback); others join one or two earlier containers.
        for (int joins = static_cast<int>(pick(3)); joins > 0; --joins)
            std::static_pointer_cast<CContainer>(nodes[pick(nodes.size())])->AddObject(box, 0);
        nodes.push_back(box);
    }
    std::vector<std::shared_ptr<CPrivilegeBase>> grants, locks;
    for (std::uint32_t k = 0; k < 4; ++k) {
        grants.push_back(Holder(851, {CPrivilegeBase::MakePrivilegeKey(7, k),
                                      CPrivilegeBase::MakePrivilegeKey(7, k + 1)}));
        locks.push_back(Holder(852, {CPrivilegeBase::MakePrivilegeKey(7, k)}));
    }
    std::vector<std::shared_ptr<COperatorGroup>> groups;
    for (int i = 0; i < 6; ++i) {
        groups.push_back(Group(CString::Formatted("g%d", i)));
        for (int t = 0; t < 5; ++t)
            Tie(*groups.back(), false, *nodes[pick(nodes.size())], grants[pick(4)]->GetID());
        for (int t = 0; t < 2; ++t)
            Tie(*groups.back(), true, *nodes[pick(nodes.size())], locks[pick(4)]->GetID());
    }
    std::vector<std::shared_ptr<COperator>> ops;
    for (int i = 0; i < 8; ++i) {
        ops.push_back(Op(CString::Formatted("op%d", i)));
        for (int m = static_cast<int>(pick(3)); m > 0; --m)
            groups[pick(groups.size())]->AddObject(ops.back(), 0);
    }
    int allowed = 0, denied = 0;
    for (const auto& op : ops) {
        for (std::uint32_t pid = 0; pid < 5; ++pid) {
            const auto listed = ListPrivilegedObjects(op, 3, 7, pid);
            std::size_t expectedCount = 0;
            // Every container of the store: the nodes, the server object and the groups.
            std::vector<std::shared_ptr<CAccessObject>> all(nodes);
            all.insert(all.end(), groups.begin(), groups.end());
            for (const auto& x : all) {
                const int plain = op->HasPrivilege(x, 7, pid);
                (plain ? allowed : denied)++;
                expectedCount += plain;
                const auto why = ExplainPrivilege(op, x, 7, pid);
                ASSERT_EQ(plain, why.decision) << why.Describe().ToUtf8();
                ASSERT_EQ(plain, static_cast<int>(listed.count(x->GetObjectUniqueID())));
                if (why.reason == PrivilegeExplanation::kGranted) {
                    // The named holder on the chain's last object really grants it there.
                    const auto& map = why.group->GetPrivilegeObject().at(kServer);
                    ASSERT_EQ(why.holderID, map.at(why.chain.back()->MakeClassIDAndIDKey()));
                }
            }
            ASSERT_EQ(expectedCount, listed.size());
        }
    }
    // The generated case must exercise both answers, or it proves little.
    EXPECT_GT(allowed, 100);
    EXPECT_GT(denied, 100);
}

TEST_F(Privileges, LoadAndMergeReplaceTheGroupMaps) {
    auto g = Group(u"g");
    g->SetPrivilegeObject({{1, {{(std::uint64_t{62} << 32) | 5, 9}}}});
    CBufferWriter w;
    ASSERT_EQ(1, g->SaveRestData(w));
    auto copy = std::static_pointer_cast<COperatorGroup>(COperatorGroup::CreateObj());
    copy->SetPrivilegeLock({{2, {{1, 1}}}});
    CBufferReader r(w.GetData(), w.GetLength());
    ASSERT_EQ(1, copy->LoadRestData(r, 0));
    EXPECT_TRUE(copy->GetPrivilegeLock().empty());
    copy->SetPrivilegeLock({{2, {{1, 1}}}});
    std::uint32_t changed = 0;
    ASSERT_EQ(0, g->OnObjectChange(copy, changed, SECTION_REST_DATA));
    EXPECT_EQ(SECTION_REST_DATA, changed);
    EXPECT_EQ(copy->GetPrivilegeLock(), g->GetPrivilegeLock());
}

// A group whose own search also grants everything on one object: not one of the library's
// classes, so the check asks it through its searches.
class FavouringGroup : public COperatorGroup {
public:
    std::shared_ptr<CAccessObject> favoured;
    int HasPrivilegeObject(std::shared_ptr<CAccessObject> object, std::uint32_t pc,
                           std::uint32_t pid) override {
        return object == favoured || COperatorGroup::HasPrivilegeObject(object, pc, pid);
    }
};

// The check answers from an index of the groups' maps that it keeps between calls; after
// every kind of change (maps set, merged, loaded; membership; containment; a group's server;
// the privilege object itself) it must give what the walk of each group's own searches gives,
// for two operators in the same groups.
TEST_F(Privileges, CheckFollowsEveryChangeAfterItWasAsked) {
    auto outer = Box(nullptr), area = Box(nullptr);
    auto op = Op(u"op"), twin = Op(u"twin");
    auto g = Group(u"g"), g2 = Group(u"g2");
    auto custom = std::make_shared<FavouringGroup>();
    custom->SetID(4711);
    custom->SetServerNO(kServer);
    auto grant = Holder(851, {CPrivilegeBase::MakePrivilegeKey(7, 3)});
    auto lock = Holder(852, {CPrivilegeBase::MakePrivilegeKey(7, 3)});
    auto changed = std::static_pointer_cast<COperatorGroup>(COperatorGroup::CreateObj());
    auto both = [&](const std::shared_ptr<COperatorGroup>& group, bool join) {
        for (const auto& o : {op, twin}) {
            ASSERT_EQ(0, join ? group->AddObject(o, 0) : group->RemoveObject(o, 0));
        }
    };
    both(g, true);
    const struct {  // expected -1: the walk alone judges
        const char* step;
        std::function<void()> change;
        int expected;
    } steps[] = {
        {"nothing", [] {}, 0},
        {"grant set", [&] { Tie(*g, false, *area, grant->GetID()); }, 1},
        {"lock merged from a changed copy",
         [&] {
             changed->SetPrivilegeObject(g->GetPrivilegeObject());
             Tie(*changed, true, *server, lock->GetID());
             std::uint32_t sections = 0;
             ASSERT_EQ(0, g->OnObjectChange(changed, sections, SECTION_REST_DATA));
         },
         0},
        {"lock taken away", [&] { g->SetPrivilegeLock({}); }, 1},
        {"loaded with the lock",
         [&] {
             CBufferWriter w;
             ASSERT_EQ(1, changed->SaveRestData(w));
             CBufferReader r(w.GetData(), w.GetLength());
             ASSERT_EQ(1, g->LoadRestData(r, 0));
         },
         0},
        {"lock taken away again", [&] { g->SetPrivilegeLock({}); }, 1},
        {"another group locks a container", [&] { Tie(*g2, true, *outer, lock->GetID()); }, 1},
        {"joined that group", [&] { both(g2, true); }, 1},
        {"object put into the locked container", [&] { ASSERT_EQ(0, outer->AddObject(area, 0)); },
         0},
        {"left that group", [&] { both(g2, false); }, 1},
        {"group moved to another server", [&] { g->SetServerNO(kServer + 1); }, -1},
        {"group back", [&] { g->SetServerNO(kServer); }, 1},
        {"privilege object no longer grants", [&] { grant->SetGrantedPrivileges({}); }, 0},
        {"joined a group that searches by itself",
         [&] {
             custom->favoured = area;
             both(custom, true);
         },
         1},
        {"that group locks", [&] { Tie(*custom, true, *outer, lock->GetID()); }, 0},
        {"left it", [&] { both(custom, false); }, 0},
    };
    for (const auto& step : steps) {
        step.change();
        for (const auto& o : {op, twin}) {
            int walked = 0;
            for (const auto& container : o->GetContainers()) {
                auto group = COperatorGroup::Cast(container);
                if (group && group->HasPrivilegeLock(area, 7, 3)) {
                    walked = 0;
                    break;
                }
                if (group && group->HasPrivilegeObject(area, 7, 3)) walked = 1;
            }
            EXPECT_EQ(walked, o->HasPrivilege(area, 7, 3)) << step.step;
            if (step.expected >= 0) {
                EXPECT_EQ(step.expected, walked) << step.step;
            }
        }
    }
}

}  // namespace

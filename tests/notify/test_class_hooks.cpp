// The hook registry: protocol-class groups, which hook serves which protocol class, the
// change rule and one table per dispatch.
#include "support/Test.h"

// Three protocol classes: P3 derives from P2, P2 from P1.
class P1 : public CObject {
    NO_DECLARE_RECORD_CLASS(P1)
};
class P2 : public P1 {
    NO_DECLARE_RECORD_CLASS(P2)
};
class P3 : public P2 {
    NO_DECLARE_RECORD_CLASS(P3)
};
NO_IMPLEMENT_RECORD_CLASS(P1, CObject, 0x80000001)
NO_IMPLEMENT_RECORD_CLASS(P2, P1, 0x80000001)
NO_IMPLEMENT_RECORD_CLASS(P3, P2, 0x80000001)

namespace {

using Call = std::pair<int, const CRuntimeClass*>;  // (hook number, protocol class passed)
using Calls = std::vector<Call>;
Calls g_calls;

template <int N>
int ObjectHook(const CRuntimeClass* protocol, std::shared_ptr<CNameObject> object) {
    EXPECT_TRUE(object);
    g_calls.emplace_back(N, protocol);
    return -1;  // ignored
}

template <int N>
int PairHook(const CRuntimeClass* protocol, std::shared_ptr<CNameObject>,
             std::shared_ptr<CNameObject>, std::uint32_t flags) {
    g_calls.emplace_back(N * 100 + static_cast<int>(flags), protocol);
    return 0;
}

template <int N>
int ContainerHook(const CRuntimeClass* protocol, std::shared_ptr<CNameObject>,
                  std::shared_ptr<CContainer> container) {
    EXPECT_TRUE(container);
    g_calls.emplace_back(N, protocol);
    return 0;
}

const CRuntimeClass* const kP1 = RUNTIME_CLASS(P1);
const CRuntimeClass* const kP2 = RUNTIME_CLASS(P2);
const CRuntimeClass* const kP3 = RUNTIME_CLASS(P3);

using Protocols = CMjObjectClassManager::ProtocolSet;

class ClassHooks : public ConnectedInstallation {
protected:
    void SetUp() override {
        ConnectedInstallation::SetUp();
        g_calls.clear();
    }

    CMjObjectClassManager* manager = CMjObjectClassManager::GetInstance();
};

TEST_F(ClassHooks, BaseProtocolHookServesDerivedProtocolsWithoutTheirOwnHook) {
    for (const CRuntimeClass* p : {kP3, kP1, kP2}) manager->AddProtocolClass(p);
    manager->RegisterOnBeforeObjectDeleteFunc({62}, kP1, &ObjectHook<1>);
    manager->RegisterOnBeforeObjectDeleteFunc({62}, kP3, &ObjectHook<3>);

    CMjObjectClassManager::ProtocolGroups groups;
    manager->GroupClass({kP1, kP3}, groups);
    EXPECT_EQ((Protocols{kP1, kP2}), groups[kP1]);
    EXPECT_EQ((Protocols{kP3}), groups[kP3]);

    EXPECT_EQ(1, manager->OnBeforeObjectDelete(Create(62)));
    // Hooks in ascending order of their protocol classes, each once per covered class.
    Calls expected;
    for (const auto& [protocol, covered] : groups) {
        for (const CRuntimeClass* s : covered) expected.emplace_back(protocol == kP1 ? 1 : 3, s);
    }
    EXPECT_EQ(expected, g_calls);
}

TEST_F(ClassHooks, ChangeHooksRunOnlyForSameClassObjectsOfThisServer) {
    manager->RegisterOnBeforeObjectChangeFunc({62}, kP1, &PairHook<1>);
    manager->RegisterOnAfterObjectChangeFunc({62}, kP1, &PairHook<2>);
    const std::uint32_t other = GetCurrentServerNO() + 1;

    EXPECT_EQ(0, manager->OnBeforeObjectChange(Create(62, other), Create(62, other), 4));
    EXPECT_EQ(0, manager->OnAfterObjectChange(Create(62, other), Create(62), 4));
    EXPECT_EQ(0, manager->OnBeforeObjectChange(Create(62), Create(63), 4));
    EXPECT_TRUE(g_calls.empty());

    EXPECT_EQ(1, manager->OnBeforeObjectChange(Create(62), Create(62, other), 4));
    EXPECT_EQ(1, manager->OnAfterObjectChange(Create(62), Create(62), 5));
    EXPECT_EQ((Calls{{104, kP1}, {205, kP1}}), g_calls);
}

TEST_F(ClassHooks, EveryDispatchUsesItsOwnTable) {
    const std::vector<unsigned int> classes{3};
    manager->RegisterOnBeforeObjectChangeFunc(classes, kP1, &PairHook<1>);
    manager->RegisterOnAfterObjectChangeFunc(classes, kP1, &PairHook<2>);
    manager->RegisterOnBeforeObjectInsertFunc(classes, kP1, &ObjectHook<3>);
    manager->RegisterOnAfterObjectInsertFunc(classes, kP1, &ObjectHook<4>);
    manager->RegisterOnBeforeObjectDeleteFunc(classes, kP1, &ObjectHook<5>);
    manager->RegisterOnAfterObjectDeleteFunc(classes, kP1, &ObjectHook<6>);
    manager->RegisterOnBeforeObjectAddToContainerFunc(classes, kP1, &ContainerHook<7>);
    manager->RegisterOnAfterObjectAddToContainerFunc(classes, kP1, &ContainerHook<8>);
    manager->RegisterOnBeforeObjectRemoveFromContainerFunc(classes, kP1, &ContainerHook<9>);
    manager->RegisterOnAfterObjectRemoveFromContainerFunc(classes, kP1, &ContainerHook<10>);
    manager->RegisterOnBeforeObjectRelationChangeFunc(classes, kP1, &PairHook<11>);
    manager->RegisterOnAfterObjectRelationChangeFunc(classes, kP1, &PairHook<12>);

    auto a = Create(62), b = Create(62);
    auto group = std::dynamic_pointer_cast<CContainer>(Create(63));
    ASSERT_TRUE(group);
    EXPECT_EQ(1, manager->OnBeforeObjectChange(a, b, 1));
    EXPECT_EQ(1, manager->OnAfterObjectChange(a, b, 1));
    EXPECT_EQ(1, manager->OnBeforeObjectInsert(a));
    EXPECT_EQ(1, manager->OnAfterObjectInsert(a));
    EXPECT_EQ(1, manager->OnBeforeObjectDelete(a));
    EXPECT_EQ(1, manager->OnAfterObjectDelete(a));
    EXPECT_EQ(1, manager->OnBeforeObjectAddToContainer(a, group));
    EXPECT_EQ(1, manager->OnAfterObjectAddToContainer(a, group));
    EXPECT_EQ(1, manager->OnBeforeObjectRemoveFromContainer(a, group));
    EXPECT_EQ(1, manager->OnAfterObjectRemoveFromContainer(a, group));
    EXPECT_EQ(1, manager->OnBeforeObjectRelationChange(a, b, 2));
    EXPECT_EQ(1, manager->OnAfterObjectRelationChange(a, b, 2));
    // clang-format off
    EXPECT_EQ((Calls{{101, kP1}, {201, kP1}, {3, kP1}, {4, kP1}, {5, kP1}, {6, kP1}, {7, kP1},
                     {8, kP1}, {9, kP1}, {10, kP1}, {1102, kP1}, {1202, kP1}}),
              g_calls);
    // clang-format on
    EXPECT_EQ(0, manager->OnBeforeObjectDelete(nullptr));
}

}  // namespace

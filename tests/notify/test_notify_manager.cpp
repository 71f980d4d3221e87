// The observer registry: delivery along the registered classes of the class tree, the veto,
// and the library's own change observer feeding the relation index.
#include "notify/NameObjectChangeNotify.h"
#include "support/Test.h"

namespace {

class NotifyManager : public ConnectedInstallation {
protected:
    CObjectNotifyManager* manager = CObjectNotifyManager::GetInstance();
    NotifyLog log;
};

TEST_F(NotifyManager, NegativeResultStopsTheDispatchOtherwiseTheLastResultCounts) {
    NotifyRecorder veto("62", log, -5), containers("3", log, 7), groups("63", log, 3);
    manager->RegisterObjectDeleteNotify(62, &veto);
    manager->RegisterObjectDeleteNotify(3, &containers);
    manager->RegisterObjectDeleteNotify(63, &groups);

    EXPECT_EQ(-5, manager->OnBeforeObjectDelete(Create(62)));
    EXPECT_EQ(-5, manager->OnAfterObjectDelete(Create(62)));  // after operations stop alike
    EXPECT_EQ((NotifyLog{"62:BeforeDelete", "62:AfterDelete"}), log);
    log.clear();
    EXPECT_EQ(7, manager->OnBeforeObjectDelete(Create(63)));  // 3 lets the next one run
    EXPECT_EQ((NotifyLog{"63:BeforeDelete", "3:BeforeDelete"}), log);
}

TEST_F(NotifyManager, EveryDispatchReachesItsOwnKindAndSlot) {
    NotifyRecorder r("r", log, 1);
    manager->RegisterObjectChangeNotify(3, &r);
    manager->RegisterObjectInsertNotify(3, &r);
    manager->RegisterObjectDeleteNotify(3, &r);
    manager->RegisterObjectAddToContainerNotify(3, &r);
    manager->RegisterObjectRemoveFromContainerNotify(3, &r);
    manager->RegisterObjectRelationChangeNotify(3, &r);

    auto a = Create(62), b = Create(62);
    auto group = std::dynamic_pointer_cast<CContainer>(Create(63));
    ASSERT_TRUE(group);
    // Change dispatches need two objects of one class: a and the group reach nobody.
    EXPECT_EQ(0, manager->OnBeforeObjectChange(a, group, 1) +
                     manager->OnAfterObjectChange(a, group, 1, 0));
    manager->OnBeforeObjectChange(a, b, 1);
    manager->OnAfterObjectChange(a, b, 1, 0x20);
    manager->OnBeforeObjectInsert(a, group);
    manager->OnAfterObjectInsert(a, nullptr);
    manager->OnBeforeObjectDelete(a);
    manager->OnAfterObjectDelete(a);
    manager->OnBeforeObjectAddToContainer(a, group);
    manager->OnAfterObjectAddToContainer(a, group);
    manager->OnBeforeObjectRemoveFromContainer(a, group);
    manager->OnAfterObjectRemoveFromContainer(a, group);
    manager->OnBeforeObjectRelationChange(a, Create(63), 6);  // no class rule for relations
    manager->OnAfterObjectRelationChange(a, b, 6);

    // The library's own change observer (class 1) runs after r but writes nothing here.
    EXPECT_EQ(
        (NotifyLog{"r:BeforeChange/1", "r:AfterChange/1/32", "r:BeforeInsert+c", "r:AfterInsert",
                   "r:BeforeDelete", "r:AfterDelete", "r:BeforeAdd", "r:AfterAdd", "r:BeforeRemove",
                   "r:AfterRemove", "r:BeforeRelation/6", "r:AfterRelation/6"}),
        log);
}

TEST_F(NotifyManager, IsMjObjectClassFollowsTheRegisteredAncestry) {
    NotifyRecorder r("r", log);
    EXPECT_EQ(0, manager->IsMjObjectClass(777));  // outside the class tree, nothing registered
    manager->RegisterObjectInsertNotify(777, &r);
    EXPECT_EQ(1, manager->IsMjObjectClass(777));
    // The library registers its change observer for class 1 at load: the whole tree counts.
    EXPECT_EQ(1, manager->IsMjObjectClass(1302));
    EXPECT_EQ(0, manager->OnBeforeObjectDelete(Create(62)));  // no delete observers anywhere
    EXPECT_TRUE(log.empty());
}

// An object (class 62, ID id, this server) naming objects of class 1200 in its parameters.
class ParamOwner : public CNameObject {
public:
    ParamOwner(std::uint32_t id, std::set<std::uint32_t> ids) : m_ids(std::move(ids)) {
        SetClassID(62);
        SetID(id);
        SetServerNO(GetCurrentServerNO());
    }
    void GetRelativeObjectClassID(std::set<std::uint32_t>& classIDs) override {
        classIDs.insert(1200);
    }
    void GetRelativeObject(std::uint32_t classID, std::set<std::uint32_t>& ids) override {
        if (classID == 1200) ids.insert(m_ids.begin(), m_ids.end());
    }

private:
    std::set<std::uint32_t> m_ids;
};

TEST_F(NotifyManager, LibraryObserverRebuildsTheRelationsOfTheFiledObject) {
    RegisterLibraryChangeObserver();  // done at load already; a repeat registers nothing new
    auto* index = CObjectParamRelatedObjectManager::GetInstance();
    const std::uint32_t server = GetCurrentServerNO();

    auto live = std::make_shared<ParamOwner>(5, std::set<std::uint32_t>{7, 8});
    GDM_Add(62, 5, server, live);
    auto incoming = std::make_shared<ParamOwner>(5, std::set<std::uint32_t>{99});

    EXPECT_EQ(0, manager->OnBeforeObjectChange(incoming, live, 0));
    EXPECT_TRUE(index->GetObjectParamRelatedObject(1200, live->GetObjectUniqueID()).empty());
    EXPECT_EQ(0, manager->OnAfterObjectChange(incoming, incoming, 0, 0xFF));
    // The live object's parameters count, not the incoming copy's.
    EXPECT_EQ((std::set<std::uint32_t>{7, 8}),
              index->GetObjectParamRelatedObject(1200, live->GetObjectUniqueID()));
    const MJOBJECT_KEY liveKey = live->GetObjectUniqueID();
    EXPECT_EQ((std::set<MJOBJECT_KEY>{liveKey}), index->GetObjectRelatedOwner(1200, 8));

    // An object that is not filed changes nothing; empty pointers are ignored.
    auto stray = std::make_shared<ParamOwner>(6, std::set<std::uint32_t>{1});
    EXPECT_EQ(0, manager->OnAfterObjectChange(stray, stray, 0, 0xFF));
    EXPECT_TRUE(index->GetObjectRelatedOwner(1200, 1).empty());
    GDM_Remove(62, 5, server);
}

}  // namespace

// An installation of server number 1 with the installation's class library loaded and its
// server object (class 0, ID 1) stored; and an operator's rest data filled with values.
#pragma once

#include "support/Test.h"

// Gives every rest-data field group of an operator a value other than its default.
inline void FillOperatorRestData(COperator& op) {
    op.SetPwd(u"p");
    op.SetPersons({{501, 1, 1}});
    op.SetSignInRange({{62, 2, 1}});
    op.SetWorkStationOptionIDs({4, 5});
    op.SetPollingTimeEnd(9);
    op.SetExpirationDay(30);
    op.SetModifyPassTime(COleDateTime(2020, 5, 1, 0, 0, 0));
}

class OperatorsFixture : public ConnectedInstallation {
protected:
    static constexpr std::uint32_t kServer = 1;

    OperatorsFixture() : ConnectedInstallation(true) {}
    void SetUp() override {
        ConnectedInstallation::SetUp();
        Exec("INSERT INTO ServerOption (nServerNO, nServerMask) VALUES (1, 0)");
        InitLocalObjectID();
        ASSERT_EQ(kServer, GetCurrentServerID());
        server = Stored<CContainer>(0, u"server", [](CNameObject& o) { o.SetID(kServer); });
    }

    static void Exec(const std::string& sql) { ASSERT_TRUE(GetDatabase()->Execute(sql)) << sql; }

    // A new object of classID, named, prepared by edit, stored through its class record.
    template <class T, class Edit = void (*)(CNameObject&)>
    static std::shared_ptr<T> Stored(
        std::uint32_t classID, const CString& name, Edit edit = [](CNameObject&) {}) {
        auto object = std::dynamic_pointer_cast<T>(CreateNewObject(classID));
        EXPECT_TRUE(object) << classID;
        if (!object) return nullptr;
        object->SetFullName(name);
        edit(*object);
        EXPECT_EQ(0, GetClsInfo(classID)->pfnInsertObject(object)) << classID;
        return object;
    }
    static std::shared_ptr<COperator> Op(const CString& name) {
        return Stored<COperator>(1200, name);
    }
    static std::shared_ptr<COperatorGroup> Group(const CString& name) {
        return Stored<COperatorGroup>(1300, name);
    }
    // A privilege (851) or lock (852) object holding the keys.
    static std::shared_ptr<CPrivilegeBase> Holder(std::uint32_t classID,
                                                  const CPrivilegeBase::KeySet& keys) {
        auto h = Stored<CPrivilegeBase>(classID, u"holder");
        h->SetGrantedPrivileges(keys);
        return h;
    }
    // group's grant (lock == false) or lock map: object -> holder, under the group's server.
    static void Tie(COperatorGroup& g, bool lock, const CNameObject& object,
                    std::uint32_t holderID) {
        auto map = lock ? g.GetPrivilegeLock() : g.GetPrivilegeObject();
        map[kServer][object.MakeClassIDAndIDKey()] = holderID;
        lock ? g.SetPrivilegeLock(map) : g.SetPrivilegeObject(map);
    }

    std::shared_ptr<CContainer> server;
};

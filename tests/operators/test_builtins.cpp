// The seven built-in objects: created on a first start, reused on the next, not deletable,
// the groups holding their privilege objects on the server's tree.
#include "OperatorsFixture.h"

namespace {

class Builtins : public OperatorsFixture {
protected:
    // The start-up sequence. The two on-duty classes are not in the class information: their
    // rows are not loaded at start-up and their creation runs only when asked for.
    static void Start(bool onDuty = true) {
        ASSERT_EQ(1, InitAllObject());
        if (onDuty) {
            ASSERT_EQ(0, COndutyPrivilege::InitObjectMap());
            ASSERT_EQ(0, COndutyGroupMJ::InitObjectMap());
        }
        std::set<std::uint64_t> missingContainers, missingMembers;
        InitContainer(&missingContainers, &missingMembers);
        ASSERT_EQ(1, InitAllObjectRelation());
    }
    static std::vector<std::shared_ptr<CNameObject>> Instances() {
        return {CSysManagerPrivilege::GetInstance(), CServicePrivilege::GetInstance(),
                COndutyPrivilege::GetInstance(),     CAdminActor::GetInstance(),
                CSysManagerGroupMJ::GetInstance(),   CServiceGroupMJ::GetInstance(),
                COndutyGroupMJ::GetInstance()};
    }
    static long long Rows(std::uint32_t classID) {
        return QueryInt("SELECT count(*) FROM NameObject WHERE nClassID = " +
                        std::to_string(classID));
    }
};

TEST_F(Builtins, FirstStartCreatesSecondStartReuses) {
    Exec("INSERT INTO SpecialPrivilegeObject VALUES (853, 7, 3)");
    Exec("INSERT INTO SpecialPrivilegeObject VALUES (853, 7, 4)");
    // The first start runs in a child process: the bulk load runs once per process.
    ASSERT_EQ(0, RunInChild([this] {
                  inst.Connect();
                  Start();
                  return ::testing::Test::HasFailure() ? 1 : 0;
              }));
    inst.Connect();
    ASSERT_EQ(1, InitLocalObjectID());  // as a new process would, after the first start
    const std::uint32_t builtinClasses[] = {853, 854, 855, 1201, 1301, 1302, 1303};
    std::vector<long long> firstIDs;
    for (std::uint32_t c : builtinClasses) {
        ASSERT_EQ(1, Rows(c)) << c;
        firstIDs.push_back(
            QueryInt("SELECT nID FROM NameObject WHERE nClassID = " + std::to_string(c)));
    }

    Start(false);
    std::vector<long long> ids;
    for (const auto& object : Instances())
        ids.push_back(object ? static_cast<long long>(object->GetID()) : -1);
    firstIDs[2] = firstIDs[6] = -1;  // the on-duty pair was not loaded
    EXPECT_EQ(firstIDs, ids);
    for (std::uint32_t c : builtinClasses) EXPECT_EQ(1, Rows(c)) << c;
    EXPECT_EQ(CPrivilegeBase::KeySet(
                  {CPrivilegeBase::MakePrivilegeKey(7, 3), CPrivilegeBase::MakePrivilegeKey(7, 4)}),
              CSysManagerPrivilege::GetInstance()->GetGrantedPrivileges());
    EXPECT_TRUE(CServicePrivilege::GetInstance()->GetGrantedPrivileges().empty());
    ASSERT_EQ(0, COndutyPrivilege::InitObjectMap());
    EXPECT_EQ(COndutyPrivilege::GetInstance(),
              FindObject(851, COndutyPrivilege::GetInstance()->GetID(), kServer));
    EXPECT_EQ(CAdminActor::GetInstance(), COperator::GetOperator(u"admin", kServer));
    EXPECT_EQ(1, COperator::Authorize(u"admin", u"", kServer));
    EXPECT_EQ(1u, GDM_GetMap(1201, kServer)->size());

    // Each group joined the server object and holds its privilege object there.
    const auto sysGroup = CSysManagerGroupMJ::GetInstance();
    EXPECT_EQ(1, server->HasObject(sysGroup));
    EXPECT_EQ(1, server->HasObject(CAdminActor::GetInstance()));
    const std::pair<std::shared_ptr<COperatorGroup>, std::shared_ptr<CPrivilegeBase>> pairs[] = {
        {sysGroup, CSysManagerPrivilege::GetInstance()},
        {CServiceGroupMJ::GetInstance(), CServicePrivilege::GetInstance()}};
    for (const auto& [group, privilege] : pairs) {
        const COperatorGroup::PrivilegeMap expected{
            {kServer, {{server->MakeClassIDAndIDKey(), privilege->GetID()}}}};
        EXPECT_EQ(expected, group->GetPrivilegeObject()) << group->GetObjectClassID();
    }
    // A member of the service group has only what the (empty) service object grants.
    auto op = Op(u"op");
    ASSERT_EQ(0, CServiceGroupMJ::GetInstance()->AddObject(op, 0));
    EXPECT_EQ(0, op->HasPrivilege(Stored<CContainer>(3, u"x"), 7, 3));
    EXPECT_EQ(CString(),
              COperator::GetSafeFullName(CAdminActor::GetInstance()->GetID()));  // loaded only

    // An entry the grant map already has for the server survives the relation step.
    const COperatorGroup::PrivilegeMap custom{{kServer, {{42, 43}}}};
    sysGroup->SetPrivilegeObject(custom);
    sysGroup->InitObjectRelation();
    EXPECT_EQ(custom, sysGroup->GetPrivilegeObject());
}

TEST_F(Builtins, BuiltinsOfTheServerCannotBeDeleted) {
    Start();
    for (const auto& object : Instances()) {
        ASSERT_TRUE(object);
        const std::uint32_t c = object->GetObjectClassID();
        if (c == 855 || c == 1303) continue;  // not registered: asked below through their class
        EXPECT_EQ(E_BUILTIN_NOT_DELETABLE, DeleteObject(object)) << c;
    }
    EXPECT_EQ(E_BUILTIN_NOT_DELETABLE, COndutyGroupMJ::DeleteObject(COndutyGroupMJ::GetInstance()));
    EXPECT_EQ(E_BUILTIN_NOT_DELETABLE,
              COndutyPrivilege::DeleteObject(COndutyPrivilege::GetInstance()));
    for (std::uint32_t c : {853u, 854u, 855u, 1201u, 1301u, 1302u, 1303u})
        EXPECT_EQ(1, Rows(c)) << c;
    // Another server's copy goes the ordinary way.
    auto foreign = std::static_pointer_cast<CServiceGroupMJ>(CServiceGroupMJ::CreateObj());
    foreign->SetServerNO(2);
    foreign->SetID(600);
    ASSERT_EQ(0, CNameObject::InsertObject(foreign));
    EXPECT_EQ(0, CServiceGroupMJ::DeleteObject(foreign));
}

}  // namespace

// The start-up sequence against a real installation database: the bulk load, its row
// versions, and memberships from the Container table.
#include "support/Test.h"

namespace {

class Startup : public ConnectedInstallation {
protected:
    static void Exec(const std::string& sql) { ASSERT_TRUE(GetDatabase()->Execute(sql)) << sql; }
    static int StoredObjects() {
        int n = 0;
        for (auto& [server, classes] : *GDM_GetServerObjMap())
            for (auto& [cls, objects] : classes) n += static_cast<int>(objects.size());
        return n;
    }
    // A NameObject row of class 2 with the given row version and rest-data bytes.
    static void AddRow(unsigned id, unsigned version, const std::uint8_t* rest, int size) {
        CADORecordset rs(GetDatabase());
        ASSERT_TRUE(rs.Open("select * from NameObject where 1=0"));
        rs.AddNew();
        rs.SetFieldValue("nClassID", 2u);
        rs.SetFieldValue("nID", id);
        rs.SetFieldValue("nServerNO", GetCurrentServerNO());
        rs.SetFieldValue("nVersion", version);
        rs.AppendChunk("varData", rest, size);
        ASSERT_TRUE(rs.Update());
    }
};

TEST_F(Startup, BulkLoadSkipsUnknownClassesRaisesTheCounterAndRunsOnce) {
    auto a = Named<CAccessObject>(u"a");
    ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(a));
    Exec("insert into NameObject(nClassID, nID, nServerNO, nVersion) values (4242, 1, 0, 3 << 24)");
    DestroyAllObject();
    // A row of this server far above the counter raises it when loaded.
    const std::uint32_t high = a->GetID() + 5000;
    Exec(
        StrPrintf("insert into NameObject(nClassID, nID, nServerNO, nVersion) "
                  "values (2, %d, %d, 3 << 24)",
                  static_cast<int>(high), static_cast<int>(GetCurrentServerNO())));

    DebugCapture debug;
    EXPECT_EQ(0, CAccessObject::InitObjectMap());  // the bulk load alone, without built-ins
    EXPECT_EQ(1, debug.Count(u"Warning: Can't find ClassInfo for ClassID = 4242\n"));
    auto loaded = GDM_Find(2, a->GetID(), a->GetServerNO());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(CString(u"a"), loaded->GetFullName());
    EXPECT_EQ(0x2Du, loaded->GetObjectInitState());
    EXPECT_EQ(2, StoredObjects());
    std::uint32_t next = 0;
    ASSERT_EQ(1, GetLocalNextObjectID(&next));
    EXPECT_EQ(high + 1, next);

    // The table is read once per process, unless a host starting up again re-arms it.
    DestroyAllObject();
    debug.Clear();
    ASSERT_EQ(0, CAccessObject::InitObjectMap());
    EXPECT_FALSE(debug.Contains(u"Loading from NameObject"));
    EXPECT_EQ(0, StoredObjects());
    CAccessObject::AllowReload();
    ASSERT_EQ(0, CAccessObject::InitObjectMap());
    EXPECT_EQ(2, StoredObjects());
}

TEST_F(Startup, RestDataFormatFollowsTheRowVersionAndBadRowsAreReported) {
    // The same framed rest block (area IDs {5}) under two row versions: below 0x03000000 the
    // older raw reader takes it (and takes no area IDs), from 0x03000000 on the framed one.
    auto source = New<CAccessObject>();
    source->GetAreaID().insert(5);
    CBufferWriter rest;
    ASSERT_EQ(1, source->SaveRestData(rest));
    AddRow(1, 0x02FFFFFFu, rest.GetData(), rest.GetLength());
    AddRow(2, 0x03000000u, rest.GetData(), rest.GetLength());
    const std::uint8_t garbage[] = {0x30, 0, 0, 0, 1, 2, 3};  // rejected: reported, object kept
    AddRow(9, 0x03000200u, garbage, sizeof garbage);
    DebugCapture debug;
    ASSERT_EQ(1, InitAllObject());
    EXPECT_TRUE(debug.Contains(u"数据库 加载对象 类型=2 ID=9 失败\r\n "));
    EXPECT_TRUE(GDM_Find(2, 9));
    auto older = std::dynamic_pointer_cast<CAccessObject>(GDM_Find(2, 1));
    auto current = std::dynamic_pointer_cast<CAccessObject>(GDM_Find(2, 2));
    ASSERT_TRUE(older && current);
    EXPECT_TRUE(older->GetAreaID().empty());
    EXPECT_EQ(std::set<std::uint32_t>{5}, current->GetAreaID());
}

TEST_F(Startup, ContainerRowsOfMissingObjectsAreReported) {
    auto group = New<CContainer>();
    auto member = New<CAccessObject>();
    ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(group));
    ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(member));
    ASSERT_EQ(S_SUCCESS, group->AddObject(member, 1));
    // A row naming a container and a member that do not exist.
    Exec(
        "INSERT INTO Container(nContainerID, nSubObjectID, nContainerClassID ,nSubClassID,"
        "nContainerServerNO,nSubObjectServerNO)VALUES(77, 88, 3, 2, 0, 0)");
    DestroyAllObject();
    group.reset();
    member.reset();

    ASSERT_EQ(1, InitAllObject());
    std::set<std::uint64_t> missingContainers, missingMembers;
    DebugCapture debug;
    ASSERT_EQ(1, InitContainer(&missingContainers, &missingMembers));
    EXPECT_TRUE(debug.Contains(u"Init form [Container] Table Count = 2 \n"));
    EXPECT_EQ(std::set<std::uint64_t>{MakeClassIDAndIDKey(3, 77)}, missingContainers);
    EXPECT_EQ(std::set<std::uint64_t>{MakeClassIDAndIDKey(2, 88)}, missingMembers);
    // The membership itself comes back in the round-trip test; no row is written again.
    EXPECT_EQ(2, QueryInt("select count(*) from [Container]"));
}

}  // namespace

// The class registry against this library's classes and the real class libraries
// ServerObjects.so and TestDuplicateClasses.so, loaded from a temporary installation.
#include "support/Test.h"

namespace {

using ClassSet = std::set<unsigned int>;

std::string ClassName(const std::shared_ptr<CNameObject>& object) {
    return object ? object->GetRuntimeClass()->m_lpszClassName : "(none)";
}

// An installation with copies of the class libraries in <dir>/lib/.
class ClassLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_inst.CopyClassLibrary("ServerObjects.so");
        m_inst.CopyClassLibrary("TestDuplicateClasses.so");
    }

    // Lists (file, level) pairs in the station INI file.
    void List(const std::vector<std::pair<std::string, int>>& entries) {
        std::string text = "[LoadTolveObject]\nCount=" + std::to_string(entries.size()) + "\n";
        for (std::size_t i = 0; i < entries.size(); ++i) {
            text += "DLL_" + std::to_string(i + 1) + "=" + entries[i].first + "\n";
            text +=
                "Level_" + std::to_string(i + 1) + "=" + std::to_string(entries[i].second) + "\n";
        }
        m_inst.WriteStationIni(text);
    }

    int Init() { return InitAllClassInfo(CString::FromUtf8(m_inst.dir())); }

    TestInstallation m_inst;
};

}  // namespace

TEST(ClassInformation, ProtocolAsksForCapacityThenFillsTheTable) {
    EXPECT_EQ(GetClassInformation(nullptr, nullptr), 0);
    int count = 169;
    EXPECT_EQ(GetClassInformation(nullptr, &count), 0);
    EXPECT_EQ(count, 170);
    EXPECT_EQ(GetClassInformation(nullptr, &count), 0);  // no buffer given
    EXPECT_EQ(count, 170);

    std::vector<OBJECT_CLASS_INFO> records(500);
    std::memset(static_cast<void*>(records.data()), 0xAB, records.size() * sizeof(records[0]));
    count = 500;
    ASSERT_EQ(GetClassInformation(records.data(), &count), 1);
    ASSERT_EQ(count, 17);
    ClassSet ids;
    for (int i = 0; i < count; ++i) {
        const OBJECT_CLASS_INFO& r = records[i];
        std::shared_ptr<CNameObject> sample = r.pfnCreateObject();
        ASSERT_TRUE(sample);
        EXPECT_EQ(sample->GetObjectClassID(), r.pfnGetClassID()) << "record " << i;
        EXPECT_EQ(r.pfnIsDerivedFrom(sample->GetRuntimeClass()), 1);
        ids.insert(r.pfnGetClassID());
    }
    EXPECT_EQ(ids.size(), 17u);
    // Records 17 .. 169 are cleared, the rest of the buffer is not touched.
    const OBJECT_CLASS_INFO zero{};
    for (int i = 17; i < 170; ++i) {
        ASSERT_EQ(std::memcmp(&records[i], &zero, sizeof zero), 0) << "record " << i;
    }
    EXPECT_NE(std::memcmp(&records[170], &zero, sizeof zero), 0);
}

TEST(ClassRegistry, TreeCreationDeletionAndWorkingDirectory) {
    TestInstallation inst;  // no station INI: only this library's classes
    ASSERT_EQ(InitAllClassInfo(CString::FromUtf8(inst.dir())), 1);
    EXPECT_EQ(GetRegisteredClasses().size(), 17u);
    EXPECT_EQ(IsDerivedFrom(851, 2), 1);
    EXPECT_EQ(IsDerivedFrom(850, 851), 0);
    EXPECT_EQ(IsDerivedFrom(5, 5), 1);
    EXPECT_EQ(GetClassGradeGap(853, 1), 4u);
    EXPECT_EQ(GetClassGradeGap(1, 853), 0xFFFFFFFFu);
    EXPECT_EQ(GetParentClassID(1), 0xFFFFFFFFu);
    EXPECT_EQ(GetParentClassID(855), 0xFFFFFFFFu);  // exists but is not reported
    EXPECT_EQ(GetChildClassID(1).size(), 16u);
    ClassSet out{42};
    GetChildClassID(1201, out);  // no descendants: untouched
    EXPECT_EQ(out, ClassSet{42});
    GetChildClassID(851, out);  // replaced
    EXPECT_EQ(out, (ClassSet{853, 854}));
    EXPECT_EQ(IsBaseClassID(14), 1);
    EXPECT_EQ(IsBaseClassID(2), 0);
    EXPECT_EQ(GetCurrentPath().ToUtf8(), inst.dir() + "/");

    std::shared_ptr<CNameObject> area = CreateNewObject(62);
    EXPECT_EQ(ClassName(area), "CArea");
    EXPECT_FALSE(CreateNewObject(855));
    EXPECT_TRUE(GDM_GetServerObjMap()->empty());  // created objects are not filed

    EXPECT_EQ(DeleteObject(855, 1, 0), E_OBJECT_NULL);  // class not registered
    EXPECT_EQ(DeleteObject(62, 1, 0), E_OBJECT_NULL);   // object not in the store
    EXPECT_EQ(DeleteObject(std::shared_ptr<CNameObject>()), E_OBJECT_NULL);

    // Found in the store: the class's delete function runs.
    area->SetID(1);
    area->SetServerNO(0);
    GDM_Add(62, 1, 0, area);
    EXPECT_EQ(DeleteObject(62, 1, 0), E_DATABASE_UNAVAILABLE);
    inst.Connect();
    EXPECT_EQ(DeleteObject(area), S_SUCCESS);
    EXPECT_FALSE(GDM_Find(62, 1, 0));
}

TEST_F(ClassLibraryTest, OutsideClassesJoinTheTreeAndTheFirstRegistrationWins) {
    List({{"lib/ServerObjects.so", 1}});
    ASSERT_EQ(Init(), 1);
    EXPECT_EQ(GetRegisteredClasses().size(), 17u + 8u);
    EXPECT_EQ(GetClassGradeGap(59, 1), 3u);
    EXPECT_EQ(IsDerivedFrom(350, 12), 0);
    EXPECT_TRUE(GetChildClassID(3).count(0));

    // The test library (level 1) loads before ServerObjects (level 2), though listed after it.
    List({{"lib/ServerObjects.so", 2}, {"lib/TestDuplicateClasses.so", 1}});
    ASSERT_EQ(Init(), 1);
    EXPECT_EQ(ClassName(CreateNewObject(62)), "CArea");  // this library's class stays
    EXPECT_EQ(ClassName(CreateNewObject(350)), "CTestDuplicateAlarm");
    EXPECT_EQ(ClassName(CreateNewObject(0)), "CServerObject");

    // Equal levels: the earlier entry wins. A new registration replaces the old one.
    List({{"lib/ServerObjects.so", 1}, {"lib/TestDuplicateClasses.so", 1}});
    ASSERT_EQ(Init(), 1);
    EXPECT_EQ(ClassName(CreateNewObject(350)), "CAlarmObject");

    // Without the libraries their classes are gone, and the tree keeps what it learnt.
    List({});
    ASSERT_EQ(Init(), 1);
    EXPECT_EQ(GetClsInfo(9001), nullptr);
    EXPECT_FALSE(CreateNewObject(0));
    EXPECT_EQ(GetParentClassID(9001), 2u);
}

TEST_F(ClassLibraryTest, BadEntriesShowAMessageAndLoadingGoesOn) {
    List({{"lib/Missing.so", 1},
          {"lib/TestDuplicateClasses.so", 0},
          {"lib/TestDuplicateClasses.so", -2},
          {"lib/ServerObjects.so", 5}});
    MessageBoxCapture boxes;
    ASSERT_EQ(Init(), 1);
    const std::string dir = m_inst.dir() + "/";
    const std::vector<CString> expected = {
        CString::FromUtf8("加载" + dir + "lib/Missing.so 失败 \r\n"),
        CString::FromUtf8("加载" + dir + "lib/TestDuplicateClasses.so 失败 \r\n"),
        CString::FromUtf8("加载" + dir + "lib/TestDuplicateClasses.so 失败 \r\n"),
    };
    EXPECT_EQ(boxes.Lines(), expected);
    EXPECT_NE(GetClsInfo(0), nullptr);
    EXPECT_EQ(GetClsInfo(9001), nullptr);
}

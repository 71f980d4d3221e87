// Every object class of the library constructs with its class ID and answers its identity
// frame along the real class tree; the linkage-action record has its runtime record and format.
#include <gtest/gtest.h>

#include <cstring>

#include "nameobject.h"
#include "platform/Config.h"

namespace {

struct ClassCase {
    std::shared_ptr<CNameObject> (*create)();
    CRuntimeClass* (*record)();
    unsigned int classID;
    const char* name;
    std::uint32_t schema;
    CRuntimeClass* (*parent)();
};

#define CLASS_CASE(cls, id, schema, parent) \
    {&cls::CreateObj, &cls::GetThisClass, id, #cls, schema, &parent::GetThisClass}

const ClassCase kClasses[] = {
    CLASS_CASE(CNameObject, 1, 0x83000200, CObject),
    CLASS_CASE(CAccessObject, 2, 0x83000200, CNameObject),
    CLASS_CASE(CContainer, 3, 0x83000100, CAccessObject),
    CLASS_CASE(CArea, 62, 0x83020200, CContainer),
    CLASS_CASE(CAreaGroup, 63, 0x83000100, CContainer),
    CLASS_CASE(CPrivilegeBase, 850, 0x03000100, CAccessObject),
    CLASS_CASE(CPrivilegeObject, 851, 0x03000100, CPrivilegeBase),
    CLASS_CASE(CPrivilegeLock, 852, 0x03000100, CPrivilegeBase),
    CLASS_CASE(CSysManagerPrivilege, 853, 0x83000100, CPrivilegeObject),
    CLASS_CASE(CServicePrivilege, 854, 0x83000100, CPrivilegeObject),
    CLASS_CASE(COndutyPrivilege, 855, 0x83000100, CPrivilegeObject),
    CLASS_CASE(COperator, 1200, 0x83000500, CAccessObject),
    CLASS_CASE(CAdminActor, 1201, 0x83000100, COperator),
    CLASS_CASE(COperatorGroup, 1300, 0x83000100, CContainer),
    CLASS_CASE(CSysManagerGroupMJ, 1301, 0x83000100, COperatorGroup),
    CLASS_CASE(CServiceGroupMJ, 1302, 0x83000100, COperatorGroup),
    CLASS_CASE(COndutyGroupMJ, 1303, 0x83000100, COperatorGroup),
    CLASS_CASE(COptionBase, 1800, 0x83000100, CAccessObject),
    CLASS_CASE(CArticleBase, 6000, 0x83000100, CAccessObject),
};

TEST(ClassFrame, EveryClassAnswersAlongTheClassTree) {
    SetIsServerMode(false);  // construction without a database
    for (const ClassCase& c : kClasses) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<CNameObject> object = c.create();
        ASSERT_TRUE(object);
        EXPECT_EQ(c.classID, object->GetObjectClassID());
        CRuntimeClass* rc = object->GetRuntimeClass();
        EXPECT_EQ(c.record(), rc);
        EXPECT_STREQ(c.name, rc->m_lpszClassName);
        EXPECT_EQ(c.schema, rc->m_wSchema);
        EXPECT_EQ(c.parent(), rc->GetBaseClass());
        EXPECT_TRUE(object->IsKindOf(c.parent()));
        EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CNameObject)));
        // The shared-from-this link is connected by the factory.
        EXPECT_EQ(object, object->shared_from_this());
        // A plain instance from the framework factory is of the same class.
        std::unique_ptr<CObject> plain(rc->CreateObject());
        ASSERT_TRUE(plain);
        EXPECT_EQ(rc, plain->GetRuntimeClass());
    }
    // Siblings and descendants are not ancestors.
    EXPECT_EQ(1, CSysManagerPrivilege::IsDerivedFrom(RUNTIME_CLASS(CPrivilegeBase)));
    EXPECT_EQ(0, CPrivilegeLock::IsDerivedFrom(RUNTIME_CLASS(CPrivilegeObject)));
    EXPECT_EQ(0, CContainer::IsDerivedFrom(RUNTIME_CLASS(CArea)));
    EXPECT_EQ(0, CAreaGroup::IsDerivedFrom(nullptr));
    EXPECT_EQ(1, CAdminActor::IsDerivedFrom(RUNTIME_CLASS(CObject)));
}

TEST(AreaAlarmLinkageAction, RecordDefaultsOrderAndFormat) {
    EXPECT_EQ(0x83000100u, RUNTIME_CLASS(AREA_ALARM_LINKAGE_ACTION)->m_wSchema);
    EXPECT_STREQ("AREA_ALARM_LINKAGE_ACTION", RUNTIME_CLASS(AREA_ALARM_LINKAGE_ACTION)->m_lpszClassName);
    EXPECT_EQ(AREA_ALARM_LINKAGE_ACTION(0, 0, 10, 1, 0), AREA_ALARM_LINKAGE_ACTION());

    // Ordered by the little-endian bytes, not by value: 0x0100 (00 01 ..) sorts before 0x0002.
    EXPECT_TRUE(AREA_ALARM_LINKAGE_ACTION(0x0100, 0, 0, 0, 0) < AREA_ALARM_LINKAGE_ACTION(0x0002, 0, 0, 0, 0));
    EXPECT_FALSE(AREA_ALARM_LINKAGE_ACTION(0x0002, 0, 0, 0, 0) < AREA_ALARM_LINKAGE_ACTION(0x0100, 0, 0, 0, 0));
    EXPECT_TRUE(AREA_ALARM_LINKAGE_ACTION(1, 0, 0, 0, 0) < AREA_ALARM_LINKAGE_ACTION(1, 1, 0, 0, 0));

    const std::uint8_t expected[] = {0x18, 0, 0, 0,  0x00, 0x01, 0x00, 0x03,  0x78, 0x56, 0x34, 0x12,
                                     0x02, 0x00,     0x0A, 0x00,  0x04, 0, 0, 0,  0x05, 0, 0, 0};
    CBufferWriter w;
    ASSERT_EQ(1, AREA_ALARM_LINKAGE_ACTION(0x12345678, 2, 10, 4, 5).SaveData(w));
    ASSERT_EQ(static_cast<int>(sizeof expected), w.GetLength());
    EXPECT_EQ(0, std::memcmp(expected, w.GetData(), sizeof expected));

    AREA_ALARM_LINKAGE_ACTION back;
    CBufferReader r(expected, sizeof expected);
    ASSERT_EQ(1, back.LoadData(r));
    EXPECT_EQ(AREA_ALARM_LINKAGE_ACTION(0x12345678, 2, 10, 4, 5), back);

    // A newer version or a length that lies fails with the position kept and nothing changed.
    std::uint8_t newer[sizeof expected];
    std::memcpy(newer, expected, sizeof expected);
    newer[4] = 0x01;  // version 0x03000101
    CBufferReader r2(newer, sizeof newer);
    AREA_ALARM_LINKAGE_ACTION untouched;
    EXPECT_EQ(0, untouched.LoadData(r2));
    EXPECT_EQ(0, r2.GetPosition());
    EXPECT_EQ(AREA_ALARM_LINKAGE_ACTION(), untouched);
    std::memcpy(newer, expected, sizeof expected);
    newer[0] = 0x1C;  // four bytes more than the record holds
    CBufferReader r3(newer, sizeof newer);
    EXPECT_EQ(0, untouched.LoadData(r3));
    EXPECT_EQ(0, r3.GetPosition());
}

}  // namespace

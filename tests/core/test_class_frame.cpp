// Every object class of the library constructs as its own class, sits where its declaration
// puts it in the class tree, and the linkage-action record keeps its byte format.
#include <gtest/gtest.h>

#include "nameobject.h"
#include "platform/Config.h"

namespace {

template <class T, class Base>
void ExpectClass() {
    SCOPED_TRACE(T::GetThisClass()->m_lpszClassName);
    std::shared_ptr<CNameObject> object = T::CreateObj();
    ASSERT_TRUE(object);
    EXPECT_EQ(T::kClassID, object->GetObjectClassID());
    EXPECT_EQ(T::kSchema, object->GetRuntimeClass()->m_wSchema);
    EXPECT_EQ(Base::GetThisClass(), object->GetRuntimeClass()->GetBaseClass());
    EXPECT_EQ(object, object->shared_from_this());  // connected by the factory
    std::unique_ptr<CObject> plain(T::GetThisClass()->CreateObject());
    ASSERT_TRUE(plain);
    EXPECT_EQ(T::GetThisClass(), plain->GetRuntimeClass());
}

TEST(ClassFrame, EveryClassAnswersAlongTheClassTree) {
    SetIsServerMode(false);  // construction without a database
    ExpectClass<CNameObject, CObject>();
    ExpectClass<CAccessObject, CNameObject>();
    ExpectClass<CContainer, CAccessObject>();
    ExpectClass<CArea, CContainer>();
    ExpectClass<CAreaGroup, CContainer>();
    ExpectClass<CPrivilegeBase, CAccessObject>();
    ExpectClass<CPrivilegeObject, CPrivilegeBase>();
    ExpectClass<CPrivilegeLock, CPrivilegeBase>();
    ExpectClass<CSysManagerPrivilege, CPrivilegeObject>();
    ExpectClass<CServicePrivilege, CPrivilegeObject>();
    ExpectClass<COndutyPrivilege, CPrivilegeObject>();
    ExpectClass<COperator, CAccessObject>();
    ExpectClass<CAdminActor, COperator>();
    ExpectClass<COperatorGroup, CContainer>();
    ExpectClass<CSysManagerGroupMJ, COperatorGroup>();
    ExpectClass<CServiceGroupMJ, COperatorGroup>();
    ExpectClass<COndutyGroupMJ, COperatorGroup>();
    ExpectClass<COptionBase, CAccessObject>();
    ExpectClass<CArticleBase, CAccessObject>();
    // Siblings and descendants are not ancestors.
    EXPECT_EQ(1, CAdminActor::IsDerivedFrom(RUNTIME_CLASS(CObject)));
    EXPECT_EQ(0, CPrivilegeLock::IsDerivedFrom(RUNTIME_CLASS(CPrivilegeObject)));
    EXPECT_EQ(0, CContainer::IsDerivedFrom(RUNTIME_CLASS(CArea)));
    EXPECT_EQ(0, CAreaGroup::IsDerivedFrom(nullptr));
}

TEST(AreaAlarmLinkageAction, OrderAndFormat) {
    using Action = AREA_ALARM_LINKAGE_ACTION;
    EXPECT_EQ(Action(0, 0, 10, 1, 0), Action());
    // Ordered by the little-endian bytes, not by value: 0x0100 (00 01 ..) sorts before 0x0002.
    EXPECT_TRUE(Action(0x0100, 0, 0, 0, 0) < Action(0x0002, 0, 0, 0, 0));
    EXPECT_TRUE(Action(1, 0, 0, 0, 0) < Action(1, 1, 0, 0, 0));

    const std::vector<std::uint8_t> expected = {0x18, 0,    0,    0,    0x00, 0x01, 0x00, 0x03,
                                                0x78, 0x56, 0x34, 0x12, 0x02, 0x00, 0x0A, 0x00,
                                                0x04, 0,    0,    0,    0x05, 0,    0,    0};
    CBufferWriter w;
    ASSERT_EQ(1, Action(0x12345678, 2, 10, 4, 5).SaveData(w));
    EXPECT_EQ(expected, w.bytes());
    Action back;
    CBufferReader r(expected.data(), static_cast<int>(expected.size()));
    ASSERT_EQ(1, back.LoadData(r));
    EXPECT_EQ(Action(0x12345678, 2, 10, 4, 5), back);

    // A newer version or a length that lies fails with the position kept and nothing changed.
    for (auto [offset, value] : {std::pair{4, 0x01}, std::pair{0, 0x1C}}) {
        std::vector<std::uint8_t> bad = expected;
        bad[offset] = static_cast<std::uint8_t>(value);
        CBufferReader br(bad.data(), static_cast<int>(bad.size()));
        Action untouched;
        EXPECT_EQ(0, untouched.LoadData(br));
        EXPECT_EQ(0, br.GetPosition());
        EXPECT_EQ(Action(), untouched);
    }
}

}  // namespace

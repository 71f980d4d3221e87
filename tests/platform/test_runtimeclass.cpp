#include <gtest/gtest.h>

#include "platform/RuntimeClass.h"

namespace {

class Base : public CObject {
    NO_DECLARE_RECORD_CLASS(Base)
};
class Derived : public Base {
    NO_DECLARE_RECORD_CLASS(Derived)
};
class Other : public CObject {
    NO_DECLARE_RECORD_CLASS(Other)
};

}  // namespace

NO_IMPLEMENT_RECORD_CLASS(Base, CObject, 0xFFFF)
NO_IMPLEMENT_RECORD_CLASS(Derived, Base, 0x80000002u)
NO_IMPLEMENT_RECORD_CLASS(Other, CObject, 1)

TEST(RuntimeClass, RootRecord) {
    const CRuntimeClass* root = RUNTIME_CLASS(CObject);
    EXPECT_STREQ(root->m_lpszClassName, "CObject");
    EXPECT_EQ(root->m_wSchema, 0xFFFFu);
    EXPECT_EQ(root->CreateObject(), nullptr);
    EXPECT_EQ(root->GetBaseClass(), nullptr);
    EXPECT_TRUE(root->IsDerivedFrom(root));
    EXPECT_FALSE(root->IsDerivedFrom(nullptr));
}

TEST(RuntimeClass, KindOfWalksTheBaseChain) {
    Derived d;
    EXPECT_EQ(d.GetRuntimeClass(), RUNTIME_CLASS(Derived));
    EXPECT_TRUE(d.IsKindOf(RUNTIME_CLASS(Derived)));
    EXPECT_TRUE(d.IsKindOf(RUNTIME_CLASS(Base)));
    EXPECT_TRUE(d.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(d.IsKindOf(RUNTIME_CLASS(Other)));
    Base b;
    EXPECT_FALSE(b.IsKindOf(RUNTIME_CLASS(Derived)));

    EXPECT_TRUE(d.IsSerializable());
    EXPECT_FALSE(b.IsSerializable());
    EXPECT_TRUE(Other().IsSerializable());

    CObject* made = RUNTIME_CLASS(Derived)->CreateObject();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(Base)));
    delete made;
}

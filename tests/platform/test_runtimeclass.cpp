#include <gtest/gtest.h>

#include "platform/RuntimeClass.h"

namespace {

class Base : public CObject {
    NO_DECLARE_RECORD_CLASS(Base)
};
class Derived : public Base {
    NO_DECLARE_RECORD_CLASS(Derived)
};

}  // namespace

NO_IMPLEMENT_RECORD_CLASS(Base, CObject, 0xFFFF)
NO_IMPLEMENT_RECORD_CLASS(Derived, Base, 0x80000002u)

TEST(RuntimeClass, KindOfWalksTheBaseChain) {
    const CRuntimeClass* root = RUNTIME_CLASS(CObject);
    EXPECT_EQ(root->CreateObject(), nullptr);
    EXPECT_EQ(root->GetBaseClass(), nullptr);
    EXPECT_FALSE(root->IsDerivedFrom(nullptr));

    Derived d;
    EXPECT_TRUE(d.IsKindOf(RUNTIME_CLASS(Base)));
    EXPECT_TRUE(d.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(Base().IsKindOf(RUNTIME_CLASS(Derived)));
    // Serializable: a schema other than 0xFFFF.
    EXPECT_TRUE(d.IsSerializable());
    EXPECT_FALSE(Base().IsSerializable());
    std::unique_ptr<CObject> made(RUNTIME_CLASS(Derived)->CreateObject());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetRuntimeClass(), RUNTIME_CLASS(Derived));
}

#include "support/Test.h"

TEST(ObjectKey, OrderingAndHashes) {
    const MJOBJECT_KEY none;
    EXPECT_TRUE(MJOBJECT_KEY(9, 0xFFFFFFFE, 9) < none);
    // The ID decides before the class ID, then the server number.
    EXPECT_TRUE(MJOBJECT_KEY(9, 4, 0) < MJOBJECT_KEY(2, 5, 0));
    EXPECT_TRUE(MJOBJECT_KEY(1, 4, 7) < MJOBJECT_KEY(2, 4, 0));
    EXPECT_TRUE(MJOBJECT_KEY(1, 4, 0) < MJOBJECT_KEY(1, 4, 1));
    EXPECT_NE(MJOBJECT_KEY(1, 2, 3), MJOBJECT_KEY(1, 2, 4));
    EXPECT_EQ(MakeClassIDAndIDKey(62, 7), 0x0000003E00000007ull);

    // Keys that hash alike still compare unequal.
    ULARGE_INTEGER key, other;
    key.QuadPart = 0x12345678ABCDEF01ull;
    other.QuadPart = key.QuadPart ^ (1ull << 32);
    EXPECT_EQ(HashKey(key), HashKey(other));
    EXPECT_FALSE(CompareElements(&key, &other));
    EXPECT_EQ(HashKey(CString(u"ABC")), HashKey(CString(u"ABCDEFG")));
}

#include <gtest/gtest.h>

#include <set>

#include "core/ObjectKey.h"

TEST(ObjectKey, DefaultKeyAndOrdering) {
    const MJOBJECT_KEY none;
    EXPECT_EQ(none.nClassID, 0xFFFFFFFFu);
    EXPECT_EQ(none.nID, 0xFFFFFFFFu);
    EXPECT_EQ(none.nServerNO, 0xFFFFFFFFu);
    EXPECT_TRUE(MJOBJECT_KEY(9, 0xFFFFFFFE, 9) < none);

    // The ID decides before the class ID, then the server number.
    const MJOBJECT_KEY a(2, 5, 0);
    const MJOBJECT_KEY b(9, 4, 0);
    EXPECT_TRUE(b < a);
    EXPECT_FALSE(a < b);
    EXPECT_TRUE(MJOBJECT_KEY(1, 4, 7) < MJOBJECT_KEY(2, 4, 0));
    EXPECT_TRUE(MJOBJECT_KEY(1, 4, 0) < MJOBJECT_KEY(1, 4, 1));
    EXPECT_EQ(MJOBJECT_KEY(1, 2, 3), MJOBJECT_KEY(1, 2, 3));
    EXPECT_NE(MJOBJECT_KEY(1, 2, 3), MJOBJECT_KEY(1, 2, 4));
    std::set<MJOBJECT_KEY> keys{a, b, none};
    EXPECT_EQ(keys.begin()->nID, 4u);
}

TEST(ObjectKey, ClassAndIdKey) {
    EXPECT_EQ(MakeClassIDAndIDKey(62, 7), 0x0000003E00000007ull);
    EXPECT_EQ(MakeClassIDAndIDKey(0xFFFFFFFF, 0), 0xFFFFFFFF00000000ull);
}

TEST(ObjectKey, HashKeyOfLargeInteger) {
    ULARGE_INTEGER key;
    key.QuadPart = 0x12345678ABCDEF01ull;
    EXPECT_EQ(HashKey(key), 0xABCDEF01u >> 4);
    ULARGE_INTEGER same = key;
    ULARGE_INTEGER other = key;
    other.HighPart ^= 1;
    EXPECT_TRUE(CompareElements(&key, &same));
    EXPECT_FALSE(CompareElements(&key, &other));
    EXPECT_EQ(HashKey(key), HashKey(other));  // the high half does not take part
}

TEST(ObjectKey, HashKeyOfStringTakesOneBytePerCharacterUpToFour) {
    EXPECT_EQ(HashKey(CString()), 0u);
    // "AB" hashes 2 bytes: the code unit of A only.
    EXPECT_EQ(HashKey(CString(u"AB")), 0x0041u >> 4);
    EXPECT_EQ(HashKey(CString(u"AB")), HashKey(CString(u"AZ")));
    // One character: its low byte.
    EXPECT_EQ(HashKey(CString(u"\x1234")), 0x34u >> 4);
    // Three characters: A's two bytes and B's low byte.
    EXPECT_EQ(HashKey(CString(u"ABC")), 0x00420041u >> 4);
    // Four or more: the units of A and B.
    EXPECT_EQ(HashKey(CString(u"ABCD")), 0x00420041u >> 4);
    EXPECT_EQ(HashKey(CString(u"ABCDEFG")), 0x00420041u >> 4);
}

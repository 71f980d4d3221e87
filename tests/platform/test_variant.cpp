#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/Variant.h"

TEST(Variant, IntegerConversionsFollowTheOleRules) {
    EXPECT_EQ(_variant_t(1).vt, VT_INT);  // not VT_I4
    std::uint32_t u = 99;
    _variant_t neg(-5, VT_I4);
    EXPECT_FALSE(neg.ToUInt32(u));  // overflow, nothing converted
    EXPECT_EQ(u, 99u);
    EXPECT_EQ(neg.ChangeType(VT_UI4), DISP_E_OVERFLOW);
    EXPECT_EQ(neg.lVal, -5);
    EXPECT_TRUE(_variant_t(u"  4294967295").ToUInt32(u));
    EXPECT_EQ(u, 4294967295u);
    EXPECT_FALSE(_variant_t(u"4294967296").ToUInt32(u));
    EXPECT_EQ(_variant_t(u"abc").ChangeType(VT_UI4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(_variant_t(300).ChangeType(VT_UI1), DISP_E_OVERFLOW);

    // Half to even; empty is zero, null converts to nothing, true is -1.
    const std::pair<_variant_t, std::int32_t> rounded[] = {
        {_variant_t(2.5), 2},      {_variant_t(3.5), 4}, {_variant_t(-2.5), -2},
        {_variant_t(u"-3.5"), -4}, {_variant_t(), 0},    {_variant_t(true), -1}};
    for (const auto& [value, expected] : rounded) {
        std::int32_t i = 99;
        ASSERT_TRUE(value.ToInt32(i)) << expected;
        EXPECT_EQ(i, expected);
    }
    EXPECT_FALSE(_variant_t::Null().ToUInt32(u));
}

TEST(Variant, RawImageAndEquality) {
    std::uint8_t raw[16];
    _variant_t(u"text").GetRaw(raw);
    const std::uint8_t bstr[16] = {8, 0};  // no pointer travels
    EXPECT_EQ(std::memcmp(raw, bstr, 16), 0);
    _variant_t copy;
    const std::uint8_t odd[16] = {0x99, 0x40};  // an unknown type converts to nothing
    copy.SetRaw(odd);
    EXPECT_EQ(copy.ChangeType(VT_I4), DISP_E_BADVARTYPE);

    EXPECT_FALSE(_variant_t(1) == _variant_t(1, VT_I4));  // VT_INT against VT_I4
    EXPECT_FALSE(_variant_t(u"a") == _variant_t(u"A"));
    EXPECT_TRUE(_variant_t(true) == _variant_t(5, VT_BOOL));
}

#include "support/Test.h"

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

// Where the platform's rules are easy to get wrong: conversions to NULL, the language-neutral
// BOOL texts, and BOOL against unsigned and signed 32-bit types.
TEST(Variant, NullBoolTextsAndWrapAround) {
    struct Row {
        _variant_t from;
        VARTYPE to;
        HRESULT hr;
        std::uint32_t bits;  // the low 32 bits of the result when converted
    };
    const Row rows[] = {
        {_variant_t(5), VT_NULL, S_OK, 0},
        {_variant_t(u"x"), VT_NULL, S_OK, 0},
        {_variant_t(1, VT_ERROR), VT_NULL, DISP_E_TYPEMISMATCH, 0},
        {_variant_t::Null(), VT_I4, DISP_E_TYPEMISMATCH, 0},
        {_variant_t(u"#TRUE#"), VT_BOOL, S_OK, 0xFFFF},
        {_variant_t(u" #false# "), VT_BOOL, S_OK, 0},
        {_variant_t(u"#TRUE#"), VT_I4, DISP_E_TYPEMISMATCH, 0},
        {_variant_t(true), VT_UI1, S_OK, 0xFF},
        {_variant_t(true), VT_UI4, S_OK, 0xFFFFFFFF},
        {_variant_t(true), VT_I4, S_OK, 0xFFFFFFFF},
        {_variant_t(-1, VT_I4), VT_UI4, DISP_E_OVERFLOW, 0},
        {_variant_t(static_cast<std::int32_t>(0x80000000u), VT_UI4), VT_I4, DISP_E_OVERFLOW, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from.vt << " -> " << row.to);
        _variant_t v;
        ASSERT_EQ(row.hr, v.ChangeType(row.to, &row.from));
        EXPECT_EQ(row.hr == S_OK ? row.to : VARTYPE{VT_EMPTY}, v.vt);
        if (row.hr != S_OK || row.to == VT_NULL) continue;
        std::uint8_t raw[16];
        v.GetRaw(raw);
        std::uint32_t bits = 0;
        std::memcpy(&bits, raw + 8, row.to == VT_UI1 ? 1 : row.to == VT_BOOL ? 2 : 4);
        EXPECT_EQ(row.bits, bits);
    }
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

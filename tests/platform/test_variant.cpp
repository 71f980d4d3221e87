#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/Variant.h"

namespace {

// The text form of a variant, or "<error>" when it has none.
std::string TextOf(const _variant_t& v) {
    CString s;
    return v.ToText(s) ? s.ToUtf8() : "<error>";
}

}  // namespace

TEST(Variant, ConstructorsPickTheFrameworkTypes) {
    EXPECT_EQ(_variant_t().vt, VT_EMPTY);
    EXPECT_EQ(_variant_t(static_cast<signed char>(-1)).vt, VT_I1);
    EXPECT_EQ(_variant_t(1).vt, VT_INT);  // not VT_I4
    EXPECT_EQ(_variant_t(1u).vt, VT_UINT);
    EXPECT_EQ(_variant_t(static_cast<const char16_t*>(nullptr)).GetString().GetLength(), 0);
    EXPECT_EQ(_variant_t(COleDateTime(2.5)).vt, VT_DATE);
    EXPECT_EQ(_variant_t(true).boolVal, VARIANT_TRUE);
    EXPECT_EQ(_variant_t(7, VT_BOOL).boolVal, VARIANT_TRUE);
}

TEST(Variant, ToUnsigned32FollowsTheOleRules) {
    std::uint32_t u = 99;
    EXPECT_FALSE(_variant_t(-5, VT_I4).ToUInt32(u));  // overflow, nothing converted
    EXPECT_EQ(u, 99u);
    _variant_t neg(-5, VT_I4);
    EXPECT_EQ(neg.ChangeType(VT_UI4), DISP_E_OVERFLOW);
    EXPECT_EQ(neg.vt, VT_I4);
    EXPECT_EQ(neg.lVal, -5);

    EXPECT_TRUE(_variant_t(u"12").ToUInt32(u));
    EXPECT_EQ(u, 12u);
    EXPECT_TRUE(_variant_t(u"  4294967295").ToUInt32(u));
    EXPECT_EQ(u, 4294967295u);
    EXPECT_FALSE(_variant_t(u"4294967296").ToUInt32(u));
    _variant_t letters(u"abc");
    EXPECT_EQ(letters.ChangeType(VT_UI4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(letters.GetString().ToUtf8(), "abc");

    // Half to even.
    ASSERT_TRUE(_variant_t(2.5).ToUInt32(u));
    EXPECT_EQ(u, 2u);
    ASSERT_TRUE(_variant_t(3.5).ToUInt32(u));
    EXPECT_EQ(u, 4u);
    std::int32_t i = 0;
    ASSERT_TRUE(_variant_t(-2.5).ToInt32(i));
    EXPECT_EQ(i, -2);
    ASSERT_TRUE(_variant_t(u"-3.5").ToInt32(i));
    EXPECT_EQ(i, -4);
    EXPECT_FALSE(_variant_t(-0.6).ToUInt32(u));

    EXPECT_TRUE(_variant_t().ToUInt32(u));  // empty is zero
    EXPECT_EQ(u, 0u);
    EXPECT_FALSE(_variant_t::Null().ToUInt32(u));
    EXPECT_TRUE(_variant_t(true).ToInt32(i));
    EXPECT_EQ(i, -1);
}

// Where the platform's rules are easy to get wrong: conversions to NULL, the language-neutral
// BOOL texts, and BOOL against unsigned and signed 32-bit types.
TEST(Variant, NullBoolTextsAndWrapAround) {
    struct Row {
        _variant_t from;
        VARTYPE to;
        HRESULT hr;
        std::int64_t value;  // the low bytes of the result, when converted
    };
    const Row rows[] = {
        {_variant_t(5), VT_NULL, S_OK, 0},
        {_variant_t(u"x"), VT_NULL, S_OK, 0},
        {_variant_t(), VT_NULL, S_OK, 0},
        {_variant_t(1, VT_ERROR), VT_NULL, DISP_E_TYPEMISMATCH, 0},
        {_variant_t(1, VT_HRESULT), VT_NULL, DISP_E_TYPEMISMATCH, 0},
        {_variant_t::Null(), VT_I4, DISP_E_TYPEMISMATCH, 0},
        {_variant_t::Null(), VT_EMPTY, DISP_E_TYPEMISMATCH, 0},
        {_variant_t(u"#TRUE#"), VT_BOOL, S_OK, VARIANT_TRUE},
        {_variant_t(u" #false# "), VT_BOOL, S_OK, VARIANT_FALSE},
        {_variant_t(u"#TRUE#"), VT_I4, DISP_E_TYPEMISMATCH, 0},
        {_variant_t(u"2"), VT_BOOL, S_OK, VARIANT_TRUE},
        {_variant_t(true), VT_UI1, S_OK, 0xFF},
        {_variant_t(true), VT_UI2, S_OK, 0xFFFF},
        {_variant_t(true), VT_UI4, S_OK, 0xFFFFFFFF},
        {_variant_t(true), VT_UINT, S_OK, 0xFFFFFFFF},
        {_variant_t(true), VT_I4, S_OK, 0xFFFFFFFF},
        {_variant_t(false), VT_UI4, S_OK, 0},
        {_variant_t(-1, VT_I4), VT_UI4, DISP_E_OVERFLOW, 0},
        {_variant_t(-1, VT_INT), VT_UINT, DISP_E_OVERFLOW, 0},
        {_variant_t(static_cast<std::int32_t>(0x80000000u), VT_UI4), VT_I4, DISP_E_OVERFLOW, 0},
        {_variant_t(static_cast<std::int32_t>(0xFFFFFFFFu), VT_UI4), VT_BOOL, S_OK, VARIANT_TRUE},
        {_variant_t(static_cast<std::int32_t>(0x7FFFFFFF), VT_UI4), VT_INT, S_OK, 0x7FFFFFFF},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from.vt << " -> " << row.to);
        _variant_t v;
        ASSERT_EQ(row.hr, v.ChangeType(row.to, &row.from));
        if (row.hr != S_OK) {
            EXPECT_EQ(VT_EMPTY, v.vt);
            continue;
        }
        EXPECT_EQ(row.to, v.vt);
        std::uint8_t raw[16];
        v.GetRaw(raw);
        std::int64_t value = 0;
        std::memcpy(&value, raw + 8, row.to == VT_BOOL ? 2 : row.to == VT_UI1 ? 1
                                                        : row.to == VT_UI2 ? 2 : 4);
        if (row.to == VT_BOOL) value = static_cast<std::int16_t>(value);
        if (row.to != VT_NULL) {
            EXPECT_EQ(row.value, value);
        }
    }
}

TEST(Variant, IntegerRangesAndSixtyFourBits) {
    _variant_t v(300);
    EXPECT_EQ(v.ChangeType(VT_UI1), DISP_E_OVERFLOW);
    EXPECT_EQ(v.ChangeType(VT_I2), S_OK);
    EXPECT_EQ(v.vt, VT_I2);
    EXPECT_EQ(v.iVal, 300);
    EXPECT_EQ(_variant_t(128).ChangeType(VT_I1), DISP_E_OVERFLOW);

    std::int64_t big = 0;
    ASSERT_TRUE(_variant_t(u"-9223372036854775808").ToInt64(big));
    EXPECT_EQ(big, INT64_MIN);
    std::uint64_t ubig = 0;
    ASSERT_TRUE(_variant_t(u"18446744073709551615").ToUInt64(ubig));
    EXPECT_EQ(ubig, UINT64_MAX);
    EXPECT_FALSE(_variant_t(u"18446744073709551616").ToUInt64(ubig));
    ASSERT_TRUE(_variant_t(u"9007199254740993").ToInt64(big));  // exact beyond 2^53
    EXPECT_EQ(big, 9007199254740993LL);
    EXPECT_FALSE(_variant_t(1e30).ToInt64(big));
    EXPECT_FALSE(_variant_t(std::uint64_t{1} << 63).ToInt64(big));
    std::int32_t i = 0;
    EXPECT_FALSE(_variant_t(NAN).ToInt32(i));
}

TEST(Variant, StringsToNumbers) {
    double d = 0;
    ASSERT_TRUE(_variant_t(u" 1.5").ToDouble(d));
    EXPECT_DOUBLE_EQ(d, 1.5);
    ASSERT_TRUE(_variant_t(u"1e3").ToDouble(d));
    EXPECT_DOUBLE_EQ(d, 1000.0);
    ASSERT_TRUE(_variant_t(u"-.25").ToDouble(d));
    EXPECT_DOUBLE_EQ(d, -0.25);

    const char16_t* bad[] = {u"", u"12abc", u"1.2.3"};
    for (const char16_t* text : bad) {
        _variant_t v(text);
        EXPECT_EQ(v.ChangeType(VT_R8), DISP_E_TYPEMISMATCH) << CString(text).ToUtf8();
        EXPECT_EQ(v.vt, VT_BSTR);
    }
    EXPECT_EQ(_variant_t(u"1e999").ChangeType(VT_R8), DISP_E_OVERFLOW);
    EXPECT_EQ(_variant_t(u"1e39").ChangeType(VT_R4), DISP_E_OVERFLOW);

    _variant_t cy(u"12.345");
    ASSERT_EQ(cy.ChangeType(VT_CY), S_OK);
    EXPECT_EQ(cy.cyVal, 123450);
    EXPECT_EQ(TextOf(cy), "12.345");
    std::int32_t i = 0;
    ASSERT_TRUE(_variant_t(cy).ToInt32(i));
    EXPECT_EQ(i, 12);
    _variant_t half;
    half.vt = VT_CY;
    half.cyVal = -25000;  // -2.5
    ASSERT_TRUE(half.ToInt32(i));
    EXPECT_EQ(i, -2);
}

TEST(Variant, NumbersAndBoolsToText) {
    EXPECT_EQ(TextOf(_variant_t(1.5)), "1.5");
    EXPECT_EQ(TextOf(_variant_t(1.0 / 3.0)), "0.333333333333333");
    EXPECT_EQ(TextOf(_variant_t(1e20)), "1E+20");
    EXPECT_EQ(TextOf(_variant_t(0.1f)), "0.1");
    EXPECT_EQ(TextOf(_variant_t(1.0f / 3.0f)), "0.3333333");
    EXPECT_EQ(TextOf(_variant_t(std::uint64_t{UINT64_MAX})), "18446744073709551615");
    EXPECT_EQ(TextOf(_variant_t()), "");
    EXPECT_EQ(TextOf(_variant_t::Null()), "<error>");

    EXPECT_EQ(TextOf(_variant_t(true)), "-1");
    _variant_t b(u"-1");
    ASSERT_EQ(b.ChangeType(VT_BOOL), S_OK);
    EXPECT_EQ(b.boolVal, VARIANT_TRUE);
    _variant_t word(u" True ");
    ASSERT_EQ(word.ChangeType(VT_BOOL), S_OK);
    EXPECT_EQ(word.boolVal, VARIANT_TRUE);
    EXPECT_EQ(_variant_t(u"yes").ChangeType(VT_BOOL), DISP_E_TYPEMISMATCH);
}

TEST(Variant, DatesToTextAndBack) {
    _variant_t noon(COleDateTime(2024, 3, 1, 12, 30, 5));
    EXPECT_EQ(TextOf(noon), "2024-03-01 12:30:05");
    _variant_t midnight(COleDateTime(2024, 3, 1, 0, 0, 0));
    EXPECT_EQ(TextOf(midnight), "2024-03-01");
    EXPECT_EQ(TextOf(_variant_t(1e9, VT_DATE)), "<error>");

    for (const _variant_t& d : {noon, midnight}) {
        _variant_t back(CString::FromUtf8(TextOf(d)));
        ASSERT_EQ(back.ChangeType(VT_DATE), S_OK);
        EXPECT_TRUE(back == d);
    }
    EXPECT_EQ(_variant_t(u"03/01/2024").ChangeType(VT_DATE), DISP_E_TYPEMISMATCH);

    _variant_t r(-1.25, VT_DATE);
    ASSERT_EQ(r.ChangeType(VT_R8), S_OK);
    EXPECT_EQ(r.dblVal, -1.25);  // the same double
    ASSERT_EQ(r.ChangeType(VT_DATE), S_OK);
    EXPECT_EQ(r.date, -1.25);
    EXPECT_EQ(_variant_t(3e6).ChangeType(VT_DATE), DISP_E_OVERFLOW);
    std::int32_t i = 0;
    ASSERT_TRUE(_variant_t(2.5, VT_DATE).ToInt32(i));
    EXPECT_EQ(i, 2);
}

TEST(Variant, RawImageAndEquality) {
    std::uint8_t raw[16];
    _variant_t(0x12345678, VT_I4).GetRaw(raw);
    const std::uint8_t i4[16] = {3, 0, 0, 0, 0, 0, 0, 0, 0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(raw, i4, 16), 0);

    _variant_t(1.0).GetRaw(raw);
    const std::uint8_t r8[16] = {5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    EXPECT_EQ(std::memcmp(raw, r8, 16), 0);

    _variant_t s(u"text");
    s.GetRaw(raw);
    const std::uint8_t bstr[16] = {8, 0};
    EXPECT_EQ(std::memcmp(raw, bstr, 16), 0);

    _variant_t copy;
    copy.SetRaw(i4);
    EXPECT_TRUE(copy == _variant_t(0x12345678, VT_I4));
    copy.SetRaw(r8);
    EXPECT_TRUE(copy == _variant_t(1.0));
    copy.SetRaw(bstr);
    EXPECT_EQ(copy.vt, VT_BSTR);
    EXPECT_TRUE(copy.GetString().IsEmpty());
    copy.SetString(CString(u"text"));
    EXPECT_TRUE(copy == s);

    // A raw image with an unknown type converts to nothing.
    const std::uint8_t odd[16] = {0x99, 0x40};
    copy.SetRaw(odd);
    EXPECT_EQ(copy.ChangeType(VT_I4), DISP_E_BADVARTYPE);

    EXPECT_FALSE(_variant_t(1) == _variant_t(1, VT_I4));  // VT_INT against VT_I4
    EXPECT_FALSE(_variant_t(u"a") == _variant_t(u"A"));
    EXPECT_TRUE(_variant_t(true) == _variant_t(5, VT_BOOL));

    _variant_t cleared(3.5);
    cleared.Clear();
    cleared.GetRaw(raw);
    const std::uint8_t empty[16] = {};
    EXPECT_EQ(std::memcmp(raw, empty, 16), 0);
}

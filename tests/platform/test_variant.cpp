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
        std::memcpy(&value, raw + 8,
                    row.to == VT_BOOL  ? 2
                    : row.to == VT_UI1 ? 1
                    : row.to == VT_UI2 ? 2
                                       : 4);
        if (row.to == VT_BOOL) value = static_cast<std::int16_t>(value);
        if (row.to != VT_NULL) {
            EXPECT_EQ(row.value, value);
        }
    }
}

TEST(Variant, TextForms) {
    double d = 0;
    ASSERT_TRUE(_variant_t(u"-.25").ToDouble(d));
    EXPECT_DOUBLE_EQ(d, -0.25);
    for (const char16_t* text : {u"", u"12abc", u"1.2.3"}) {
        _variant_t v(text);
        EXPECT_EQ(v.ChangeType(VT_R8), DISP_E_TYPEMISMATCH) << CString(text).ToUtf8();
        EXPECT_EQ(v.vt, VT_BSTR);
    }
    _variant_t cy(u"12.345");
    ASSERT_EQ(cy.ChangeType(VT_CY), S_OK);
    EXPECT_EQ(cy.cyVal, 123450);
    EXPECT_EQ(TextOf(cy), "12.345");

    EXPECT_EQ(TextOf(_variant_t(1.0 / 3.0)), "0.333333333333333");
    EXPECT_EQ(TextOf(_variant_t(1.0f / 3.0f)), "0.3333333");
    EXPECT_EQ(TextOf(_variant_t(true)), "-1");
    EXPECT_EQ(TextOf(_variant_t::Null()), "<error>");

    // Dates: midnight without the time; the text converts back to the same date.
    _variant_t noon(COleDateTime(2024, 3, 1, 12, 30, 5));
    _variant_t midnight(COleDateTime(2024, 3, 1, 0, 0, 0));
    EXPECT_EQ(TextOf(noon), "2024-03-01 12:30:05");
    EXPECT_EQ(TextOf(midnight), "2024-03-01");
    EXPECT_EQ(TextOf(_variant_t(1e9, VT_DATE)), "<error>");
    for (const _variant_t& date : {noon, midnight}) {
        _variant_t back(CString::FromUtf8(TextOf(date)));
        ASSERT_EQ(back.ChangeType(VT_DATE), S_OK);
        EXPECT_TRUE(back == date);
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

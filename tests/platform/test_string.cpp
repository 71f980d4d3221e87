#include "support/Test.h"

// "%I64d" is the original platform's 64-bit conversion; GCC's format checker reads it as the
// glibc 'I' flag with width 64, so the calls that use it are exempted from -Wformat here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
static std::string Format64(std::int64_t a, std::uint64_t b, std::uint64_t c) {
    return StrPrintf("%I64d|%I64u|%I64x|%-5I64d|%%I64d", a, b, c, std::int64_t{7});
}
#pragma GCC diagnostic pop

TEST(CStringUtf8, RoundTripsAndReplacesInvalidInput) {
    const std::string texts[] = {
        "",
        "mixed \xE5\x8C\xBA\xE5\x9F\x9F 1",       // 区域
        "\xF0\x9F\x98\x80 and \xF0\xA0\x80\x8B",  // U+1F600, U+2000B
    };
    for (const auto& t : texts) EXPECT_EQ(CString::FromUtf8(t).ToUtf8(), t);
    EXPECT_EQ(CString::FromUtf8("\xF0\x9F\x98\x80").str(), u"\U0001F600");  // a surrogate pair

    EXPECT_EQ(CString::FromUtf8("a\xFFz").str(), u"a\uFFFDz");            // bad lead byte
    EXPECT_EQ(CString::FromUtf8("a\xE9\x97").str(), u"a\uFFFD");          // cut at the end
    EXPECT_EQ(CString::FromUtf8("\xC0\xAF").str(), u"\uFFFD");            // overlong '/'
    EXPECT_EQ(CString::FromUtf8("\xED\xA0\x80").str(), u"\uFFFD");        // encoded surrogate
    EXPECT_EQ(CString::FromUtf8(std::string("a\0b", 3)).GetLength(), 3);  // NUL kept
    const char16_t loneHigh[] = {u'x', 0xD800, u'y', 0};
    EXPECT_EQ(CString(loneHigh).ToUtf8(), "x\xEF\xBF\xBDy");
}

TEST(StringFormat, SixtyFourBitsUtf8ArgumentsAndSqlEscape) {
    EXPECT_EQ(Format64(-9000000000LL, 18446744073709551615ULL, 0xABCDEF0123ULL),
              "-9000000000|18446744073709551615|abcdef0123|7    |%I64d");
    CString s;
    s.Format("%s=%d", "\xE9\x97\xA8", 42);
    EXPECT_EQ(s.str(), u"\u95E8=42");

    EXPECT_EQ(SqlEscape(std::string("O'Brien")), "O''Brien");
    EXPECT_EQ(SqlEscape(std::string("''")), "''''");
    EXPECT_EQ(SqlEscape(CString(u"\u95E8'1")), "\xE9\x97\xA8''1");
}

// CString: a wide (UTF-16) string, the library's string type.
//
// The code units live in a std::u16string. Conversion to and from UTF-8 happens only at the
// boundaries (database, files, console): ToUtf8() / FromUtf8().
#pragma once

#include <compare>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Export.h"

class NAMEOBJECT_API CString {
public:
    CString() = default;
    CString(const char16_t* s);  // NOLINT: implicit, as the framework's string; null is empty
    CString(const char16_t* s, int length);
    CString(std::u16string s) : m_str(std::move(s)) {}  // NOLINT
    CString(std::u16string_view s) : m_str(s) {}        // NOLINT

    static CString FromUtf8(std::string_view utf8);  // invalid sequences become U+FFFD
    std::string ToUtf8() const;

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    const char16_t* GetString() const { return m_str.c_str(); }
    const std::u16string& str() const { return m_str; }
    std::u16string& str() { return m_str; }
    char16_t GetAt(int i) const { return m_str[static_cast<std::size_t>(i)]; }
    char16_t operator[](int i) const { return GetAt(i); }

    // White space is blank, tab, CR, LF, vertical tab and form feed.
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    CString Left(int n) const;
    CString Mid(int first) const;
    CString Mid(int first, int n) const;
    CString Right(int n) const;
    int Find(char16_t ch, int start = 0) const;  // -1 when absent
    int Find(const CString& sub, int start = 0) const;
    int ReverseFind(char16_t ch) const;
    int Compare(const CString& other) const;        // <0, 0, >0 by code unit
    int CompareNoCase(const CString& other) const;  // ASCII letters folded
    CString& MakeUpper();                           // ASCII only
    CString& MakeLower();

    // printf-style formatting. The format is UTF-8; "%s" takes a UTF-8 const char*,
    // "%I64d" / "%I64u" take 64-bit integers (as on the original platform).
    void Format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    static CString Formatted(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

    CString& operator+=(const CString& s) {
        m_str += s.m_str;
        return *this;
    }
    CString& operator+=(char16_t c) {
        m_str += c;
        return *this;
    }
    friend CString operator+(CString a, const CString& b) {
        a += b;
        return a;
    }
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend std::strong_ordering operator<=>(const CString& a, const CString& b) {
        return a.m_str <=> b.m_str;
    }

private:
    std::u16string m_str;
};

template <>
struct std::hash<CString> {
    std::size_t operator()(const CString& s) const noexcept {
        return std::hash<std::u16string>{}(s.str());
    }
};

#include "platform/CString.h"

#include <utf8.h>

#include <algorithm>
#include <cstdarg>
#include <iterator>

#include "platform/StringFormat.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

char16_t FoldUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - u'a' + u'A' : c; }
char16_t FoldLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c - u'A' + u'a' : c; }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Clamps a start position into [0, size].
std::size_t ClampPos(int pos, std::size_t size) {
    if (pos <= 0) return 0;
    return static_cast<std::size_t>(pos) > size ? size : static_cast<std::size_t>(pos);
}

}  // namespace

CString::CString(const char16_t* s) {
    if (s) m_str = s;
}

CString::CString(const char16_t* s, int length) {
    if (s && length > 0) m_str.assign(s, static_cast<std::size_t>(length));
}

CString CString::FromUtf8(std::string_view utf8) {
    // Plain ASCII (most names and every statement) widens unit for unit.
    std::size_t ascii = 0;
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
    if (ascii == utf8.size()) return CString(std::u16string(utf8.begin(), utf8.end()));

    // Repair first (each bad sequence becomes one U+FFFD), then decode the now valid text.
    std::string clean;
    clean.reserve(utf8.size());
    utf8::replace_invalid(utf8.begin(), utf8.end(), std::back_inserter(clean));
    std::u16string out;
    out.reserve(clean.size());
    utf8::unchecked::utf8to16(clean.begin(), clean.end(), std::back_inserter(out));
    return CString(std::move(out));
}

std::string CString::ToUtf8() const {
    // A surrogate without its partner cannot be written as UTF-8; it becomes U+FFFD.
    std::string out;
    out.reserve(m_str.size());
    auto sink = std::back_inserter(out);
    for (std::size_t i = 0; i < m_str.size(); ++i) {
        char16_t c = m_str[i];
        std::uint32_t cp = c;
        if (IsHighSurrogate(c) && i + 1 < m_str.size() && IsLowSurrogate(m_str[i + 1])) {
            cp = 0x10000 + ((static_cast<std::uint32_t>(c) - 0xD800) << 10) +
                 (static_cast<std::uint32_t>(m_str[i + 1]) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            cp = kReplacement;
        }
        sink = utf8::unchecked::append(cp, sink);
    }
    return out;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::TrimLeft() {
    std::size_t n = 0;
    while (n < m_str.size() && IsSpace(m_str[n])) ++n;
    m_str.erase(0, n);
    return *this;
}

CString& CString::TrimRight() {
    std::size_t n = m_str.size();
    while (n > 0 && IsSpace(m_str[n - 1])) --n;
    m_str.resize(n);
    return *this;
}

CString CString::Left(int n) const { return CString(m_str.substr(0, ClampPos(n, m_str.size()))); }

CString CString::Mid(int first) const {
    return CString(m_str.substr(ClampPos(first, m_str.size())));
}

CString CString::Mid(int first, int n) const {
    std::size_t start = ClampPos(first, m_str.size());
    return CString(m_str.substr(start, ClampPos(n, m_str.size() - start)));
}

CString CString::Right(int n) const {
    std::size_t count = ClampPos(n, m_str.size());
    return CString(m_str.substr(m_str.size() - count));
}

int CString::Find(char16_t ch, int start) const {
    if (start < 0) start = 0;
    std::size_t pos = m_str.find(ch, static_cast<std::size_t>(start));
    return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const CString& sub, int start) const {
    if (start < 0) start = 0;
    if (static_cast<std::size_t>(start) > m_str.size()) return -1;
    std::size_t pos = m_str.find(sub.m_str, static_cast<std::size_t>(start));
    return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char16_t ch) const {
    std::size_t pos = m_str.rfind(ch);
    return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::Compare(const CString& other) const {
    int c = m_str.compare(other.m_str);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CString::CompareNoCase(const CString& other) const {
    std::size_t n = std::min(m_str.size(), other.m_str.size());
    for (std::size_t i = 0; i < n; ++i) {
        char16_t a = FoldLower(m_str[i]);
        char16_t b = FoldLower(other.m_str[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    if (m_str.size() == other.m_str.size()) return 0;
    return m_str.size() < other.m_str.size() ? -1 : 1;
}

CString& CString::MakeUpper() {
    for (auto& c : m_str) c = FoldUpper(c);
    return *this;
}

CString& CString::MakeLower() {
    for (auto& c : m_str) c = FoldLower(c);
    return *this;
}

void CString::Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    *this = FromUtf8(StrVPrintf(fmt, args));
    va_end(args);
}

CString CString::Formatted(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    CString s = FromUtf8(StrVPrintf(fmt, args));
    va_end(args);
    return s;
}

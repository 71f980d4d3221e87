#include "platform/StringFormat.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/CString.h"

namespace {

// Rewrites the original platform's "I64" size prefix ("%I64d", "%-8I64u", "%I64x") to "ll";
// a following "l"/"ll" is absorbed so "%I64ld" means the same. "I32" is dropped.
std::string RewriteFormat(const char* fmt) {
    std::string out;
    out.reserve(std::strlen(fmt) + 8);
    const char* p = fmt;
    while (*p) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        out += *p++;
        if (*p == '%') {
            out += *p++;
            continue;
        }
        while (*p && std::strchr("-+ #0123456789.*'", *p)) out += *p++;
        if (std::strncmp(p, "I64", 3) == 0) {
            p += 3;
            while (*p == 'l') ++p;
            out += "ll";
        } else if (std::strncmp(p, "I32", 3) == 0) {
            p += 3;
        }
    }
    return out;
}

}  // namespace

std::string StrVPrintf(const char* fmt, va_list args) {
    if (!fmt) return {};
    const std::string format = RewriteFormat(fmt);

    char small[256];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format.c_str(), copy);
    va_end(copy);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, n);

    std::vector<char> big(static_cast<std::size_t>(n) + 1);
    va_copy(copy, args);
    std::vsnprintf(big.data(), big.size(), format.c_str(), copy);
    va_end(copy);
    return std::string(big.data(), static_cast<std::size_t>(n));
}

std::string StrPrintf(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string s = StrVPrintf(fmt, args);
    va_end(args);
    return s;
}

std::string SqlEscape(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    for (char c : utf8) {
        if (c == '\0') {
            // The engine ends a statement's text at a zero byte: the character is spliced in
            // by an expression instead, so the stored value keeps its length.
            out += "' || char(0) || '";
            continue;
        }
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::string SqlEscape(const CString& value) { return SqlEscape(value.ToUtf8()); }

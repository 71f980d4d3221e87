// printf-style formatting into UTF-8 text, and the quoting of values put into SQL texts.
#pragma once

#include <cstdarg>
#include <string>

#include "platform/Export.h"

class CString;

// Formats like vsnprintf, with the original platform's "%I64d", "%I64u" and "%I64x"
// accepted for 64-bit integers.
NAMEOBJECT_API std::string StrPrintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
NAMEOBJECT_API std::string StrVPrintf(const char* fmt, va_list args);

// The text of a value for use between single quotes in a statement: UTF-8 with every
// single quote doubled and every zero character written as "' || char(0) || '" (the text
// stays free of zero bytes), so that the stored text is the value itself, length included.
NAMEOBJECT_API std::string SqlEscape(const CString& value);
NAMEOBJECT_API std::string SqlEscape(const std::string& utf8);

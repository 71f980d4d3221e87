// UTF-8 decoding at the library's text boundary: any bytes decode (invalid sequences as
// U+FFFD), and the decoded text encodes and decodes back to itself. The same bytes read as
// UTF-16 code units (lone surrogates included) must encode without a crash.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/CString.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const CString text = CString::FromUtf8(bytes);
    const std::string utf8 = text.ToUtf8();
    if (!(CString::FromUtf8(utf8) == text)) std::abort();
    // Only invalid input may decode to something that encodes differently.
    if (utf8 != bytes && text.str().find(u'\xFFFD') == std::u16string::npos) std::abort();

    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    CString(units).ToUtf8();
    return 0;
}

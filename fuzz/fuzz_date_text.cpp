// Date text parsing: COleDateTime::ParseDateTime (both text forms) and the variant
// conversion from text to VT_DATE. A text that parses gives a valid date whose database form
// parses back to the same date; one that does not leaves the date invalid.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/OleDateTime.h"
#include "platform/Variant.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const CString text = CString::FromUtf8(bytes);

    COleDateTime date;
    const bool parsed = date.ParseDateTime(bytes);
    if (parsed != date.IsValid()) std::abort();
    COleDateTime wide;
    if (wide.ParseDateTime(text) != parsed && CString::FromUtf8(bytes).ToUtf8() == bytes)
        std::abort();
    if (parsed) {
        const std::string iso = date.FormatIsoMs();
        COleDateTime again;
        if (!again.ParseDateTime(iso) || again.FormatIsoMs() != iso) std::abort();
        date.Format();
        COleDateTime::Fields fields;
        if (!date.GetAsFields(fields)) std::abort();
    }

    _variant_t variant(text);
    if (variant.ChangeType(VT_DATE) == 0) {
        _variant_t back;
        if (back.ChangeType(VT_BSTR, &variant) != 0) std::abort();
    }
    return 0;
}

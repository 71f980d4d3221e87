// Text-to-number parsing: a text variant converted to every numeric type (and BOOL, currency,
// decimal). A conversion that succeeds gives a value whose text converts back to the same
// value for the integer types; a failed one leaves the variant a text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/Variant.h"

namespace {

const VARTYPE kIntegerTypes[] = {VT_I1, VT_UI1, VT_I2,  VT_UI2,  VT_I4,  VT_UI4,
                                 VT_I8, VT_UI8, VT_INT, VT_UINT, VT_BOOL};
const VARTYPE kOtherTypes[] = {VT_R4, VT_R8, VT_CY, VT_DECIMAL, VT_ERROR, VT_HRESULT};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CString text =
        CString::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    const _variant_t source(text);
    for (VARTYPE vt : kIntegerTypes) {
        _variant_t value(source);
        if (value.ChangeType(vt) != 0) {
            if (value.vt != VT_BSTR || !(value == source)) std::abort();
            continue;
        }
        _variant_t asText;
        if (asText.ChangeType(VT_BSTR, &value) != 0) std::abort();
        _variant_t again(asText);
        if (again.ChangeType(vt) != 0 || !(again == value)) std::abort();
    }
    for (VARTYPE vt : kOtherTypes) {
        _variant_t value;
        if (value.ChangeType(vt, &source) == 0) {
            _variant_t asText;
            asText.ChangeType(VT_BSTR, &value);
        }
    }
    return 0;
}

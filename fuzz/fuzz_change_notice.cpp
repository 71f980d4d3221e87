// The change feed's payload reader: any text either is refused (the output untouched) or
// parses to a notice that formats back to exactly the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/ChangeNotice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string payload(reinterpret_cast<const char*>(data), size);
    const ChangeNotice untouched{ChangeOperation::Update, {7, 7, 7}, {}};
    ChangeNotice notice = untouched;
    if (!ParseChangeNotice(payload, notice)) {
        if (!(notice.object == untouched.object)) std::abort();
        return 0;
    }
    if (FormatChangeNotice(notice) != payload) std::abort();
    return 0;
}

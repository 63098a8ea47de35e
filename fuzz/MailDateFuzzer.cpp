// Feeds arbitrary bytes to the Date: reader; whatever it accepts must be a real calendar date
// and time that encodes back to the same value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "MailDate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kelvane::ParsedMailDate parsed = kelvane::ParseMailDate(text);
    if (parsed.dateTime == 0) {
        if (!parsed.zone.empty()) std::abort();
        return 0;
    }
    if (parsed.zone.size() > text.size()) std::abort();
    const kelvane::CivilDateTime c = kelvane::DateTimeToCivil(parsed.dateTime);
    const auto again = kelvane::EncodeDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second);
    if (!again || std::fabs(*again - parsed.dateTime) > 1e-6) std::abort();
    return 0;
}

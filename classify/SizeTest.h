#pragma once

#include <string_view>

#include "ReasonLog.h"
#include "SpamOptions.h"

namespace kelvane {

// Whether a size rule matched, and whether it asks for a check mark rather than a question mark.
struct SizeResult {
    bool matched = false;
    bool checkMark = false;
    bool operator==(const SizeResult&) const = default;
};

// The two size rules: strictly smaller than the "smaller" limit, else strictly larger than the
// "larger" limit. A size text that is not a decimal number is not tested.
SizeResult tooBigSmall(const SpamOptions& options, std::string_view sizeText, ReasonLog& log);

}  // namespace kelvane

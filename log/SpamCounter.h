#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// The running count of deleted spam messages, kept in the settings as decimal text.
inline constexpr std::string_view kSpamCountReset = "0";

// `count` + `added` as decimal text. A count that is not a number counts as 0; the sum stops at
// the largest (or smallest) representable count instead of wrapping.
std::string AddToSpamCount(std::string_view count, long long added);

}  // namespace kelvane

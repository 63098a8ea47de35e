#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvane {

// Longest display name or address kept, in bytes.
inline constexpr size_t kMaxAddressPart = 255;

struct TmsMailAddress {
    std::string Name;
    std::string Address;
};

using TmsAddressList = std::vector<TmsMailAddress>;

// Trims, then removes every leading and every trailing double quote.
std::string StripQuotes(std::string_view text);

// Fills `address` from a sender text such as `"Ann Lee" <ann-box>` or `ann-box (Ann Lee)`.
// Never fails: a text with no closing '>' after its '<' gives an empty address and the whole
// text as the name.
void ParseAddress(std::string_view text, TmsMailAddress& address);

// ParseAddress as a pair: first the address, second the display name.
std::pair<std::string, std::string> SplitAddress(std::string_view text);

}  // namespace kelvane

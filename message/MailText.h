#pragma once

#include <string>
#include <string_view>

// Small text helpers shared by the mail parsers. All case handling is ASCII-only: bytes other
// than the letters a-z and A-Z are never changed.
namespace kelvane::mailtext {

std::string Upper(std::string_view text);
std::string Lower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Position of `needle` in `text` with case folded, or npos.
size_t FindNoCase(std::string_view text, std::string_view needle);
// Removes leading and trailing blanks and control characters (every byte up to 0x20).
std::string_view Trim(std::string_view text);

}  // namespace kelvane::mailtext

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvane {

// Converts text in the named character set to UTF-8 through the C library's iconv. "us-ascii" and
// "utf-8" (any case) come back as they are; so do the bytes when the charset is unknown or the
// text is not valid in it, since showing raw bytes beats showing nothing.
std::string ConvertToUtf8(std::string_view bytes, std::string_view charset);

// The longest prefix of `text` of at most `maxBytes` bytes that does not end inside a UTF-8
// sequence: an incomplete trailing sequence is dropped whole.
std::string CutUtf8(std::string_view text, size_t maxBytes);

}  // namespace kelvane

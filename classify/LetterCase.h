#pragma once

#include <string_view>

namespace kelvane {

// True when UTF-8 `text` holds a lower-case letter of any alphabet with case: a character that
// has an upper-case form and is not in it, by the C library's Unicode case data. Characters
// without a one-letter capital (German ß, ligatures such as ﬁ) stay as they are in upper-case
// text, so they are no lower-case letters. Bytes that are not UTF-8 are no letters.
bool HoldsLowerCaseLetter(std::string_view text);

}  // namespace kelvane

#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// Decodes base64 of any length. A byte outside the alphabet raises
// EMessageParserError(kInvalidCharacter); the first '=' ends the data. A last group of two or three
// characters gives the one or two bytes it fully determines; a single trailing character gives
// nothing.
std::string DecodeBase64(std::string_view text);

// DecodeBase64 for header text: the result is cut to 255 bytes, and the user interface gets a
// chance to process its pending events.
std::string DecodeBase64Text(std::string_view text);

}  // namespace kelvane

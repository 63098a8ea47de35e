#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// The text of a Q-encoded word: quoted-printable escapes of one line, at most 255 bytes.
// Underscores are left alone; DecodeEncodedWords turns them into blanks.
std::string DecodeQText(std::string_view text);

// Replaces the encoded words ("=?charset?B|Q?text?=") of a header value by their text converted to
// UTF-8. Input and output are at most 255 bytes. Raises EMessageParserError(kInvalidCharacter)
// for bad base64 in a B-encoded word.
std::string DecodeEncodedWords(std::string_view text);

}  // namespace kelvane

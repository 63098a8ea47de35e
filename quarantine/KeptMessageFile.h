#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "KeptMessage.h"

namespace kelvane {

// The file that holds one kept message: a first line naming the format, one "Key: value" line
// per field (values escaped so that each stays one line), an empty line, then exactly
// keptSize bytes of the message.
inline constexpr std::string_view kKeptMessageMagic = "Kelvane kept message 1\n";
// The most a file's description may take; the message itself is bounded by its Length line.
inline constexpr std::size_t kLongestDescription = 256 * 1024;
inline constexpr std::size_t kMostReasonLines = 1000;

std::string FormatKeptMessage(const KeptMessage& kept, std::string_view message);

// Where the message starts in a file, with its description; nothing when `file` is not a
// well-formed kept-message file (its Length line must match the bytes that follow exactly).
// `file` may be only the file's start when `total` gives its whole length.
struct ParsedKeptMessage {
    KeptMessage kept;
    std::size_t messageOffset = 0;
};
std::optional<ParsedKeptMessage> ParseKeptMessage(std::string_view file, std::size_t total);
inline std::optional<ParsedKeptMessage> ParseKeptMessage(std::string_view file) {
    return ParseKeptMessage(file, file.size());
}

// Where the body of `message` starts, after the empty line that ends its header block (CR LF or
// LF); npos when there is none.
std::size_t BodyStart(std::string_view message);
// The header block of `message`, without the empty line; the whole message when none ends it.
std::string_view HeaderBlockOf(std::string_view message);

// The part of `message` that is kept when it is longer than `wholeLimit` bytes: its header
// block (at most wholeLimit bytes of it) and the first kBodyKeptOfLarge bytes of its body.
inline constexpr std::size_t kBodyKeptOfLarge = 64 * 1024;
std::string_view KeptPart(std::string_view message, long long wholeLimit);

// The message of a POP3 data block (RFC 1939): dot-stuffing undone and the terminating line
// dropped; the CR LF line ends stay as the server sent them.
std::string MessageOfDataBlock(std::string_view block);

}  // namespace kelvane

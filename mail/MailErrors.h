#pragma once

#include <stdexcept>
#include <string>

namespace kelvane {

// Base of every error the mail components raise, so that a caller can catch them all at once.
class EMailError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A message, header or encoded text that cannot be decoded.
class EMessageParserError : public EMailError {
  public:
    using EMailError::EMailError;
};

// The texts of EMessageParserError.
inline constexpr const char* kInvalidCharacter = "Invalid Character";
inline constexpr const char* kParagraphTooLarge = "Paragraph is too large";
inline constexpr const char* kCannotFindBoundary = "Cannot find boundary";
inline constexpr const char* kCannotFindClosingBoundary = "Cannot find closing boundary";
inline constexpr const char* kErrorDecodingAttachment = "Error decoding the attachment";

}  // namespace kelvane

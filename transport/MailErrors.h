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

// A socket or transport failure; the text says what went wrong in words a person can read.
class ESocketError : public EMailError {
  public:
    using EMailError::EMailError;
};

// A wait that outlasted its time-out.
class ETimedOutError : public EMailError {
  public:
    using EMailError::EMailError;
};

// A wait that the user cancelled.
class ECanceledError : public EMailError {
  public:
    using EMailError::EMailError;
};

// A POP3 reply that is not positive; the text is the reply line.
class EServerError : public EMailError {
  public:
    using EMailError::EMailError;
};

// Kept for its messages: there is no socket library to load here, so it is never raised.
class EWinsockDLLError : public EMailError {
  public:
    using EMailError::EMailError;
};

// The component messages of the transport.
inline constexpr const char* kOperationTimedOut = "Operation timed out";
inline constexpr const char* kOperationCanceled = "Operation has been canceled";
inline constexpr const char* kServerPropertyRequired = "Server property is required";
inline constexpr const char* kInvalidWinsockVersion = "Invalid Winsock version";
inline constexpr const char* kErrorResolvingRemoteHost = "Error resolving remote host";
inline constexpr const char* kServiceNameRequired = "Service name is required";
inline constexpr const char* kConnectFirst = "You have to connect to the server first";
inline constexpr const char* kFunctionNotFound = "Function %s not found";
inline constexpr const char* kWinsockNotLoaded = "Winsock is not loaded";
inline constexpr const char* kWinsockNotFound = "Winsock not found";
inline constexpr const char* kServerClosedConnection = "The server closed the connection";
inline constexpr const char* kUnaskedReply = "The server sent a reply that no command asked for";

// The texts of EMessageParserError.
inline constexpr const char* kInvalidCharacter = "Invalid Character";
inline constexpr const char* kParagraphTooLarge = "Paragraph is too large";
inline constexpr const char* kCannotFindBoundary = "Cannot find boundary";
inline constexpr const char* kCannotFindClosingBoundary = "Cannot find closing boundary";
inline constexpr const char* kErrorDecodingAttachment = "Error decoding the attachment";

}  // namespace kelvane

#pragma once

#include <string>

#include "MailErrors.h"

namespace kelvane {

// An answer of the DNS server that says no, or that cannot be used. RCode() is the answer's
// response code; 0 when the answer was malformed or did not belong to the query, so that a
// caller can tell "does not exist" (3) from everything else.
class EResolverError : public EMailError {
  public:
    explicit EResolverError(const std::string& text, int rcode = 0)
        : EMailError(text), rcode_(rcode) {}
    int RCode() const { return rcode_; }

  private:
    int rcode_;
};

// The response code for a name that does not exist (RFC 1035).
inline constexpr int kRCodeNameError = 3;

// Texts of EResolverError, one per response code...
inline constexpr const char* kRCodeFormatError = "Domain server was unable to interpret a query";
inline constexpr const char* kRCodeServerFailure = "Domain server failure";
inline constexpr const char* kRCodeNameDoesNotExist = "Domain name does not exist";
inline constexpr const char* kRCodeNotImplemented = "Not implemented";
inline constexpr const char* kRCodeRefused = "Domain server refused to return the information";
inline constexpr const char* kRCodeOtherPrefix = "Domain server Error #";
// ...and for answers that cannot be used and names that cannot be asked for.
inline constexpr const char* kIdsDiffer = "IDs in the query and response are different";
inline constexpr const char* kNotAResponse = "This is not a response";
inline constexpr const char* kAnswerDoesNotMatch = "The answer does not match the question";
inline constexpr const char* kAnswerMalformed = "The answer of the domain server is malformed";
inline constexpr const char* kInvalidDomainName = "Invalid domain name";

}  // namespace kelvane

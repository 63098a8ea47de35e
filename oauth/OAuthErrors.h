#pragma once

#include <stdexcept>

namespace kelvane {

// A token request that gave no token; the text says why in words a person can read, and never
// holds a token or the client secret.
class EOAuthError : public std::runtime_error {
  public:
    enum class Kind {
        SignInAgain,  // the grant is no longer good (revoked, expired): only a new sign-in helps
        Refused,      // the endpoint refused the request itself (client id, scope, ...)
        Unreachable,  // no answer, a failed connection or TLS, or a server error
        BadReply,     // an answer that is not a token reply
    };

    EOAuthError(Kind kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
    Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

}  // namespace kelvane

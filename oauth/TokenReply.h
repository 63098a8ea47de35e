#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// What a token endpoint gave (RFC 6749, section 5.1).
struct OAuthTokens {
    std::string accessToken;
    // Empty when the reply did not replace the refresh token, which then stays good.
    std::string refreshToken;
    // How long the access token lasts from the reply; none when the endpoint did not say.
    std::optional<std::chrono::seconds> expiresIn;
    std::string scope;
};

// Reads the reply of a token endpoint with HTTP status `status`. A success without an access
// token or with another token type than Bearer raises EOAuthError(BadReply); an error reply
// (RFC 6749, section 5.2) raises SignInAgain for invalid_grant, else Refused; a status of 500 or
// more raises Unreachable. `secrets` (the refresh token, the client secret) are written as
// "{secret}" should the server quote them in its error text.
OAuthTokens ReadTokenReply(long status, std::string_view body,
                           std::initializer_list<std::string_view> secrets);

}  // namespace kelvane

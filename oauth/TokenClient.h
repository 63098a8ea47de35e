#pragma once

#include <string>

#include "TokenReply.h"

namespace kelvane {

// Where and as whom a program asks for tokens.
struct OAuthClient {
    std::string tokenUrl;  // https, or http on the loopback address only
    std::string clientId;
    std::string clientSecret;  // empty for a public client
    int timeoutSeconds = 30;   // for the whole request
};

// A new access token for `refreshToken` by the refresh grant (RFC 6749, section 6): a form POST
// to the token endpoint, bounded in time and in the size of the reply, never redirected. Raises
// EOAuthError as ReadTokenReply does, and Unreachable for a failed connection, a time-out or a
// token URL that would send the refresh token in plain text over the network.
OAuthTokens RefreshAccessToken(const OAuthClient& client, const std::string& refreshToken);

}  // namespace kelvane

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

// The tokens of a first sign-in: the authorization code the browser brought back to
// `redirectUri`, redeemed with the PKCE verifier it was asked for with (RFC 6749, section 4.1.3;
// RFC 7636). Bounded and safe as RefreshAccessToken; a code the server no longer takes (used,
// expired, a verifier that does not match) raises SignInAgain.
OAuthTokens ExchangeCode(const OAuthClient& client, const std::string& code,
                         const std::string& verifier, const std::string& redirectUri);

}  // namespace kelvane

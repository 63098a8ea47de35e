#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The SASL mechanisms that sign in with an OAuth2 bearer token.
enum class OAuthMechanism {
    None,
    OAuthBearer,  // RFC 7628
    XOAuth2,      // the older form the large providers introduced
};

// The mechanism's name as AUTH takes it.
const char* SaslName(OAuthMechanism mechanism);

// OAUTHBEARER when the server lists it among `offered` (upper-case names), else XOAUTH2, else
// None.
OAuthMechanism ChooseOAuthMechanism(const std::vector<std::string>& offered);

// The client's first message for `mechanism` (not None), base64-encoded. Every buffer that held
// the token on the way is wiped; the caller wipes the result.
std::string OAuthInitialResponse(OAuthMechanism mechanism, std::string_view user,
                                 std::string_view token);

// The base64 form of `bytes`, in a buffer sized once, so that no copy of a secret is left behind
// by a reallocation.
std::string EncodeBase64(std::string_view bytes);

// The "status" of the JSON error that a server sends as its challenge after a refused token
// ("invalid_token"); empty when the challenge holds none, or something else than a plain word.
std::string ChallengeStatus(std::string_view encodedChallenge);

}  // namespace kelvane

#pragma once

#include <string>

namespace kelvane {

// A new PKCE code verifier (RFC 7636): 64 characters of base64url from the system's
// cryptographic random source.
std::string NewPkceVerifier();

// The S256 challenge of `verifier`: base64url of its SHA-256, without padding.
std::string PkceChallenge(const std::string& verifier);

// A new `state` for one authorization request, from the same source, unguessable to a page that
// would forge the browser's answer.
std::string NewOAuthState();

}  // namespace kelvane

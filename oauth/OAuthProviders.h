#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

struct MailboxAccount;

// Where a provider signs users in and gives tokens, and what a mail program asks for.
struct OAuthProvider {
    std::string authorizeUrl;
    std::string tokenUrl;
    std::string scope;
};

// "google" and "microsoft": their public endpoints and the scopes that allow POP3.
std::optional<OAuthProvider> OAuthPreset(std::string_view name);

// The provider of a mailbox: its preset, or the addresses it names for "custom"; nothing when
// the settings name no usable provider.
std::optional<OAuthProvider> OAuthProviderOf(const MailboxAccount& account);

}  // namespace kelvane

#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "MailboxSecurity.h"

namespace kelvane {

inline constexpr int kPop3Port = 110;
inline constexpr int kPop3sPort = 995;

// The first POP3 account found in another mail program's settings, as a mailbox takes it.
struct FoundAccount {
    std::string server;  // the host, followed by ":" and the port when that is not 110
    std::string userName;
    // As the mail program protects the session, so that an account found on port 995 or with
    // STARTTLS is not then tried in plain text.
    int security = kSecurityPlain;
    // The program signs in with OAuth2; the provider is guessed from the server ("google",
    // "microsoft", or empty when the server names neither).
    bool oauth2 = false;
    std::string oauthProvider{};
    bool operator==(const FoundAccount&) const = default;
};

// The account made of what a mail program stores, blanks around the values left out; nothing
// when that cannot be a usable account: no host, or a host or user name that is overlong or holds
// blanks or control characters (the values come from files any program may have written).
std::optional<FoundAccount> MakeFoundAccount(std::string_view host, int port,
                                             std::string_view userName, int security);

// The account signs in with OAuth2, with the provider its server suggests.
FoundAccount WithOAuth2(FoundAccount account);

// "google" for Gmail's servers, "microsoft" for Outlook's, Office 365's and Hotmail's, else "".
std::string OAuthProviderOfServer(std::string_view host);

// A port as a mail program stores it, or `fallback` when the text is no port number.
int StoredPort(std::string_view text, int fallback);

}  // namespace kelvane

#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "MailboxAccounts.h"
#include "SecretStore.h"
#include "TokenClient.h"

namespace kelvane {

// One mailbox that signs in with OAuth2: its number for the error texts, its server and user
// name (the keyring's attributes), and its OAuth2 settings.
struct OAuthMailbox {
    int number = 1;
    std::string server;
    std::string user;
    MailboxAccount settings;
};

// The access tokens of the mailboxes that sign in with OAuth2. A token is kept in memory, never
// on disk, while it lasts, so that the sessions within its lifetime sign in without asking the
// provider; a new one comes from the refresh token kept in the desktop keyring. Every error is an
// EOAuthError whose text says what the user can do, and no text holds a token.
class OAuthSignIn {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Refresher = std::function<OAuthTokens(const OAuthClient&, const std::string&)>;

    // The real clock and the provider's token endpoint unless replaced.
    explicit OAuthSignIn(Clock clock = {}, Refresher refresh = {});
    ~OAuthSignIn();
    OAuthSignIn(const OAuthSignIn&) = delete;
    OAuthSignIn& operator=(const OAuthSignIn&) = delete;

    // The access token to sign `mailbox` in with: the one kept while it lasts, else a new one by
    // the refresh grant, whose reply may replace the refresh token in `keyring`. Blocks for at
    // most the token request's time-out. Throws EOAuthError (SignInAgain when there is no
    // keyring or no refresh token in it, or the provider no longer accepts it) or
    // SecretStoreError.
    std::string AccessToken(const OAuthMailbox& mailbox, SecretStore* keyring);
    // Drops the token kept for `server` and `user`: the server refused it.
    void Forget(const std::string& server, const std::string& user);

  private:
    struct Kept {
        std::string accessToken;
        std::chrono::steady_clock::time_point renewAt;  // max() when the provider gave no lifetime
    };

    std::string Renewed(const OAuthMailbox& mailbox, SecretStore* keyring);
    std::chrono::steady_clock::time_point Now() const;

    Clock clock_;
    Refresher refresh_;
    std::map<std::pair<std::string, std::string>, Kept> kept_;
};

}  // namespace kelvane

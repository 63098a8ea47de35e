#include "OAuthSignIn.h"

#include <algorithm>
#include <optional>

#include "OAuthErrors.h"
#include "OAuthProviders.h"
#include "PasswordCipher.h"
#include "SecretText.h"

namespace kelvane {
namespace {

using Kind = EOAuthError::Kind;
using std::chrono::seconds;
using std::chrono::steady_clock;

constexpr const char* kWhereToSignIn =
    "use Sign in... on the General settings window's Mailboxes page";
// A token is renewed a little before it ends, so that it does not end during the sign-in.
constexpr seconds kLongestMargin{60};

std::string Mailbox(const OAuthMailbox& mailbox) {
    return "Mailbox " + std::to_string(mailbox.number) + " signs in with OAuth2";
}

[[noreturn]] void NotSignedIn(const OAuthMailbox& mailbox, const std::string& why) {
    throw EOAuthError(Kind::SignInAgain,
                      Mailbox(mailbox) + " and has not been signed in: " + kWhereToSignIn + why);
}

// The refresh token kept for the mailbox; the error of a mailbox never signed in otherwise.
std::string RefreshToken(const OAuthMailbox& mailbox, SecretStore* keyring) {
    if (keyring == nullptr || !keyring->Available())
        NotSignedIn(mailbox, " (its sign-in is kept in the desktop keyring, and none is running)");
    std::optional<std::string> token =
        keyring->Lookup({mailbox.server, mailbox.user, SecretKind::RefreshToken});
    if (!token || token->empty()) NotSignedIn(mailbox, "");
    return std::move(*token);
}

OAuthClient ClientOf(const OAuthMailbox& mailbox) {
    const std::optional<OAuthProvider> provider = OAuthProviderOf(mailbox.settings);
    if (!provider) {
        throw EOAuthError(Kind::Refused, Mailbox(mailbox) +
                                             " but names no provider: choose one on the General "
                                             "settings window's Mailboxes page");
    }
    if (mailbox.settings.oauthClientId.empty()) {
        throw EOAuthError(Kind::Refused, Mailbox(mailbox) +
                                             " but has no client id: enter one on the General "
                                             "settings window's Mailboxes page");
    }
    return {provider->tokenUrl, mailbox.settings.oauthClientId, mailbox.settings.oauthClientSecret};
}

steady_clock::time_point RenewalTime(steady_clock::time_point now,
                                     const std::optional<seconds>& lifetime) {
    if (!lifetime) return steady_clock::time_point::max();
    return now + *lifetime - std::min(kLongestMargin, *lifetime / 4);
}

}  // namespace

OAuthSignIn::OAuthSignIn(Clock clock, Refresher refresh)
    : clock_(std::move(clock)), refresh_(std::move(refresh)) {
    if (!refresh_) refresh_ = RefreshAccessToken;
}

OAuthSignIn::~OAuthSignIn() {
    for (auto& [who, kept] : kept_) ForgetSecret(kept.accessToken);
}

std::string OAuthSignIn::AccessToken(const OAuthMailbox& mailbox, SecretStore* keyring) {
    const auto found = kept_.find({mailbox.server, mailbox.user});
    if (found != kept_.end() && Now() < found->second.renewAt) return found->second.accessToken;
    return Renewed(mailbox, keyring);
}

void OAuthSignIn::Forget(const std::string& server, const std::string& user) {
    const auto found = kept_.find({server, user});
    if (found == kept_.end()) return;
    ForgetSecret(found->second.accessToken);
    kept_.erase(found);
}

std::string OAuthSignIn::Renewed(const OAuthMailbox& mailbox, SecretStore* keyring) {
    Forget(mailbox.server, mailbox.user);
    const OAuthClient client = ClientOf(mailbox);
    std::string refreshToken = RefreshToken(mailbox, keyring);
    const ForgottenAtEnd wipeRefresh(refreshToken);
    OAuthTokens tokens;
    const ForgottenAtEnd wipeNewRefresh(tokens.refreshToken);
    try {
        tokens = refresh_(client, refreshToken);
    } catch (const EOAuthError& error) {
        if (error.kind() != Kind::SignInAgain) throw;
        throw EOAuthError(Kind::SignInAgain, Mailbox(mailbox) + " and must be signed in again: " +
                                                 kWhereToSignIn + ". " + error.what());
    }
    // Some providers hand out a new refresh token with each access token and end the old one.
    if (!tokens.refreshToken.empty() && tokens.refreshToken != refreshToken) {
        keyring->Store({mailbox.server, mailbox.user, SecretKind::RefreshToken},
                       tokens.refreshToken,
                       "Kelvane: OAuth2 sign-in of " + mailbox.user + " on " + mailbox.server);
    }
    Kept& kept = kept_[{mailbox.server, mailbox.user}];
    kept.accessToken = std::move(tokens.accessToken);
    kept.renewAt = RenewalTime(Now(), tokens.expiresIn);
    return kept.accessToken;
}

steady_clock::time_point OAuthSignIn::Now() const {
    return clock_ ? clock_() : steady_clock::now();
}

}  // namespace kelvane

#include "OAuthProviders.h"

#include "MailboxAccounts.h"

namespace kelvane {

std::optional<OAuthProvider> OAuthPreset(std::string_view name) {
    if (name == "google") {
        return OAuthProvider{"https://accounts.google.com/o/oauth2/v2/auth",
                             "https://oauth2.googleapis.com/token", "https://mail.google.com/"};
    }
    if (name == "microsoft") {
        return OAuthProvider{"https://login.microsoftonline.com/common/oauth2/v2.0/authorize",
                             "https://login.microsoftonline.com/common/oauth2/v2.0/token",
                             "https://outlook.office.com/POP.AccessAsUser.All offline_access"};
    }
    return std::nullopt;
}

std::optional<OAuthProvider> OAuthProviderOf(const MailboxAccount& account) {
    if (account.oauthProvider != "custom") return OAuthPreset(account.oauthProvider);
    if (account.oauthAuthorizeUrl.empty() || account.oauthTokenUrl.empty()) return std::nullopt;
    return OAuthProvider{account.oauthAuthorizeUrl, account.oauthTokenUrl, account.oauthScope};
}

}  // namespace kelvane

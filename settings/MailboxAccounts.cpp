#include "MailboxAccounts.h"

#include "MailboxSecurity.h"
#include "PasswordCipher.h"
#include "SettingsStore.h"

namespace kelvane {
namespace {

namespace sk = settingkeys;

void ReadAccount(const SettingsStore& store, int n, MailboxAccount& account) {
    account.server = store.ReadString(sk::ServerN, n);
    account.userName = store.ReadString(sk::MailboxN, n);
    account.check = store.ReadBool(sk::CheckN, n);
    const std::string stored = store.ReadString(sk::PasswdN, n);
    if (!stored.empty()) account.password = DecipherPassword(stored);
    account.security = StoredSecurity(store, n);
    account.fingerprint = StoredFingerprint(store, n);
    account.passwordCommand = store.ReadString(sk::PasswordCommandN, n);
    ReadOAuthSettings(store, n, account);
}

void WriteAccount(SettingsWriter& writer, int n, const MailboxAccount& account,
                  bool keptElsewhere) {
    writer.WriteString(sk::ServerN, account.server, n);
    writer.WriteString(sk::MailboxN, account.userName, n);
    writer.WriteBool(sk::CheckN, account.check, n);
    writer.WriteString(sk::PasswdN, keptElsewhere ? "" : EncipherPassword(account.password), n);
    writer.WriteInteger(sk::SecurityN, account.security, n);
    writer.WriteString(sk::FingerprintN, CanonicalFingerprint(account.fingerprint), n);
    writer.WriteString(sk::PasswordCommandN, account.passwordCommand, n);
    writer.WriteInteger(sk::SignInN, account.oauth2 ? 1 : 0, n);
    writer.WriteString(sk::OAuthProviderN, account.oauthProvider, n);
    writer.WriteString(sk::OAuthAuthorizeUrlN, account.oauthAuthorizeUrl, n);
    writer.WriteString(sk::OAuthTokenUrlN, account.oauthTokenUrl, n);
    writer.WriteString(sk::OAuthScopeN, account.oauthScope, n);
    writer.WriteString(sk::OAuthClientIdN, account.oauthClientId, n);
    writer.WriteString(sk::OAuthClientSecretN, account.oauthClientSecret, n);
}

std::optional<AccountProblem> Validate(int n, const MailboxAccount& account) {
    const std::string number = std::to_string(n);
    if (!account.server.empty() && account.userName.empty()) {
        return AccountProblem{
            n, AccountField::UserName,
            "Mailbox " + number + " has a server " + account.server + " but no mailbox"};
    }
    if (account.server.empty() && !account.userName.empty()) {
        return AccountProblem{n, AccountField::Server,
                              "Mailbox " + number + " " + account.userName + " has a blank server"};
    }
    if (!account.server.empty() && account.password.empty() && !account.UsesPasswordCommand() &&
        !account.oauth2) {
        return AccountProblem{n, AccountField::Password,
                              "Mailbox " + number + " - there is no password set"};
    }
    return std::nullopt;
}

}  // namespace

void ReadOAuthSettings(const SettingsStore& store, int n, MailboxAccount& account) {
    account.oauth2 = store.ReadInteger(sk::SignInN, n) == 1;
    account.oauthProvider = store.ReadString(sk::OAuthProviderN, n);
    account.oauthAuthorizeUrl = store.ReadString(sk::OAuthAuthorizeUrlN, n);
    account.oauthTokenUrl = store.ReadString(sk::OAuthTokenUrlN, n);
    account.oauthScope = store.ReadString(sk::OAuthScopeN, n);
    account.oauthClientId = store.ReadString(sk::OAuthClientIdN, n);
    account.oauthClientSecret = store.ReadString(sk::OAuthClientSecretN, n);
}

bool MailboxAccount::UsesPasswordCommand() const {
    return passwordCommand.find_first_not_of(" \t") != std::string::npos;
}

int ValidMailboxNumber(long long n) {
    return n >= 1 && n <= kMailboxCount ? int(n) : 1;
}

void MailboxAccounts::readServerSettings(const SettingsStore& store) {
    which = ValidMailboxNumber(store.ReadInteger(sk::Which));
    for (int n = 1; n <= kMailboxCount; ++n) ReadAccount(store, n, Account(n));
}

std::optional<AccountProblem> MailboxAccounts::saveServerSettings(
    SettingsStore& store, const PasswordKeeper& keep) const {
    // Asked before the settings file is locked: a keyring may wait for the user to unlock it.
    std::array<bool, kMailboxCount> keptElsewhere{};
    for (int n = 1; n <= kMailboxCount && keep; ++n) {
        const MailboxAccount& account = Account(n);
        if (!account.server.empty() && !account.password.empty()) {
            keptElsewhere[n - 1] = keep(n, account);
        }
    }
    std::optional<AccountProblem> problem;
    store.Write([&](SettingsWriter& writer) {
        writer.WriteInteger(sk::Which, which);
        for (int n = 1; n <= kMailboxCount && !problem; ++n) {
            WriteAccount(writer, n, Account(n), keptElsewhere[n - 1]);
            problem = Validate(n, Account(n));
        }
    });
    return problem;
}

int MailboxAccounts::HowManyMailboxesChecked() const {
    int count = 0;
    for (const MailboxAccount& account : accounts) count += account.TakesPartInChecks() ? 1 : 0;
    return count;
}

std::vector<MailboxChoice> MailboxAccounts::PickerChoices() const {
    std::vector<MailboxChoice> choices;
    for (int n = 1; n <= kMailboxCount; ++n) {
        const MailboxAccount& account = Account(n);
        if (!account.TakesPartInChecks()) continue;
        choices.push_back({n, std::to_string(n) + ") Mailbox " + account.userName + " - Server " +
                                  account.server});
    }
    return choices;
}

int MailboxAccounts::FirstMailboxChecked() const {
    for (int n = 1; n <= kMailboxCount; ++n) {
        if (Account(n).TakesPartInChecks()) return n;
    }
    return 0;
}

}  // namespace kelvane

#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "SettingsKeys.h"

namespace kelvane {

class SettingsStore;

// One entry of the mailbox picker: the mailbox's number and "%d) Mailbox %s - Server %s".
struct MailboxChoice {
    int mailbox = 0;
    std::string text;
    bool operator==(const MailboxChoice&) const = default;
};

struct MailboxAccount {
    std::string server;
    std::string userName;
    bool check = true;
    std::string password;     // plain; enciphered only in the store
    int security = 0;         // kSecurityPlain, kSecurityStls or kSecurityImplicit
    std::string fingerprint;  // a trusted certificate's SHA-256, canonical; empty for none
    // Gives the password instead of `password` when not blank; see RunPasswordCommand. Braced
    // so that initialisers naming only the members above stay free of warnings.
    std::string passwordCommand{};
    // OAuth2 instead of a password; the provider's settings as SignInN and the OAuth keys hold
    // them. Braced for the same reason.
    bool oauth2{};
    std::string oauthProvider{};
    std::string oauthAuthorizeUrl{};
    std::string oauthTokenUrl{};
    std::string oauthScope{};
    std::string oauthClientId{};
    std::string oauthClientSecret{};

    bool TakesPartInChecks() const { return check && !server.empty(); }
    bool UsesPasswordCommand() const;
    bool operator==(const MailboxAccount&) const = default;
};

// The field of an account that needs the user's attention.
enum class AccountField { UserName, Server, Password };

// Mailbox `n`'s sign-in choice and OAuth2 settings (SignInN and the OAuth keys) into `account`.
void ReadOAuthSettings(const SettingsStore& store, int n, MailboxAccount& account);

// Why saving the accounts stopped: the mailbox, the field to focus and the message to show.
struct AccountProblem {
    int mailbox = 0;
    AccountField field = AccountField::Server;
    std::string message;
    bool operator==(const AccountProblem&) const = default;
};

// `n` when it numbers a mailbox, else mailbox 1.
int ValidMailboxNumber(long long n);

// The twelve mailboxes and the selected one, as the general settings window edits them and every
// run reads them.
struct MailboxAccounts {
    int which = 1;
    std::array<MailboxAccount, kMailboxCount> accounts;

    // Mailbox `n`, 1 to 12; throws std::out_of_range for another number.
    MailboxAccount& Account(int n) { return accounts.at(n - 1); }
    const MailboxAccount& Account(int n) const { return accounts.at(n - 1); }

    // Reads the selection and the twelve accounts. A stored password that is empty leaves the
    // password in memory as it is.
    void readServerSettings(const SettingsStore& store);

    // Keeps mailbox `n`'s password somewhere other than the settings file (the desktop keyring);
    // true when it did, and PasswdN is then written empty.
    using PasswordKeeper = std::function<bool(int n, const MailboxAccount& account)>;

    // Writes the selection, then mailbox after mailbox, each checked once it is written. Stops at
    // the first incomplete mailbox, which is written while later ones keep their stored values,
    // and tells what is missing; nothing when all twelve were saved. All in one file replacement.
    // `keep` is asked first for each mailbox with a server and a password.
    std::optional<AccountProblem> saveServerSettings(SettingsStore& store,
                                                     const PasswordKeeper& keep = {}) const;

    int HowManyMailboxesChecked() const;
    // The lowest mailbox that takes part in checks, 0 when none does.
    int FirstMailboxChecked() const;
    // The mailboxes that take part in checks, lowest first, as the picker offers them.
    std::vector<MailboxChoice> PickerChoices() const;
};

}  // namespace kelvane

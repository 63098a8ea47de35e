#include "RemotePOPSettings.h"

#include "MailboxAccounts.h"
#include "MailboxSecurity.h"
#include "MessageBoxes.h"
#include "PasswordCipher.h"
#include "SettingsStore.h"

namespace kelvane {
namespace {

namespace sk = settingkeys;

constexpr const char* kCurrentFormat = "161";

}  // namespace

void GetRemotePOPSettings(int mailbox, SettingsStore& store, PopLogin& client,
                          MessageBoxes& boxes) {
    const int n = ValidMailboxNumber(mailbox);
    const std::string oldPassword = store.ReadString(sk::PasswdN, n);
    const std::string marker = store.ReadString(sk::Version161);

    if (marker != kCurrentFormat && !oldPassword.empty()) {
        boxes.Warning(kOldPasswordsWarning);
        // The marker and the emptied passwords land together, so that an interrupted run warns
        // again rather than later reading an old-format password as a current one.
        store.Write([](SettingsWriter& writer) {
            writer.WriteString(sk::Version161, kCurrentFormat);
            for (int i = 1; i <= kMailboxCount; ++i) writer.WriteString(sk::PasswdN, "", i);
        });
        return;
    }

    // Written once: each check reads the account, and a needless rewrite costs a sync.
    if (marker != kCurrentFormat) {
        store.WriteString(sk::Version161, kCurrentFormat);
        return;
    }
    client.server = store.ReadString(sk::ServerN, n);
    client.userName = store.ReadString(sk::MailboxN, n);
    // Always this account's own password, empty or not: keeping the one loaded before would
    // send another mailbox's password to this server.
    client.password = oldPassword.empty() ? std::string() : DecipherPassword(oldPassword);
    // This account's own, like the password: another mailbox's pin must not vouch for this
    // server.
    client.security = StoredSecurity(store, n);
    client.fingerprint = StoredFingerprint(store, n);
}

}  // namespace kelvane

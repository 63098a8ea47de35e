#pragma once

#include <string>

#include "GeneralSettings.h"
#include "PasswordCipher.h"
#include "SettingsStore.h"

namespace kelvane::testsupport {

// Mailbox `n` with password "pw", both in the store (where a run loads it from) and in the model
// (what the windows would show).
inline void ConfigureMailbox(SettingsStore& store, GeneralSettingsModel& model, int n,
                             const std::string& server, const std::string& user, bool check) {
    store.WriteString(settingkeys::ServerN, server, n);
    store.WriteString(settingkeys::MailboxN, user, n);
    store.WriteString(settingkeys::PasswdN, EncipherPassword("pw"), n);
    store.WriteBool(settingkeys::CheckN, check, n);
    model.accounts.Account(n) = MailboxAccount{server, user, check, "pw", 0, ""};
}

}  // namespace kelvane::testsupport

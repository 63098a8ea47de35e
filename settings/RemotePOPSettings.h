#pragma once

#include <string>

namespace kelvane {

class MessageBoxes;
class SettingsStore;

// The account the POP3 client logs in with.
struct PopLogin {
    std::string server;
    std::string userName;
    std::string password;
    int security = 0;         // as MailboxAccount::security
    std::string fingerprint;  // a trusted certificate's SHA-256, canonical; empty for none
};

inline constexpr const char* kOldPasswordsWarning =
    "Warning: You will have to re-enter your passwords for all of your mailboxes!  Sorry for the "
    "inconvenience.";

// Loads mailbox `mailbox` (1 to 12, any other number meaning 1) from the store into `client`.
// Passwords stored before the current format cannot be read: the first load finding one warns
// once, empties every stored password and loads nothing. An empty stored password is loaded as
// an empty password.
void GetRemotePOPSettings(int mailbox, SettingsStore& store, PopLogin& client, MessageBoxes& boxes);

}  // namespace kelvane

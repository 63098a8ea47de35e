#pragma once

#include <functional>
#include <string>

#include "SecretStore.h"

namespace kelvane {

// Where a mailbox's password comes from, in the order they are tried.
enum class PasswordSource {
    Command,   // PasswordCommandN: run for every sign-in
    Keyring,   // the desktop's Secret Service
    Settings,  // PasswdN, enciphered, as before there was a keyring
};

struct MailboxPasswordSettings {
    SecretKey key;                // the mailbox's server and user name
    std::string passwordCommand;  // PasswordCommandN; blank for none
    std::string storedPassword;   // PasswdN, deciphered
};

// Where the password of `settings` is kept now: the command when one is set; else the keyring
// when it holds one for the mailbox; else the settings file. `keyring` may be null. Throws
// SecretStoreError when the keyring runs but does not answer.
PasswordSource PasswordKeptIn(const MailboxPasswordSettings& settings, SecretStore* keyring);

// The password to sign in with, from where PasswordKeptIn says. `wait` turns the caller's event
// pump while a command runs. Throws PasswordCommandError or SecretStoreError.
std::string MailboxPassword(const MailboxPasswordSettings& settings, SecretStore* keyring,
                            const std::function<void()>& wait = {});

// Keeps a password the user entered for the mailbox of `key` in the keyring when one runs; true
// then, and the settings file's PasswdN is to be left empty. False when there is no keyring: the
// caller keeps it enciphered in PasswdN as before. Throws SecretStoreError.
bool KeepInKeyring(SecretStore* keyring, const SecretKey& key, const std::string& password);

// "the desktop keyring", "the password command", "the settings file (enciphered)".
const char* PasswordSourceText(PasswordSource source);

}  // namespace kelvane

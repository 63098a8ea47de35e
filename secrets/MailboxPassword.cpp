#include "MailboxPassword.h"

#include "PasswordCommand.h"

namespace kelvane {
namespace {

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

PasswordSource PasswordKeptIn(const MailboxPasswordSettings& settings, SecretStore* keyring) {
    if (!IsBlank(settings.passwordCommand)) return PasswordSource::Command;
    if (keyring != nullptr && keyring->Available() && keyring->Lookup(settings.key)) {
        return PasswordSource::Keyring;
    }
    return PasswordSource::Settings;
}

std::string MailboxPassword(const MailboxPasswordSettings& settings, SecretStore* keyring,
                            const std::function<void()>& wait) {
    if (!IsBlank(settings.passwordCommand))
        return RunPasswordCommand(settings.passwordCommand, wait);
    // A password still in the settings file is used until the mailbox is saved with a keyring
    // running; it is never dropped without being kept elsewhere first.
    if (keyring != nullptr && keyring->Available()) {
        if (auto kept = keyring->Lookup(settings.key)) return std::move(*kept);
    }
    return settings.storedPassword;
}

bool KeepInKeyring(SecretStore* keyring, const SecretKey& key, const std::string& password) {
    if (keyring == nullptr || !keyring->Available()) return false;
    keyring->Store(key, password, "Kelvane: " + key.user + " on " + key.server);
    return true;
}

const char* PasswordSourceText(PasswordSource source) {
    switch (source) {
        case PasswordSource::Command:
            return "the password command";
        case PasswordSource::Keyring:
            return "the desktop keyring";
        case PasswordSource::Settings:
            break;
    }
    return "the settings file (enciphered)";
}

}  // namespace kelvane

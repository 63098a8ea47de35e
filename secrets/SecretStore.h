#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace kelvane {

// What a kept secret belongs to: one mailbox's password or its OAuth2 refresh token.
enum class SecretKind { Password, RefreshToken };

struct SecretKey {
    std::string server;  // as in ServerN, port included when given
    std::string user;    // MailboxN
    SecretKind kind = SecretKind::Password;
};

// A store that refused, is locked and stayed locked, or did not answer in time. The text says
// so plainly and never holds a secret.
class SecretStoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Where secrets are kept outside the settings file: the desktop's Secret Service. Every call
// waits a bounded time.
class SecretStore {
  public:
    virtual ~SecretStore() = default;
    // Whether a store answers at all; false, quickly, where no Secret Service runs.
    virtual bool Available() = 0;
    // The secret kept for `key`; nothing when none is. Throws SecretStoreError.
    virtual std::optional<std::string> Lookup(const SecretKey& key) = 0;
    // Keeps `secret` for `key`, replacing what was kept; `label` is what the store's own
    // windows show. Throws SecretStoreError.
    virtual void Store(const SecretKey& key, const std::string& secret,
                       const std::string& label) = 0;
    // False when nothing was kept for `key`. Throws SecretStoreError.
    virtual bool Remove(const SecretKey& key) = 0;
};

// The desktop's Secret Service (GNOME Keyring, KWallet's, KeePassXC) over D-Bus; `wait` is
// turned while a call waits on the keyring (its unlock prompt), and must not throw.
std::unique_ptr<SecretStore> MakeDesktopSecretStore(std::function<void()> wait = {});

}  // namespace kelvane

#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "SecretStore.h"

namespace kelvane {

struct SecretServiceOptions {
    // The D-Bus session bus ("unix:path=..."); empty: the one the environment names.
    std::string busAddress;
    // To reach the bus and learn whether a Secret Service owns its name.
    std::chrono::milliseconds reachWait{3000};
    // For a call that may wait on the keyring's own unlock prompt.
    std::chrono::milliseconds answerWait{60000};
    // Turned while a call waits (the window's event pump); it must not throw.
    std::function<void()> wait;
};

// The Secret Service on the session bus, through libsecret, with bounded waits. A service that
// is not running is never started.
std::unique_ptr<SecretStore> MakeSecretServiceStore(const SecretServiceOptions& options);

}  // namespace kelvane

#pragma once

#include <map>
#include <string>
#include <tuple>

#include "SecretStore.h"

namespace kelvane::testsupport {

// A desktop keyring in memory, which can be switched off.
class MemorySecretStore : public SecretStore {
  public:
    bool running = true;
    std::map<std::tuple<std::string, std::string, SecretKind>, std::string> kept;

    bool Available() override { return running; }
    std::optional<std::string> Lookup(const SecretKey& key) override {
        const auto found = kept.find({key.server, key.user, key.kind});
        return found == kept.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    void Store(const SecretKey& key, const std::string& secret, const std::string&) override {
        kept[{key.server, key.user, key.kind}] = secret;
    }
    bool Remove(const SecretKey& key) override {
        return kept.erase({key.server, key.user, key.kind}) > 0;
    }
};

}  // namespace kelvane::testsupport

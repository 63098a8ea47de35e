#pragma once

#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "SecretStore.h"

namespace kelvane::checktest {

// A keyring in memory, which may be absent; counts what was stored.
class MemoryKeyring : public SecretStore {
  public:
    bool running = true;
    int stores = 0;
    std::map<std::tuple<std::string, std::string, SecretKind>, std::string> kept;

    bool Available() override { return running; }
    std::optional<std::string> Lookup(const SecretKey& key) override {
        const auto found = kept.find({key.server, key.user, key.kind});
        if (found == kept.end()) return std::nullopt;
        return found->second;
    }
    void Store(const SecretKey& key, const std::string& secret, const std::string&) override {
        ++stores;
        kept[{key.server, key.user, key.kind}] = secret;
    }
    bool Remove(const SecretKey& key) override {
        return kept.erase({key.server, key.user, key.kind}) > 0;
    }
};

}  // namespace kelvane::checktest

#include "ClawsMailAccount.h"

#include <string>

#include "IniFile.h"
#include "SmallFile.h"

namespace kelvane {
namespace {

constexpr std::size_t kLargestAccountrc = 4 * 1024 * 1024;
constexpr std::string_view kAccountSection = "Account:";
constexpr long long kProtocolPop3 = 0;
// ssl_pop: 1 is TLS from the first byte, 2 is STARTTLS.
constexpr long long kSslTunnel = 1;
constexpr long long kSslStartTls = 2;

std::optional<std::string> ValueOf(const IniDocument::Section& section, std::string_view key) {
    for (const auto& entry : section.entries) {
        if (SameIniName(entry.key, key)) return entry.value;
    }
    return std::nullopt;
}

std::optional<long long> NumberOf(const IniDocument::Section& section, std::string_view key) {
    const auto value = ValueOf(section, key);
    return value ? ParseIniInteger(*value) : std::nullopt;
}

int SecurityOf(const IniDocument::Section& section) {
    const auto ssl = NumberOf(section, "ssl_pop");
    if (ssl == kSslTunnel) return kSecurityImplicit;
    if (ssl == kSslStartTls) return kSecurityStls;
    return kSecurityPlain;
}

// Without its own port set, the account connects to the protocol's usual one; an accountrc of
// an older version may not say, and then pop_port is all there is.
int PortOf(const IniDocument::Section& section) {
    const auto ownPort = NumberOf(section, "set_popport");
    const auto popPort = ValueOf(section, "pop_port");
    if (!ownPort || *ownPort != 0) return StoredPort(popPort.value_or(""), kPop3Port);
    return SecurityOf(section) == kSecurityImplicit ? kPop3sPort : kPop3Port;
}

}  // namespace

std::optional<FoundAccount> ClawsMailPopAccount(std::string_view accountrc) {
    const IniDocument accounts = IniDocument::Parse(accountrc);
    for (const auto& section : accounts.Sections()) {
        if (!section.name.starts_with(kAccountSection)) continue;
        if (NumberOf(section, "protocol") != kProtocolPop3) continue;
        auto account =
            MakeFoundAccount(ValueOf(section, "receive_server").value_or(""), PortOf(section),
                             ValueOf(section, "user_id").value_or(""), SecurityOf(section));
        if (!account) continue;
        const auto oauth2 = NumberOf(section, "use_oauth2");
        return oauth2 && *oauth2 != 0 ? WithOAuth2(std::move(*account)) : account;
    }
    return std::nullopt;
}

std::optional<FoundAccount> FindClawsMailAccount(const DiscoveryEnvironment& env) {
    if (env.home.empty()) return std::nullopt;
    const auto bytes =
        ReadSmallFile(paths::JoinPath(env.home, ".claws-mail/accountrc"), kLargestAccountrc);
    return bytes ? ClawsMailPopAccount(*bytes) : std::nullopt;
}

}  // namespace kelvane

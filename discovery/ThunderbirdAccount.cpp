#include "ThunderbirdAccount.h"

#include <map>

#include "IniFile.h"
#include "PrefsJs.h"
#include "SmallFile.h"

namespace kelvane {
namespace {

constexpr std::size_t kLargestProfilesIni = 256 * 1024;
// prefs.js grows with every setting a user has changed; a few megabytes at most.
constexpr std::size_t kLargestPrefsJs = 16 * 1024 * 1024;
constexpr std::string_view kServerPrefix = "mail.server.server";
// What an account is made of; a profile's other server preferences are not kept.
constexpr std::string_view kServerFields[] = {"type",       "hostname",  "realhostname",
                                              "port",       "userName",  "realuserName",
                                              "socketType", "authMethod"};
// How a server's session is protected: 1 and 2 ask for STARTTLS, 3 is TLS from the first byte.
constexpr long long kSocketTypeTryStls = 1;
constexpr long long kSocketTypeStls = 2;
constexpr long long kSocketTypeTls = 3;
// The authMethod of an account that signs in with OAuth2.
constexpr long long kAuthMethodOAuth2 = 10;

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameIniName(text.substr(0, prefix.size()), prefix);
}

std::optional<std::string> ProfilePath(const IniDocument::Section& section) {
    for (const auto& entry : section.entries) {
        if (SameIniName(entry.key, "Path") && !entry.value.empty()) return entry.value;
    }
    return std::nullopt;
}

bool MarkedDefault(const IniDocument::Section& section) {
    for (const auto& entry : section.entries) {
        if (SameIniName(entry.key, "Default") && entry.value == "1") return true;
    }
    return false;
}

// The preferences of each mail.server.serverN, by N.
using ServerPrefs = std::map<long long, std::map<std::string, std::string>>;

void AddServerPref(ServerPrefs& servers, const PrefLine& pref) {
    std::string_view name = pref.name;
    if (!name.starts_with(kServerPrefix)) return;
    name.remove_prefix(kServerPrefix.size());
    const auto dot = name.find('.');
    // A server's number: up to nine digits, so that it fits.
    if (dot == 0 || dot == std::string_view::npos || dot > 9) return;
    long long number = 0;
    for (char c : name.substr(0, dot)) {
        if (c < '0' || c > '9') return;
        number = number * 10 + (c - '0');
    }
    const std::string_view field = name.substr(dot + 1);
    for (std::string_view wanted : kServerFields) {
        if (field == wanted) servers[number][std::string(field)] = pref.value;
    }
}

std::string PrefOr(const std::map<std::string, std::string>& prefs, const std::string& name,
                   const std::string& fallback = {}) {
    const auto it = prefs.find(name);
    return it == prefs.end() ? fallback : it->second;
}

int SecurityOf(const std::string& socketType) {
    const auto type = ParseIniInteger(socketType);
    if (type == kSocketTypeTls) return kSecurityImplicit;
    if (type == kSocketTypeStls || type == kSocketTypeTryStls) return kSecurityStls;
    return kSecurityPlain;
}

std::optional<FoundAccount> PopAccountOf(const std::map<std::string, std::string>& server) {
    if (PrefOr(server, "type") != "pop3") return std::nullopt;
    // The "real" names are the ones the user changed the server's names to later.
    const std::string host = PrefOr(server, "realhostname", PrefOr(server, "hostname"));
    const std::string userName = PrefOr(server, "realuserName", PrefOr(server, "userName"));
    const int security = SecurityOf(PrefOr(server, "socketType"));
    const int defaultPort = security == kSecurityImplicit ? kPop3sPort : kPop3Port;
    auto account =
        MakeFoundAccount(host, StoredPort(PrefOr(server, "port"), defaultPort), userName, security);
    if (account && ParseIniInteger(PrefOr(server, "authMethod")) == kAuthMethodOAuth2) {
        return WithOAuth2(std::move(*account));
    }
    return account;
}

}  // namespace

std::optional<std::string> ThunderbirdDefaultProfile(std::string_view profilesIni) {
    const IniDocument ini = IniDocument::Parse(profilesIni);
    for (const auto& section : ini.Sections()) {
        if (!StartsWithFolded(section.name, "Install")) continue;
        const auto installed = ini.Value(section.name, "Default");
        if (installed && !installed->empty()) return installed;
    }
    std::optional<std::string> first;
    for (const auto& section : ini.Sections()) {
        if (!StartsWithFolded(section.name, "Profile")) continue;
        const auto path = ProfilePath(section);
        if (path && MarkedDefault(section)) return path;
        if (!first) first = path;
    }
    return first;
}

std::optional<FoundAccount> ThunderbirdPopAccount(std::string_view prefsJs) {
    ServerPrefs servers;
    while (!prefsJs.empty()) {
        const auto end = prefsJs.find('\n');
        if (const auto pref = ParsePrefLine(prefsJs.substr(0, end))) AddServerPref(servers, *pref);
        prefsJs.remove_prefix(end == std::string_view::npos ? prefsJs.size() : end + 1);
    }
    for (const auto& [number, prefs] : servers) {
        if (auto account = PopAccountOf(prefs)) return account;
    }
    return std::nullopt;
}

std::optional<FoundAccount> FindThunderbirdAccount(const DiscoveryEnvironment& env) {
    if (env.home.empty()) return std::nullopt;
    const std::string root = paths::JoinPath(env.home, ".thunderbird");
    const auto profiles = ReadSmallFile(root + "/profiles.ini", kLargestProfilesIni);
    if (!profiles) return std::nullopt;
    const auto profile = ThunderbirdDefaultProfile(*profiles);
    if (!profile) return std::nullopt;
    const std::string folder = profile->front() == '/' ? *profile : root + "/" + *profile;
    const auto prefs = ReadSmallFile(folder + "/prefs.js", kLargestPrefsJs);
    return prefs ? ThunderbirdPopAccount(*prefs) : std::nullopt;
}

}  // namespace kelvane

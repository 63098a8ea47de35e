#include "EvolutionAccount.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "IniFile.h"
#include "SmallFile.h"

namespace kelvane {
namespace {

constexpr std::size_t kLargestSourceFile = 256 * 1024;
// A folder of thousands of sources is no one's mail set-up; the look stops there.
constexpr std::size_t kMostEntries = 4096;

std::string Trimmed(std::string text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The names of the folder's *.source files, sorted.
std::vector<std::string> SourceFiles(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    std::size_t seen = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (++seen > kMostEntries) break;
        const std::string name = entry->d_name;
        if (name.size() > 7 && name.ends_with(".source")) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

int SecurityOf(const std::string& method) {
    const std::string trimmed = Trimmed(method);
    if (trimmed == "ssl-on-alternate-port") return kSecurityImplicit;
    if (trimmed == "starttls-on-standard-port") return kSecurityStls;
    return kSecurityPlain;
}

// The [Authentication] Method of an account that signs in with OAuth2: the generic mechanism or
// one of the providers' own.
bool IsOAuth2Method(const std::string& method) {
    std::string folded = Trimmed(method);
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded == "xoauth2" || folded == "oauth2" || folded == "oauthbearer" ||
           folded == "google" || folded == "outlook";
}

}  // namespace

std::optional<FoundAccount> EvolutionPopAccount(std::string_view sourceFile) {
    const IniDocument source = IniDocument::Parse(sourceFile);
    if (Trimmed(source.Value("Mail Account", "BackendName").value_or("")) != "pop") {
        return std::nullopt;
    }
    const int security = SecurityOf(source.Value("Security", "Method").value_or(""));
    const int defaultPort = security == kSecurityImplicit ? kPop3sPort : kPop3Port;
    auto account = MakeFoundAccount(
        source.Value("Authentication", "Host").value_or(""),
        StoredPort(source.Value("Authentication", "Port").value_or(""), defaultPort),
        source.Value("Authentication", "User").value_or(""), security);
    if (account && IsOAuth2Method(source.Value("Authentication", "Method").value_or(""))) {
        return WithOAuth2(std::move(*account));
    }
    return account;
}

std::optional<FoundAccount> FindEvolutionAccount(const DiscoveryEnvironment& env) {
    if (env.configHome.empty()) return std::nullopt;
    const std::string folder = paths::JoinPath(env.configHome, "evolution/sources");
    for (const std::string& name : SourceFiles(folder)) {
        const auto bytes = ReadSmallFile(folder + "/" + name, kLargestSourceFile);
        if (!bytes) continue;
        if (auto account = EvolutionPopAccount(*bytes)) return account;
    }
    return std::nullopt;
}

}  // namespace kelvane

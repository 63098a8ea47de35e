#include "FoundAccount.h"

#include <cctype>
#include <initializer_list>

#include "IniFile.h"

namespace kelvane {
namespace {

// Longer than any host name; a user name longer than that is no login either.
constexpr std::size_t kLongestValue = 255;

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

bool UsableHost(std::string_view host) {
    if (host.empty() || host.size() > kLongestValue) return false;
    for (char c : host) {
        // A colon would be read as the start of the port.
        if (IsControl(c) || c == ' ' || c == ':' || c == '/') return false;
    }
    return true;
}

bool UsableUserName(std::string_view userName) {
    if (userName.size() > kLongestValue) return false;
    for (char c : userName) {
        if (IsControl(c)) return false;
    }
    return true;
}

}  // namespace

std::optional<FoundAccount> MakeFoundAccount(std::string_view host, int port,
                                             std::string_view userName, int security) {
    host = Trimmed(host);
    userName = Trimmed(userName);
    if (!UsableHost(host) || !UsableUserName(userName)) return std::nullopt;
    FoundAccount account{std::string(host), std::string(userName), security};
    if (port != kPop3Port) account.server += ":" + std::to_string(port);
    return account;
}

FoundAccount WithOAuth2(FoundAccount account) {
    account.oauth2 = true;
    account.oauthProvider = OAuthProviderOfServer(account.server);
    return account;
}

std::string OAuthProviderOfServer(std::string_view host) {
    std::string folded(host.substr(0, host.find(':')));
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // By domain label, so that "notgmail.example" is no Gmail.
    const auto names = [&folded](std::initializer_list<std::string_view> domains) {
        for (std::string_view domain : domains) {
            const std::size_t at = folded.find(domain);
            if (at != std::string::npos && (at == 0 || folded[at - 1] == '.')) return true;
        }
        return false;
    };
    if (names({"gmail.", "googlemail."})) return "google";
    if (names({"outlook.", "office365.", "hotmail.", "live."})) return "microsoft";
    return "";
}

int StoredPort(std::string_view text, int fallback) {
    const auto number = ParseIniInteger(text);
    return number && *number > 0 && *number <= 65535 ? static_cast<int>(*number) : fallback;
}

}  // namespace kelvane

#include "DnsServerAddress.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace kelvane {
namespace {

constexpr const char* kEnvironmentName = "KELVANE_DNS_SERVER";
constexpr const char* kResolvConf = "/etc/resolv.conf";
constexpr const char* kFallbackAddress = "127.0.0.1";
constexpr std::string_view kBlanks = " \t\r";

bool IsIPv4(std::string_view text) {
    in_addr ignored{};
    return ::inet_pton(AF_INET, std::string(text).c_str(), &ignored) == 1;
}

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// The first blank-separated word of `text` and what follows it.
std::string_view FirstWord(std::string_view text, std::string_view& rest) {
    const std::size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    const std::size_t end = std::min(text.find_first_of(kBlanks, start), text.size());
    rest = text.substr(end);
    return text.substr(start, end - start);
}

}  // namespace

std::optional<DnsServerAddress> ParseDnsServerValue(std::string_view value) {
    const std::size_t colon = value.find(':');
    const std::string_view address = value.substr(0, colon);
    if (!IsIPv4(address)) return std::nullopt;
    DnsServerAddress server{std::string(address)};
    if (colon == std::string_view::npos) return server;
    const std::optional<std::uint16_t> port = ParsePort(value.substr(colon + 1));
    if (!port) return std::nullopt;
    server.port = *port;
    return server;
}

std::optional<DnsServerAddress> FirstIPv4Nameserver(std::string_view resolvConf) {
    while (!resolvConf.empty()) {
        const std::size_t end = std::min(resolvConf.find('\n'), resolvConf.size());
        std::string_view rest;
        const std::string_view keyword = FirstWord(resolvConf.substr(0, end), rest);
        // A comment line starts with "#" or ";", so its keyword never matches.
        if (keyword == "nameserver") {
            const std::string_view address = FirstWord(rest, rest);
            if (IsIPv4(address)) return DnsServerAddress{std::string(address)};
        }
        resolvConf.remove_prefix(std::min(end + 1, resolvConf.size()));
    }
    return std::nullopt;
}

DnsServerAddress ChooseDnsServer(const char* environmentValue, std::string_view resolvConf) {
    if (environmentValue != nullptr) {
        if (auto server = ParseDnsServerValue(environmentValue)) return *server;
    }
    if (auto server = FirstIPv4Nameserver(resolvConf)) return *server;
    return DnsServerAddress{kFallbackAddress};
}

DnsServerAddress DefaultDnsServer() {
    std::ifstream in(kResolvConf, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ChooseDnsServer(std::getenv(kEnvironmentName), text);
}

}  // namespace kelvane

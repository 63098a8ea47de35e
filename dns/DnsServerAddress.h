#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// A DNS server to ask: a dotted IPv4 address and a UDP port.
struct DnsServerAddress {
    std::string address;
    std::uint16_t port = 53;

    bool operator==(const DnsServerAddress&) const = default;
};

// "a.b.c.d" or "a.b.c.d:port" (port 1-65535); nothing for any other text.
std::optional<DnsServerAddress> ParseDnsServerValue(std::string_view value);

// The first "nameserver" line of a resolv.conf text that names an IPv4 address, port 53.
std::optional<DnsServerAddress> FirstIPv4Nameserver(std::string_view resolvConf);

// The server named by `environmentValue` (the value of KELVANE_DNS_SERVER, null when unset)
// when it is valid, else the first IPv4 name server of `resolvConf`, else 127.0.0.1.
DnsServerAddress ChooseDnsServer(const char* environmentValue, std::string_view resolvConf);

// ChooseDnsServer() with this process's KELVANE_DNS_SERVER and /etc/resolv.conf.
DnsServerAddress DefaultDnsServer();

}  // namespace kelvane

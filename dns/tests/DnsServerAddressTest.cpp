#include "DnsServerAddress.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "CaseName.h"
#include "TmsMXResolver.h"

namespace kelvane {
namespace {

template <class Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// "a.b.c.d:port" or "none".
std::string Text(const std::optional<DnsServerAddress>& server) {
    if (!server) return "none";
    return server->address + ":" + std::to_string(server->port);
}

struct TextCase {
    const char* name;
    std::string text;
    std::string expected;
};

class ServerValue : public ::testing::TestWithParam<TextCase> {};

TEST_P(ServerValue, IsADottedAddressAndAnOptionalPort) {
    EXPECT_EQ(Text(ParseDnsServerValue(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServerValue,
    ::testing::Values(TextCase{"address", "10.0.0.2", "10.0.0.2:53"},
                      TextCase{"address-and-port", "127.0.0.1:5353", "127.0.0.1:5353"},
                      TextCase{"highest-port", "127.0.0.1:65535", "127.0.0.1:65535"},
                      TextCase{"empty", "", "none"}, TextCase{"host-name", "dns.example", "none"},
                      TextCase{"short-address", "127.1", "none"}, TextCase{"ipv6", "::1", "none"},
                      TextCase{"empty-port", "127.0.0.1:", "none"},
                      TextCase{"port-zero", "127.0.0.1:0", "none"},
                      TextCase{"port-too-large", "127.0.0.1:65536", "none"},
                      TextCase{"port-not-a-number", "127.0.0.1:53x", "none"},
                      TextCase{"blank-before", " 127.0.0.1", "none"}),
    testsupport::ParamName());

class ResolvConf : public ::testing::TestWithParam<TextCase> {};

TEST_P(ResolvConf, FirstIPv4NameserverLineWins) {
    EXPECT_EQ(Text(FirstIPv4Nameserver(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolvConf,
    ::testing::Values(
        TextCase{"one-server", "nameserver 10.1.2.3\n", "10.1.2.3:53"},
        TextCase{"first-of-two", "nameserver 10.1.2.3\nnameserver 10.9.9.9\n", "10.1.2.3:53"},
        TextCase{"after-other-lines",
                 "# written by hand\nsearch example.org\noptions ndots:2\nnameserver 10.1.2.3",
                 "10.1.2.3:53"},
        TextCase{"ipv6-server-skipped", "nameserver fe80::1\nnameserver 10.1.2.3\n", "10.1.2.3:53"},
        TextCase{"commented-servers-skipped",
                 "# nameserver 10.0.0.1\n; nameserver 10.0.0.2\n#nameserver 10.0.0.3\n"
                 "nameserver 10.1.2.3\n",
                 "10.1.2.3:53"},
        TextCase{"tabs-blanks-and-crlf", "  nameserver\t 10.1.2.3 \r\n", "10.1.2.3:53"},
        TextCase{"comment-after-the-address", "nameserver 10.1.2.3 # office\n", "10.1.2.3:53"},
        TextCase{"keyword-without-blank", "nameserver10.0.0.1\nnameserver 10.1.2.3\n",
                 "10.1.2.3:53"},
        TextCase{"keyword-in-capitals", "NAMESERVER 10.0.0.1\n", "none"},
        TextCase{"keyword-without-address", "nameserver\nnameserver 10.1.2.3\n", "10.1.2.3:53"},
        TextCase{"no-server", "search example.org\n", "none"}, TextCase{"empty", "", "none"}),
    testsupport::ParamName());

TEST(ChooseDnsServer, EnvironmentThenResolvConfThenLoopback) {
    const std::string conf = "nameserver 10.1.2.3\n";
    EXPECT_EQ(ChooseDnsServer("127.0.0.1:5353", conf), (DnsServerAddress{"127.0.0.1", 5353}));
    EXPECT_EQ(ChooseDnsServer(nullptr, conf), (DnsServerAddress{"10.1.2.3", 53}));
    EXPECT_EQ(ChooseDnsServer("not-an-address", conf), (DnsServerAddress{"10.1.2.3", 53}))
        << "an unusable value is passed over";
    EXPECT_EQ(ChooseDnsServer("", "search example.org\n"), (DnsServerAddress{"127.0.0.1", 53}));
}

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value, 1);
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(TmsMXResolverDefaults, ServerFromTheEnvironmentTimeOutOfAMinute) {
    ScopedEnvironment server("KELVANE_DNS_SERVER", "127.0.0.9:5300");
    const TmsMXResolver resolver;
    EXPECT_EQ(resolver.DNSAddress, "127.0.0.9");
    EXPECT_EQ(resolver.Port, 5300);
    EXPECT_EQ(resolver.TimeOut, 60);
    EXPECT_TRUE(resolver.MXList().empty());
}

}  // namespace
}  // namespace kelvane

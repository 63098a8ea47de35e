#include "EvolutionAccount.h"

#include <gtest/gtest.h>

#include "CaseName.h"
#include "DiscoveryTree.h"

namespace kelvane {
namespace {

using testsupport::ParamName;

std::string MailSource(const std::string& backend, const std::string& host, const std::string& port,
                       const std::string& security = "none", const std::string& method = "") {
    return "[Data Source]\nDisplayName=ann@example.org\nEnabled=true\nParent=\n\n"
           "[Offline]\nStaySynchronized=false\n\n"
           "[Authentication]\nHost=" +
           host + "\nMethod=" + method + "\nPort=" + port +
           "\nProxyUid=system-proxy\nRememberPassword=true\nUser=ann\nCredentialName=\n\n"
           "[Mail Account]\nBackendName=" +
           backend +
           "\nIdentityUid=1234.5678@host\n\n"
           "[Pop Backend]\nAutoFetch=true\nKeepOnServer=false\n\n"
           "[Security]\nMethod=" +
           security + "\n";
}

struct SourceCase {
    const char* name;
    std::string source;
    std::optional<FoundAccount> account;
};

class EvolutionPopAccountTest : public ::testing::TestWithParam<SourceCase> {};

TEST_P(EvolutionPopAccountTest, ReadsAPopSource) {
    EXPECT_EQ(EvolutionPopAccount(GetParam().source), GetParam().account);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, EvolutionPopAccountTest,
    ::testing::Values(
        SourceCase{"plain", MailSource("pop", "pop.example.org", "110"),
                   FoundAccount{"pop.example.org", "ann", kSecurityPlain}},
        SourceCase{"tls-on-995",
                   MailSource("pop", "pop.example.org", "995", "ssl-on-alternate-port"),
                   FoundAccount{"pop.example.org:995", "ann", kSecurityImplicit}},
        SourceCase{"tls-without-a-port",
                   MailSource("pop", "pop.example.org", "0", "ssl-on-alternate-port"),
                   FoundAccount{"pop.example.org:995", "ann", kSecurityImplicit}},
        SourceCase{"starttls",
                   MailSource("pop", "pop.example.org", "110", "starttls-on-standard-port"),
                   FoundAccount{"pop.example.org", "ann", kSecurityStls}},
        SourceCase{"xoauth2",
                   MailSource("pop", "pop.example.org", "995", "ssl-on-alternate-port", "XOAUTH2"),
                   FoundAccount{"pop.example.org:995", "ann", kSecurityImplicit, true, ""}},
        SourceCase{
            "google",
            MailSource("pop", "pop.googlemail.com", "995", "ssl-on-alternate-port", "Google"),
            FoundAccount{"pop.googlemail.com:995", "ann", kSecurityImplicit, true, "google"}},
        SourceCase{"outlook-with-a-password",
                   MailSource("pop", "outlook.office365.com", "110", "none", "PLAIN"),
                   FoundAccount{"outlook.office365.com", "ann", kSecurityPlain}},
        SourceCase{"imap", MailSource("imapx", "imap.example.org", "993"), std::nullopt},
        SourceCase{"no-host", MailSource("pop", "", "110"), std::nullopt},
        SourceCase{"an-address-book",
                   "[Data Source]\nDisplayName=Personal\n[Address Book]\nBackendName=local\n",
                   std::nullopt}),
    ParamName());

TEST(FindEvolutionAccount, TakesTheFirstPopSourceByName) {
    testsupport::DiscoveryTree tree;
    const std::string folder = "home/.config/evolution/sources/";
    tree.Write(folder + "a1.source", MailSource("imapx", "imap.example.org", "993"));
    tree.Write(folder + "b2.source", MailSource("pop", "pop.example.org", "110"));
    tree.Write(folder + "c3.source", MailSource("pop", "other.example.org", "110"));
    tree.Write(folder + "a0.source.bak", MailSource("pop", "old.example.org", "110"));
    EXPECT_EQ(FindEvolutionAccount(tree.env), (FoundAccount{"pop.example.org", "ann"}));
}

TEST(FindEvolutionAccount, NothingWithoutEvolution) {
    testsupport::DiscoveryTree tree;
    EXPECT_EQ(FindEvolutionAccount(tree.env), std::nullopt);
}

}  // namespace
}  // namespace kelvane

#include "ClawsMailAccount.h"

#include <gtest/gtest.h>

#include "CaseName.h"
#include "DiscoveryTree.h"

namespace kelvane {
namespace {

using testsupport::ParamName;

std::string Account(int number, int protocol, const std::string& server,
                    const std::string& portLines = "set_popport=0\npop_port=110\nssl_pop=0\n") {
    return "[Account: " + std::to_string(number) + "]\naccount_name=ann@example.org\n" +
           "is_default=" + (number == 1 ? "1" : "0") + "\nname=Ann\naddress=ann@example.org\n" +
           "protocol=" + std::to_string(protocol) + "\nreceive_server=" + server +
           "\nsmtp_server=smtp.example.org\nuser_id=ann\npassword=\n" + portLines + "\n";
}

struct AccountrcCase {
    const char* name;
    std::string accountrc;
    std::optional<FoundAccount> account;
};

class ClawsMailPopAccountTest : public ::testing::TestWithParam<AccountrcCase> {};

TEST_P(ClawsMailPopAccountTest, TakesTheFirstPopAccount) {
    EXPECT_EQ(ClawsMailPopAccount(GetParam().accountrc), GetParam().account);
}

constexpr int kImap = 3;
constexpr int kPop = 0;

INSTANTIATE_TEST_SUITE_P(
    Accountrc, ClawsMailPopAccountTest,
    ::testing::Values(
        AccountrcCase{"pop-after-imap",
                      Account(1, kImap, "imap.example.org") + Account(2, kPop, "pop.example.org") +
                          Account(3, kPop, "other.example.org"),
                      FoundAccount{"pop.example.org", "ann", kSecurityPlain}},
        AccountrcCase{"own-port",
                      Account(1, kPop, "pop.example.org", "set_popport=1\npop_port=1110\n"),
                      FoundAccount{"pop.example.org:1110", "ann", kSecurityPlain}},
        AccountrcCase{"own-port-not-set-so-unused",
                      Account(1, kPop, "pop.example.org", "set_popport=0\npop_port=1110\n"),
                      FoundAccount{"pop.example.org", "ann", kSecurityPlain}},
        AccountrcCase{
            "tls-tunnel",
            Account(1, kPop, "pop.example.org", "set_popport=0\npop_port=110\nssl_pop=1\n"),
            FoundAccount{"pop.example.org:995", "ann", kSecurityImplicit}},
        AccountrcCase{"starttls", Account(1, kPop, "pop.example.org", "set_popport=0\nssl_pop=2\n"),
                      FoundAccount{"pop.example.org", "ann", kSecurityStls}},
        AccountrcCase{"older-file-without-set-popport",
                      Account(1, kPop, "pop.example.org", "pop_port=2110\n"),
                      FoundAccount{"pop.example.org:2110", "ann", kSecurityPlain}},
        AccountrcCase{"blank-server-passed-over",
                      Account(1, kPop, "") + Account(2, kPop, "pop.example.org"),
                      FoundAccount{"pop.example.org", "ann", kSecurityPlain}},
        AccountrcCase{
            "oauth2",
            Account(1, kPop, "pop-mail.outlook.com",
                    "set_popport=0\nssl_pop=1\nuse_oauth2=1\noauth2_auth_provider=1\n"),
            FoundAccount{"pop-mail.outlook.com:995", "ann", kSecurityImplicit, true, "microsoft"}},
        AccountrcCase{"oauth2-off",
                      Account(1, kPop, "pop.gmail.com", "set_popport=0\nssl_pop=1\nuse_oauth2=0\n"),
                      FoundAccount{"pop.gmail.com:995", "ann", kSecurityImplicit}},
        AccountrcCase{"no-protocol", "[Account: 1]\nreceive_server=pop.example.org\nuser_id=ann\n",
                      std::nullopt},
        AccountrcCase{"imap-only", Account(1, kImap, "imap.example.org"), std::nullopt},
        AccountrcCase{"other-sections-only", "[Something]\nprotocol=0\nreceive_server=x\n",
                      std::nullopt}),
    ParamName());

TEST(FindClawsMailAccount, ReadsTheAccountrcInTheHomeFolder) {
    testsupport::DiscoveryTree tree;
    EXPECT_EQ(FindClawsMailAccount(tree.env), std::nullopt);
    tree.Write("home/.claws-mail/accountrc", Account(1, kPop, "pop.example.org"));
    EXPECT_EQ(FindClawsMailAccount(tree.env), (FoundAccount{"pop.example.org", "ann"}));
}

}  // namespace
}  // namespace kelvane

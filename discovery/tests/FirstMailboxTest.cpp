#include "FirstMailbox.h"

#include <gtest/gtest.h>

#include "DiscoveryTree.h"
#include "MailboxSecurity.h"

namespace kelvane {
namespace {

class FirstMailboxTest : public ::testing::Test {
  protected:
    void ThunderbirdAccount(const std::string& host) {
        tree_.Write("home/.thunderbird/profiles.ini", "[Profile0]\nPath=p.default\nDefault=1\n");
        tree_.Write("home/.thunderbird/p.default/prefs.js",
                    "user_pref(\"mail.server.server1.hostname\", \"" + host +
                        "\");\n"
                        "user_pref(\"mail.server.server1.socketType\", 3);\n"
                        "user_pref(\"mail.server.server1.type\", \"pop3\");\n"
                        "user_pref(\"mail.server.server1.userName\", \"tom\");\n");
    }
    void EvolutionAccount(const std::string& host) {
        tree_.Write("home/.config/evolution/sources/1.source",
                    "[Authentication]\nHost=" + host +
                        "\nPort=110\nUser=eve\n"
                        "[Mail Account]\nBackendName=pop\n");
    }
    void ClawsMailAccount(const std::string& host) {
        tree_.Write("home/.claws-mail/accountrc",
                    "[Account: 1]\nprotocol=0\nreceive_server=" + host +
                        "\nuser_id=claude\nset_popport=1\npop_port=110\n");
    }

    testsupport::DiscoveryTree tree_;
    MailboxAccounts accounts_;
    MailboxAccount& first_ = accounts_.Account(1);
};

TEST_F(FirstMailboxTest, TheFirstProgramWithAnAccountFillsMailboxOne) {
    ThunderbirdAccount("pop.thunder.example");
    EvolutionAccount("pop.evo.example");
    ClawsMailAccount("pop.claws.example");
    first_.userName = "typed";
    TakeFirstAccountFromMailPrograms(accounts_, tree_.env);
    EXPECT_EQ(first_.server, "pop.thunder.example:995");
    EXPECT_EQ(first_.userName, "tom");
    EXPECT_EQ(first_.security, kSecurityImplicit);
}

TEST_F(FirstMailboxTest, LaterProgramsAreAskedWhileTheServerIsEmpty) {
    ThunderbirdAccount("");  // a POP3 server without a host is no account
    ClawsMailAccount("pop.claws.example");
    TakeFirstAccountFromMailPrograms(accounts_, tree_.env);
    EXPECT_EQ(first_.server, "pop.claws.example");
    EXPECT_EQ(first_.userName, "claude");

    EvolutionAccount("pop.evo.example");
    first_.server.clear();
    TakeFirstAccountFromMailPrograms(accounts_, tree_.env);
    EXPECT_EQ(first_.server, "pop.evo.example");
    EXPECT_EQ(first_.userName, "eve");
}

TEST_F(FirstMailboxTest, AMailboxWithAServerIsLeftAlone) {
    ThunderbirdAccount("pop.thunder.example");
    first_.server = "pop.mine.example";
    first_.userName = "me";
    const MailboxAccounts before = accounts_;
    TakeFirstAccountFromMailPrograms(accounts_, tree_.env);
    EXPECT_EQ(accounts_.accounts, before.accounts);
}

TEST_F(FirstMailboxTest, NothingFoundLeavesTheMailboxAsItWas) {
    tree_.Write("home/.thunderbird/profiles.ini", "garbage");
    tree_.Write("home/.claws-mail/accountrc", "[Account: 1]\nprotocol=3\n");
    first_.userName = "typed";
    first_.password = "secret";
    first_.check = false;
    const MailboxAccounts before = accounts_;
    TakeFirstAccountFromMailPrograms(accounts_, tree_.env);
    EXPECT_EQ(accounts_.accounts, before.accounts);
}

TEST_F(FirstMailboxTest, EachCheckReportsWhetherItFoundAnAccount) {
    EvolutionAccount("pop.evo.example");
    MailboxAccount mailbox;
    EXPECT_FALSE(CheckThunderbird(mailbox, tree_.env));
    EXPECT_FALSE(CheckClawsMail(mailbox, tree_.env));
    EXPECT_TRUE(CheckEvolution(mailbox, tree_.env));
    EXPECT_EQ(mailbox.server, "pop.evo.example");
}

}  // namespace
}  // namespace kelvane

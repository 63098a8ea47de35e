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

// A found OAuth2 account comes in signing in so, with a provider to fill in when its server is
// none of the presets'; a later password account takes the sign-in back.
TEST_F(FirstMailboxTest, AnOAuth2AccountComesInWithItsProvider) {
    struct Case {
        std::string host;
        std::string provider;
    };
    for (const Case& c : {Case{"pop.gmail.com", "google"}, Case{"pop.example.org", "custom"}}) {
        SCOPED_TRACE(c.host);
        tree_.Write("home/.config/evolution/sources/1.source",
                    "[Authentication]\nHost=" + c.host +
                        "\nMethod=XOAUTH2\nPort=110\nUser=eve\n[Mail Account]\nBackendName=pop\n");
        first_ = MailboxAccount{};
        EXPECT_TRUE(CheckEvolution(first_, tree_.env));
        EXPECT_TRUE(first_.oauth2);
        EXPECT_EQ(first_.oauthProvider, c.provider);
    }
    ClawsMailAccount("pop.claws.example");
    EXPECT_TRUE(CheckClawsMail(first_, tree_.env));
    EXPECT_FALSE(first_.oauth2);
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

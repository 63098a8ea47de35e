// kelvane-check with a mailbox that signs in with OAuth2: the refresh token from the desktop
// keyring (a private gnome-keyring), a real Dovecot, and the test's authorization server.
#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "CheckProgram.h"
#include "DovecotServer.h"
#include "MailboxProbe.h"
#include "OAuthStandIn.h"
#include "PrivateKeyring.h"
#include "ScriptedServer.h"
#include "SecretServiceStore.h"
#include "SettingsKeys.h"
#include "TempFolder.h"

namespace kelvane::checktest {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testsupport::DovecotServer;
using testsupport::OAuthStandIn;
using testsupport::PrivateKeyring;
using testsupport::SampleMessage;

// Mailbox 1 on `server` signs in with OAuth2 at the token endpoint `tokenUrl`.
void ConfigureOAuth(const std::string& folder, const std::string& server,
                    const std::string& tokenUrl) {
    std::filesystem::create_directories(folder + "/data");
    SettingsStore store = ProgramSettings(folder);
    store.Write([&](SettingsWriter& writer) {
        writer.WriteString(settingkeys::Version161, "161");
        writer.WriteString(settingkeys::ServerN, server, 1);
        writer.WriteString(settingkeys::MailboxN, "ann", 1);
        writer.WriteInteger(settingkeys::SignInN, 1, 1);
        writer.WriteString(settingkeys::OAuthProviderN, "custom", 1);
        writer.WriteString(settingkeys::OAuthAuthorizeUrlN, "http://127.0.0.1:1/authorize", 1);
        writer.WriteString(settingkeys::OAuthTokenUrlN, tokenUrl, 1);
        writer.WriteString(settingkeys::OAuthClientIdN, OAuthStandIn::kClientId, 1);
    });
}

TEST(KelvaneCheckOAuthTest, WithoutAKeyringItSaysToSignInAndExits1) {
    testsupport::TempFolder folder;
    const std::string server = "127.0.0.1:" + std::to_string(testsupport::UnusedPort());
    ConfigureOAuth(folder.path().string(), server, "http://127.0.0.1:1/token");
    const ProgramResult result = RunCheckProgram({}, folder.path().string());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "error: Mailbox 1 signs in with OAuth2 and has not been signed in: use Sign in... "
              "on the General settings window's Mailboxes page (its sign-in is kept in the "
              "desktop keyring, and none is running)\n");
    EXPECT_EQ(result.out, "");
}

class KelvaneCheckKeyringOAuthTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string reason = DovecotServer::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no private Dovecot: " << reason;
        if (const std::string reason = OAuthStandIn::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no OAuth2 stand-in: " << reason;
        if (const std::string missing = testsupport::KeyringProgramsMissing(); !missing.empty())
            GTEST_SKIP() << "no private keyring: " << missing;
        authority.emplace("ann");
        keyring = std::make_unique<PrivateKeyring>();
        server.emplace();
        server->AddUser("ann", "pw");
        server->AddMessage("ann", SampleMessage("Bo <bo@friends.test>", "lunch"));
        server->UseOAuth2(authority->Url("/introspect"));
        server->Start();
        ConfigureOAuth(folder.path().string(), server->address(), authority->Url("/token"));
        tokens = authority->SignIn();
        SecretServiceOptions options;
        options.busAddress = keyring->BusAddress();
        MakeSecretServiceStore(options)->Store({server->address(), "ann", SecretKind::RefreshToken},
                                               tokens.refresh, "test");
        ::setenv("KELVANE_TEST_SESSION_BUS", keyring->BusAddress().c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("KELVANE_TEST_SESSION_BUS");
        if (HasFailure() && server) std::cerr << server->LogTail();
    }

    ProgramResult Run() {
        ProgramResult result = RunCheckProgram({}, folder.path().string(), "", 40);
        for (const std::string& text : {result.out, result.err}) {
            EXPECT_THAT(text, Not(HasSubstr("at-")));
            EXPECT_THAT(text, Not(HasSubstr("rt-")));
        }
        return result;
    }

    testsupport::TempFolder folder;
    std::optional<OAuthStandIn> authority;
    std::unique_ptr<PrivateKeyring> keyring;
    std::optional<DovecotServer> server;
    OAuthStandIn::Tokens tokens;
};

TEST_F(KelvaneCheckKeyringOAuthTest, SignsInWithTheKeyringsTokenUntilItIsRevoked) {
    const ProgramResult first = Run();
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_THAT(first.out, StartsWith("# 1\tann\t" + server->address() + "\t1\n"));
    EXPECT_THAT(first.out, HasSubstr("\tbo@friends.test\tlunch\t"));

    authority->Revoke(tokens.refresh);
    const ProgramResult second = Run();
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_THAT(second.err, StartsWith("error: Mailbox 1 signs in with OAuth2 and must be signed "
                                       "in again: use Sign in... on the General settings "
                                       "window's Mailboxes page. "));
    EXPECT_EQ(second.out, "");
    const std::string log = testsupport::FileBytes(folder.File("data/logfile.txt"));
    EXPECT_THAT(log, Not(HasSubstr(tokens.refresh)));
    EXPECT_THAT(log, Not(HasSubstr(tokens.access)));
}

}  // namespace
}  // namespace kelvane::checktest

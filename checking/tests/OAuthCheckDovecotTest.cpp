// Checks of a mailbox that signs in with OAuth2, against a real Dovecot whose oauth2 passdb asks
// the test's authorization server, with the refresh token of a first sign-in in the keyring.
#include <gmock/gmock.h>

#include <filesystem>
#include <iostream>
#include <optional>

#include "AtomicFile.h"
#include "CheckRunFixture.h"
#include "DovecotServer.h"
#include "MailboxProbe.h"
#include "MemoryKeyring.h"
#include "OAuthStandIn.h"
#include "SettingsKeys.h"
#include "TextChecks.h"

namespace kelvane::checktest {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testsupport::DovecotServer;
using testsupport::OAuthStandIn;
using testsupport::SampleMessage;

constexpr const char* kNoMechanism =
    "The server does not offer OAuth2 sign-in (SASL OAUTHBEARER or XOAUTH2)";

class OAuthCheckDovecotTest : public CheckRunFixture {
  protected:
    void SetUp() override {
        if (const std::string reason = DovecotServer::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no private Dovecot: " << reason;
        if (const std::string reason = OAuthStandIn::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no OAuth2 stand-in: " << reason;
        authority.emplace("ann");
        dovecot.emplace();
        dovecot->AddUser("ann", "pw");
        dovecot->AddMessage("ann", SampleMessage("Bo <bo@friends.test>", "lunch"));
        dovecot->AddMessage("ann", SampleMessage("offers@junk.test", "cheap watches"));
        // Dovecot holds the sign-in after a refused token for a few seconds.
        client.TimeOut = 15;
        client.SetMessageDirectory(folder.path().string() + "/");
        client.OnTrace = [this](const std::string& line) { trace.push_back(line); };
        run->SetSecretStore(&keyring);
    }
    void TearDown() override {
        if (HasFailure() && dovecot) std::cerr << dovecot->LogTail();
        if (dovecot) ExpectNoTokenAnywhere();
    }

    // Mailbox 1 signs in with OAuth2 at the stand-in; the server offers it when `offered`.
    void Start(bool offered = true) {
        if (offered) dovecot->UseOAuth2(authority->Url("/introspect"));
        dovecot->Start();
        Configure(1, dovecot->address(), "ann", true);
        store.Write([&](SettingsWriter& writer) {
            writer.WriteInteger(settingkeys::SignInN, 1, 1);
            writer.WriteString(settingkeys::OAuthProviderN, "custom", 1);
            writer.WriteString(settingkeys::OAuthAuthorizeUrlN, authority->Url("/authorize"), 1);
            writer.WriteString(settingkeys::OAuthTokenUrlN, authority->Url("/token"), 1);
            writer.WriteString(settingkeys::OAuthClientIdN, OAuthStandIn::kClientId, 1);
        });
    }

    // The first sign-in, as the window does it: its refresh token goes to the keyring.
    void SignIn() {
        tokens = authority->SignIn();
        keyring.kept[{dovecot->address(), "ann", SecretKind::RefreshToken}] = tokens.refresh;
    }

    std::vector<std::string> Subjects() {
        std::vector<std::string> subjects;
        for (const MessageEntry& row : run->rows()) subjects.push_back(row.subject);
        return subjects;
    }

    // Tokens seen by the test (the first sign-in's, and those of later refreshes, which share
    // their prefix) are in no text the run wrote or showed.
    void ExpectNoTokenAnywhere() {
        std::vector<std::string> texts = trace;
        texts.insert(texts.end(), front.boxes.shown.begin(), front.boxes.shown.end());
        texts.insert(texts.end(), front.statuses.begin(), front.statuses.end());
        texts.push_back(run->lastError());
        texts.push_back(LogText());
        const std::string cache = folder.File("headers1.cache");
        if (std::filesystem::exists(cache)) texts.push_back(testsupport::FileBytes(cache));
        for (const char* prefix : {"at-", "rt-"}) EXPECT_THAT(texts, Each(Not(HasSubstr(prefix))));
    }

    std::optional<OAuthStandIn> authority;
    std::optional<DovecotServer> dovecot;
    MemoryKeyring keyring;
    OAuthStandIn::Tokens tokens;
    std::vector<std::string> trace;
};

TEST_F(OAuthCheckDovecotTest, SignsInWithTheKeptRefreshTokenAndKeepsTheAccessToken) {
    Start();
    SignIn();
    ASSERT_EQ(run->Check(), RunOutcome::Done) << ::testing::PrintToString(front.boxes.shown);
    EXPECT_THAT(Subjects(), ElementsAre("lunch", "cheap watches"));
    EXPECT_THAT(trace, ::testing::Contains(StartsWith("C: AUTH ")));
    EXPECT_THAT(trace, Each(Not(StartsWith("C: USER"))));
    EXPECT_THAT(trace, Each(Not(StartsWith("C: PASS"))));
    const int refreshes = authority->Count("token");

    // The next session within the token's lifetime asks the provider nothing.
    ASSERT_EQ(run->Check(), RunOutcome::Done) << ::testing::PrintToString(front.boxes.shown);
    EXPECT_EQ(authority->Count("token"), refreshes);
    EXPECT_THAT(LogText(), Not(HasSubstr("ERROR")));
}

TEST_F(OAuthCheckDovecotTest, ATokenTheServerRefusesIsRenewedOnceAndTheCheckSignsIn) {
    Start();
    SignIn();
    ASSERT_EQ(run->Check(), RunOutcome::Done) << ::testing::PrintToString(front.boxes.shown);
    const int refreshes = authority->Count("token");
    authority->ExpireAccessTokens();
    trace.clear();

    ASSERT_EQ(run->Check(), RunOutcome::Done) << ::testing::PrintToString(front.boxes.shown);
    EXPECT_EQ(authority->Count("token"), refreshes + 1);
    EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                            [](const std::string& line) { return line.starts_with("C: AUTH "); }),
              2);
    EXPECT_THAT(Subjects(), ElementsAre("lunch", "cheap watches"));
    // The refusal that a new token mended is no error of the run.
    EXPECT_TRUE(front.boxes.shown.empty());
    EXPECT_THAT(LogText(), Not(HasSubstr("ERROR")));
}

TEST_F(OAuthCheckDovecotTest, TheDeletionSessionSignsInWithTheKeptToken) {
    known.Assign({"offers@junk.test"});
    Start();
    SignIn();
    ASSERT_EQ(run->Check(), RunOutcome::Done) << ::testing::PrintToString(front.boxes.shown);
    ASSERT_EQ(run->Delete({.interactive = false}), RunOutcome::Done)
        << ::testing::PrintToString(front.boxes.shown);
    EXPECT_EQ(run->deletedCount(), 1);
    EXPECT_THAT(Subjects(), ElementsAre("lunch"));
}

// Revoked before the first check (the refresh itself is refused) or after it (the server refuses
// the kept access token, and its renewal is refused): either way the user is told to sign in
// again, and the server never hears a password.
class OAuthRevokedTest : public OAuthCheckDovecotTest,
                         public ::testing::WithParamInterface<bool> {};

TEST_P(OAuthRevokedTest, ARevokedSignInAsksToSignInAgain) {
    const bool checkedBefore = GetParam();
    Start();
    SignIn();
    if (checkedBefore) {
        ASSERT_EQ(run->Check(), RunOutcome::Done);
    }
    authority->Revoke(tokens.refresh);
    front.boxes.shown.clear();

    EXPECT_EQ(run->Check(), RunOutcome::Failed);
    const std::string error =
        "Mailbox 1 signs in with OAuth2 and must be signed in again: use Sign in... on the "
        "General settings window's Mailboxes page. The authorization server no longer accepts";
    ASSERT_EQ(front.boxes.shown.size(), 1u);
    EXPECT_THAT(front.boxes.shown[0], HasSubstr(error));
    EXPECT_THAT(run->lastError(), StartsWith(error));
    EXPECT_EQ(testsupport::CountOccurrences(LogText(), "ERROR Mailbox 1 signs in with OAuth2"), 1);
    EXPECT_THAT(trace, Each(Not(StartsWith("C: USER"))));
    EXPECT_THAT(trace, Each(Not(StartsWith("C: PASS"))));
}

INSTANTIATE_TEST_SUITE_P(Revoked, OAuthRevokedTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "AfterACheck" : "BeforeAnyCheck";
                         });

TEST_F(OAuthCheckDovecotTest, WithoutASignInTheServerHearsNothing) {
    Start();
    EXPECT_EQ(run->Check(), RunOutcome::Failed);
    ASSERT_EQ(front.boxes.shown.size(), 1u);
    EXPECT_EQ(
        front.boxes.shown[0],
        "error: Mailbox 1 signs in with OAuth2 and has not been signed in: use Sign in... on the "
        "General settings window's Mailboxes page");
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(authority->Count("token"), 0);
}

TEST_F(OAuthCheckDovecotTest, UnattendedTheMissingSignInIsLoggedWithoutABox) {
    Start();
    EXPECT_EQ(run->Check({.chooseMailbox = false, .absorbErrors = true}), RunOutcome::Failed);
    EXPECT_TRUE(front.boxes.shown.empty());
    EXPECT_THAT(LogText(), HasSubstr("ERROR Mailbox 1 signs in with OAuth2 and has not been "
                                     "signed in"));
}

TEST_F(OAuthCheckDovecotTest, AServerWithoutTheMechanismIsAClearErrorAndGetsNoPassword) {
    Start(false);
    SignIn();
    EXPECT_EQ(run->Check(), RunOutcome::Failed);
    ASSERT_EQ(front.boxes.shown.size(), 1u);
    EXPECT_THAT(front.boxes.shown[0], HasSubstr(kNoMechanism));
    EXPECT_THAT(trace, Each(Not(StartsWith("C: USER"))));
    EXPECT_THAT(trace, Each(Not(StartsWith("C: PASS"))));
    EXPECT_THAT(trace, Each(Not(StartsWith("C: AUTH"))));
}

}  // namespace
}  // namespace kelvane::checktest

// OAuth2 sign-in against a real server: a private Dovecot whose oauth2 passdb asks the test's
// authorization server whether a token is active.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CaseName.h"
#include "DovecotMailbox.h"
#include "LoopbackHttp.h"
#include "OAuthStandIn.h"
#include "RawPop3Session.h"
#include "SaslResponse.h"
#include "SignInRefused.h"
#include "TmsRemotePOP.h"

namespace kelvane {
namespace {

using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testsupport::OAuthStandIn;

constexpr const char* kUser = pop3test::kDovecotUser;

class DovecotOAuthTest : public pop3test::DovecotMailbox {
  protected:
    void SetUp() override {
        DovecotMailbox::SetUp();
        if (IsSkipped()) return;
        if (const std::string reason = OAuthStandIn::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no OAuth2 stand-in: " << reason;
        authority.emplace(kUser);
        server->UseOAuth2(authority->Url("/introspect"));
        server->AddMessage(kUser, "Subject: one\r\n\r\nfirst\r\n");
        server->AddMessage(kUser, "Subject: two\r\n\r\nsecond\r\n");
        server->Start();
    }

    // A client signing in with `token`, its trace and errors written into `texts`.
    std::unique_ptr<TmsRemotePOP> Client(const std::string& token) {
        auto pop = std::make_unique<TmsRemotePOP>();
        pop->Server = server->address();
        pop->UserName = kUser;
        pop->SignIn = PopSignIn::OAuth2;
        pop->AccessToken = token;
        // Dovecot holds the sign-in after a refused one from the same address for a few seconds.
        pop->TimeOut = 15;
        pop->OnTrace = [this](const std::string& line) { texts.push_back(line); };
        pop->OnError = [this](TagSocket&, std::string& text) { texts.push_back(text); };
        return pop;
    }

    // What the refusal of `token` raises; the token is in none of the texts.
    std::string Refusal(const std::string& token) {
        auto pop = Client(token);
        std::string raised = "(nothing raised)";
        try {
            pop->UpdateInfo();
        } catch (const ESignInRefused& error) {
            raised = error.what();
        }
        texts.push_back(raised);
        texts.push_back(pop->LastReply());
        EXPECT_THAT(texts, Each(Not(HasSubstr(token))));
        EXPECT_FALSE(pop->Connected());
        return raised;
    }

    std::optional<OAuthStandIn> authority;
    std::vector<std::string> texts;
};

TEST_F(DovecotOAuthTest, SignsInWithATokenTheAuthorityIssued) {
    const OAuthStandIn::Tokens tokens = authority->SignIn();
    auto pop = Client(tokens.access);
    pop->UpdateInfo();
    EXPECT_EQ(pop->Info().Count(), 2);
    EXPECT_GE(authority->Count("introspect"), 1);
    EXPECT_THAT(texts, ::testing::Contains("C: AUTH OAUTHBEARER {token}"));
    EXPECT_THAT(texts, Each(Not(HasSubstr(tokens.access))));
}

// The other mechanism's framing, as the server reads it.
TEST_F(DovecotOAuthTest, ServerReadsTheXOAuth2Response) {
    const OAuthStandIn::Tokens tokens = authority->SignIn();
    testsupport::RawSession raw(server->port());
    const std::vector<std::string> replies = raw.Replies(
        {"AUTH XOAUTH2 " + OAuthInitialResponse(OAuthMechanism::XOAuth2, kUser, tokens.access),
         "STAT"});
    EXPECT_THAT(replies, ::testing::ElementsAre(StartsWith("+OK"), StartsWith("+OK 2 ")));
}

struct EndedTokenCase {
    const char* name;
    // Ends the token in the authority; given the tokens of the sign-in.
    void (*end)(const OAuthStandIn& authority, const OAuthStandIn::Tokens& tokens);
};

void PrintTo(const EndedTokenCase& c, std::ostream* os) {
    *os << c.name;
}

class DovecotEndedTokenTest : public DovecotOAuthTest,
                              public ::testing::WithParamInterface<EndedTokenCase> {};

TEST_P(DovecotEndedTokenTest, IsAClearRefusal) {
    const OAuthStandIn::Tokens tokens = authority->SignIn();
    GetParam().end(*authority, tokens);
    const std::string raised = Refusal(tokens.access);
    EXPECT_THAT(raised, StartsWith("The server refused the OAuth2 sign-in: -ERR"));
    EXPECT_THAT(raised, HasSubstr("The access token may have expired or been revoked"));
}

INSTANTIATE_TEST_SUITE_P(
    Endings, DovecotEndedTokenTest,
    ::testing::Values(EndedTokenCase{"access-token-revoked",
                                     [](const OAuthStandIn& a, const OAuthStandIn::Tokens& t) {
                                         a.Revoke(t.access);
                                     }},
                      EndedTokenCase{"refresh-token-revoked",
                                     [](const OAuthStandIn& a, const OAuthStandIn::Tokens& t) {
                                         a.Revoke(t.refresh);
                                     }},
                      EndedTokenCase{"expired",
                                     [](const OAuthStandIn& a, const OAuthStandIn::Tokens&) {
                                         a.ExpireAccessTokens();
                                     }}),
    testsupport::ParamName());

// What a caller does after the refusal of an expired token: refresh it and sign in again.
TEST_F(DovecotOAuthTest, ExpiredTokenRefreshedSignsInAgain) {
    const OAuthStandIn::Tokens tokens = authority->SignIn();
    authority->ExpireAccessTokens();
    Refusal(tokens.access);
    const testsupport::HttpReply reply = testsupport::HttpExchange(
        authority->port(), "POST", "/token",
        "grant_type=refresh_token&client_id=" + std::string(OAuthStandIn::kClientId) +
            "&refresh_token=" + testsupport::FormEncoded(tokens.refresh));
    ASSERT_EQ(reply.status, 200) << reply.body;
    auto pop = Client(testsupport::JsonString(reply.body, "access_token"));
    pop->UpdateInfo();
    EXPECT_EQ(pop->Info().Count(), 2);
}

// A server set up for passwords only: the sign-in stops after CAPA, and the stored password is
// never sent in place of the token.
class DovecotPasswordOnlyTest : public pop3test::DovecotMailbox {};

TEST_F(DovecotPasswordOnlyTest, OAuth2WithoutTheMechanismIsAClearErrorWithoutPassword) {
    server->Start();
    TmsRemotePOP pop;
    pop.Server = server->address();
    pop.UserName = kUser;
    pop.Password = pop3test::kDovecotPassword;
    pop.SignIn = PopSignIn::OAuth2;
    pop.AccessToken = "at-unused";
    pop.TimeOut = 5;
    std::vector<std::string> trace;
    pop.OnTrace = [&](const std::string& line) { trace.push_back(line); };
    std::string raised;
    try {
        pop.UpdateInfo();
    } catch (const EServerError& error) {
        raised = error.what();
    }
    EXPECT_EQ(raised, "The server does not offer OAuth2 sign-in (SASL OAUTHBEARER or XOAUTH2)");
    EXPECT_THAT(trace, Each(Not(StartsWith("C: USER"))));
    EXPECT_THAT(trace, Each(Not(StartsWith("C: PASS"))));
    EXPECT_THAT(trace, Each(Not(StartsWith("C: AUTH"))));
}

}  // namespace
}  // namespace kelvane

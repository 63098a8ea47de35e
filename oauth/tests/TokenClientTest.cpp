#include "TokenClient.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "CaseName.h"
#include "LoopbackHttp.h"
#include "OAuthErrors.h"
#include "OAuthStandIn.h"
#include "ScriptedServer.h"

namespace kelvane {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::OAuthStandIn;
using Kind = EOAuthError::Kind;

// What `action` raises: the kind and the text; Kind::BadReply and "(nothing raised)" when it
// returns.
template <class Action>
std::pair<Kind, std::string> Raised(Action&& action) {
    try {
        action();
    } catch (const EOAuthError& error) {
        return {error.kind(), error.what()};
    }
    return {Kind::BadReply, "(nothing raised)"};
}

class TokenClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string reason = OAuthStandIn::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no OAuth2 stand-in: " << reason;
        authority.emplace();
        client.tokenUrl = authority->Url("/token");
        client.clientId = OAuthStandIn::kClientId;
    }

    bool Active(const std::string& accessToken) const {
        const testsupport::HttpReply reply =
            testsupport::HttpExchange(authority->port(), "POST", "/introspect",
                                      "token=" + testsupport::FormEncoded(accessToken));
        return reply.body.find("\"active\": true") != std::string::npos;
    }

    std::optional<OAuthStandIn> authority;
    OAuthClient client;
};

TEST_F(TokenClientTest, RefreshGivesAFreshAccessTokenTheServerTakes) {
    const OAuthStandIn::Tokens first = authority->SignIn();
    authority->ExpireAccessTokens();
    ASSERT_FALSE(Active(first.access));
    const OAuthTokens fresh = RefreshAccessToken(client, first.refresh);
    EXPECT_NE(fresh.accessToken, first.access);
    EXPECT_TRUE(Active(fresh.accessToken));
    EXPECT_EQ(fresh.expiresIn, std::chrono::seconds(3600));
    EXPECT_EQ(fresh.refreshToken, first.refresh);
    EXPECT_EQ(authority->Count("token"), 2);
}

TEST_F(TokenClientTest, RevokedRefreshTokenAsksForANewSignIn) {
    const OAuthStandIn::Tokens first = authority->SignIn();
    authority->Revoke(first.refresh);
    const auto [kind, text] = Raised([&] { RefreshAccessToken(client, first.refresh); });
    EXPECT_EQ(kind, Kind::SignInAgain);
    EXPECT_EQ(text,
              "The authorization server no longer accepts the mailbox's sign-in (invalid_grant: "
              "unknown or revoked refresh token); sign in again from the window");
    EXPECT_THAT(text, Not(HasSubstr(first.refresh)));
}

TEST_F(TokenClientTest, UnknownClientIsARefusal) {
    const OAuthStandIn::Tokens first = authority->SignIn();
    client.clientId = "someone-else";
    const auto [kind, text] = Raised([&] { RefreshAccessToken(client, first.refresh); });
    EXPECT_EQ(kind, Kind::Refused);
    EXPECT_THAT(text, HasSubstr("(invalid_client: unknown client_id)"));
}

// The stand-in checks PKCE as a real authorization server would: a code is redeemed only with
// the verifier of its challenge, and only once.
TEST_F(TokenClientTest, StandInRedeemsACodeOnlyWithItsVerifier) {
    const std::string verifier = OAuthStandIn::NewVerifier();
    const std::string redirect = authority->Authorize(OAuthStandIn::Challenge(verifier), "s");
    const std::string code =
        testsupport::QueryValue(redirect.substr(redirect.find('?') + 1), "code");
    EXPECT_EQ(authority->RedeemCode(code, OAuthStandIn::NewVerifier()).status, 400);
    const std::string other = authority->Authorize(OAuthStandIn::Challenge(verifier), "s");
    const std::string good = testsupport::QueryValue(other.substr(other.find('?') + 1), "code");
    EXPECT_EQ(authority->RedeemCode(good, verifier).status, 200);
    EXPECT_EQ(authority->RedeemCode(good, verifier).status, 400);
}

// The code of the browser's redirect, asked for with `verifier`'s challenge.
std::string CodeFor(const OAuthStandIn& authority, const std::string& verifier) {
    const std::string redirect = authority.Authorize(OAuthStandIn::Challenge(verifier), "s");
    return testsupport::QueryValue(redirect.substr(redirect.find('?') + 1), "code");
}

TEST_F(TokenClientTest, ExchangedCodeGivesTokensThatRefresh) {
    const std::string verifier = OAuthStandIn::NewVerifier();
    const OAuthTokens first =
        ExchangeCode(client, CodeFor(*authority, verifier), verifier, OAuthStandIn::kRedirect);
    EXPECT_TRUE(Active(first.accessToken));
    ASSERT_FALSE(first.refreshToken.empty());
    EXPECT_EQ(first.expiresIn, std::chrono::seconds(3600));
    EXPECT_TRUE(Active(RefreshAccessToken(client, first.refreshToken).accessToken));
}

// A code is worth nothing without its verifier, to another redirect, or a second time; the
// error text names none of the secrets sent.
TEST_F(TokenClientTest, CodeTheServerWillNotRedeemAsksForANewSignIn) {
    const std::string verifier = OAuthStandIn::NewVerifier();
    struct Case {
        const char* name;
        std::string verifier;
        std::string redirect;
    };
    const std::string reused = CodeFor(*authority, verifier);
    ExchangeCode(client, reused, verifier, OAuthStandIn::kRedirect);
    for (const Case& c :
         {Case{"another verifier", OAuthStandIn::NewVerifier(), OAuthStandIn::kRedirect},
          Case{"another redirect", verifier, "http://127.0.0.1:9/other"},
          Case{"used code", verifier, OAuthStandIn::kRedirect}}) {
        SCOPED_TRACE(c.name);
        const std::string code =
            std::string(c.name) == "used code" ? reused : CodeFor(*authority, verifier);
        const auto [kind, text] =
            Raised([&] { ExchangeCode(client, code, c.verifier, c.redirect); });
        EXPECT_EQ(kind, Kind::SignInAgain);
        EXPECT_THAT(text, Not(HasSubstr(code)));
        EXPECT_THAT(text, Not(HasSubstr(c.verifier)));
    }
}

struct UnreachableCase {
    const char* name;
    std::vector<std::string> script;  // of a scripted server at the token URL; none when empty
    std::string url;                  // when there is no scripted server
    const char* text;
};

void PrintTo(const UnreachableCase& c, std::ostream* os) {
    *os << c.name;
}

class TokenClientUnreachableTest : public ::testing::TestWithParam<UnreachableCase> {};

// Bounded in time and size, and never in plain text across the network.
TEST_P(TokenClientUnreachableTest, IsAClearErrorWithoutTheToken) {
    std::optional<testsupport::ScriptedServer> server;
    OAuthClient client{GetParam().url, "kelvane-test", "", 1};
    if (!GetParam().script.empty()) {
        server.emplace(GetParam().script);
        client.tokenUrl = "http://" + server->address() + "/token";
    }
    const auto [kind, text] = Raised([&] { RefreshAccessToken(client, "rt-Secret_1"); });
    EXPECT_EQ(kind, Kind::Unreachable);
    EXPECT_THAT(text, HasSubstr(GetParam().text));
    EXPECT_THAT(text, Not(HasSubstr("rt-Secret_1")));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, TokenClientUnreachableTest,
    ::testing::Values(
        UnreachableCase{"nothing-listens",
                        {},
                        "http://127.0.0.1:" + std::to_string(testsupport::UnusedPort()) + "/t",
                        "could not be asked for a token"},
        UnreachableCase{"silent-server", {"silence"}, "", "could not be asked for a token"},
        UnreachableCase{"endless-reply",
                        {"S: HTTP/1.1 200 OK", "S: Content-Type: application/json",
                         "S: ", "S: " + std::string(100000, ' '), "silence"},
                        "",
                        "larger than a token reply can be"},
        UnreachableCase{"plain-http-elsewhere",
                        {},
                        "http://auth.example.org/token",
                        "must use https, or http on this machine"},
        UnreachableCase{"not-a-url", {}, "::nothing", "is not a URL"}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane

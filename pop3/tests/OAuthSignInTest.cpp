#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Base64.h"
#include "CaseName.h"
#include "MailErrors.h"
#include "Pop3Session.h"
#include "SignInRefused.h"

namespace kelvane {
namespace {

using pop3test::Capa;
using pop3test::Join;
using pop3test::Quit;
using pop3test::RaisedText;
using pop3test::Script;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kToken = "ya29.tok-EN_1";
// The first responses for ann with kToken: "n,a=ann,^Aauth=Bearer ya29.tok-EN_1^A^A" and
// "user=ann^Aauth=Bearer ya29.tok-EN_1^A^A".
constexpr const char* kBearerResponse = "bixhPWFubiwBYXV0aD1CZWFyZXIgeWEyOS50b2stRU5fMQEB";
constexpr const char* kXOAuth2Response = "dXNlcj1hbm4BYXV0aD1CZWFyZXIgeWEyOS50b2stRU5fMQEB";
// {"status":"invalid_token","scope":"mail"}
constexpr const char* kInvalidTokenChallenge =
    "eyJzdGF0dXMiOiJpbnZhbGlkX3Rva2VuIiwic2NvcGUiOiJtYWlsIn0=";
constexpr const char* kRefusedHint =
    " The access token may have expired or been revoked; a fresh one may be accepted";

class OAuthSignInTest : public pop3test::Pop3Session {
  protected:
    void SetUp() override {
        Pop3Session::SetUp();
        pop.Password.clear();
        pop.SignIn = PopSignIn::OAuth2;
        pop.AccessToken = kToken;
    }
};

struct MechanismCase {
    const char* name;
    Script capabilities;
    Script signIn;  // from the client's AUTH to the server's "+OK"
};

void PrintTo(const MechanismCase& c, std::ostream* os) {
    *os << c.name;
}

class OAuthMechanismTest : public OAuthSignInTest,
                           public ::testing::WithParamInterface<MechanismCase> {};

TEST_P(OAuthMechanismTest, SignsInWithTheTokenAndNeverSendsUserOrPass) {
    Serve(Join({{"S: +OK POP3 ready"},
                GetParam().capabilities,
                GetParam().signIn,
                {"C: STAT", "S: +OK 2 320"},
                Quit()}));
    pop.Connect();
    EXPECT_EQ(pop.MessageCount(), 2);
    pop.Disconnect();
    ExpectScriptFollowed();
}

INSTANTIATE_TEST_SUITE_P(
    Mechanisms, OAuthMechanismTest,
    ::testing::Values(
        MechanismCase{"oauthbearer-preferred",
                      Capa({"USER", "SASL PLAIN XOAUTH2 OAUTHBEARER"}),
                      {"C: AUTH OAUTHBEARER " + std::string(kBearerResponse), "S: +OK Logged in."}},
        MechanismCase{"xoauth2-when-alone",
                      Capa({"SASL XOAUTH2", "USER"}),
                      {"C: AUTH XOAUTH2 " + std::string(kXOAuth2Response), "S: +OK"}},
        MechanismCase{"names-in-any-case",
                      Capa({"sasl plain xoauth2"}),
                      {"C: AUTH XOAUTH2 " + std::string(kXOAuth2Response), "S: +OK"}}),
    testsupport::ParamName());

// A token too long for the AUTH line (RFC 2449: 255 bytes) follows the server's empty challenge.
TEST_F(OAuthSignInTest, LongTokenGoesAfterTheEmptyChallenge) {
    pop.AccessToken = std::string(400, 'x');
    Serve(Join({{"S: +OK POP3 ready"},
                Capa({"SASL OAUTHBEARER"}),
                {"C: AUTH OAUTHBEARER", "S: + ", "C? ", "S: +OK", "C: STAT", "S: +OK 0 0"},
                Quit()}));
    pop.Connect();
    pop.Disconnect();
    ExpectScriptFollowed();
    const Script received = server->received();
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(DecodeBase64(received[2]),
              "n,a=ann,\x01"
              "auth=Bearer " +
                  std::string(400, 'x') + "\x01\x01");
}

// Behind the sign-in, a pipelining server gets STAT and the listing's first command in one write.
TEST_F(OAuthSignInTest, StatAndTheListingGoOutTogetherWhenTheServerPipelines) {
    Serve(Join({{"S: +OK POP3 ready"},
                Capa({"PIPELINING", "SASL OAUTHBEARER"}),
                {"C: AUTH OAUTHBEARER " + std::string(kBearerResponse), "S: +OK", "C: STAT",
                 "C: LIST", "S: +OK 0 0"},
                pop3test::SizesReply({}),
                Quit()}));
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(pop.Info().Count(), 0);
}

struct RefusalCase {
    const char* name;
    Script capabilities;
    Script refusal;  // from the client's AUTH to the server's last word
    std::string raised;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class OAuthRefusalTest : public OAuthSignInTest,
                         public ::testing::WithParamInterface<RefusalCase> {};

// The refusal is reported in words, the session is closed so that a retry starts afresh with a
// new greeting, and a fresh token then signs in.
TEST_P(OAuthRefusalTest, RaisesASignInRefusalThatAFreshTokenCanRetry) {
    const RefusalCase& c = GetParam();
    Serve(Join(
        {{"S: +OK POP3 ready"},
         c.capabilities,
         c.refusal,
         {"next", "S: +OK POP3 ready"},
         Capa({"SASL OAUTHBEARER"}),
         {"C: AUTH OAUTHBEARER " + std::string(kBearerResponse), "S: +OK", "C: STAT", "S: +OK 0 0"},
         Quit()}));
    pop.AccessToken = "stale";
    EXPECT_EQ(RaisedText<ESignInRefused>([&] { pop.Connect(); }), c.raised);
    EXPECT_FALSE(pop.Connected());
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnClosing", "OnClosed"));

    pop.AccessToken = kToken;
    pop.Connect();
    pop.Disconnect();
    ExpectScriptFollowed();
}

// "stale" as the first responses: "n,a=ann,^Aauth=Bearer stale^A^A", "user=ann^A...".
const std::string kStaleBearer = "bixhPWFubiwBYXV0aD1CZWFyZXIgc3RhbGUBAQ==";
const std::string kStaleXOAuth2 = "dXNlcj1hbm4BYXV0aD1CZWFyZXIgc3RhbGUBAQ==";

INSTANTIATE_TEST_SUITE_P(
    Refusals, OAuthRefusalTest,
    ::testing::Values(
        RefusalCase{
            "plain-refusal",
            Capa({"SASL OAUTHBEARER"}),
            {"C: AUTH OAUTHBEARER " + kStaleBearer, "S: -ERR [AUTH] Authentication failed."},
            "The server refused the OAuth2 sign-in: -ERR [AUTH] Authentication failed." +
                std::string(kRefusedHint)},
        // RFC 7628: the error comes as a challenge, answered by ^A before the server says -ERR.
        RefusalCase{
            "oauthbearer-error-challenge",
            Capa({"SASL OAUTHBEARER"}),
            {"C: AUTH OAUTHBEARER " + kStaleBearer, "S: + " + std::string(kInvalidTokenChallenge),
             "C: AQ==", "S: -ERR [AUTH] Authentication failed"},
            "The server refused the OAuth2 sign-in: -ERR [AUTH] Authentication failed "
            "(invalid_token)." +
                std::string(kRefusedHint)},
        // XOAUTH2 ends the exchange with an empty line instead.
        RefusalCase{"xoauth2-error-challenge",
                    Capa({"SASL XOAUTH2"}),
                    {"C: AUTH XOAUTH2 " + kStaleXOAuth2,
                     "S: + " + std::string(kInvalidTokenChallenge), "C: ", "S: -ERR denied"},
                    "The server refused the OAuth2 sign-in: -ERR denied (invalid_token)." +
                        std::string(kRefusedHint)}),
    testsupport::ParamName());

// Without either mechanism the sign-in stops after CAPA: no USER, no PASS, nothing else sent.
TEST_F(OAuthSignInTest, ServerWithoutTheMechanismsIsAClearErrorWithoutFallBack) {
    const std::vector<Script> servers = {
        Join({{"S: +OK POP3 ready"}, Capa({"USER", "SASL PLAIN LOGIN"}), {"silence"}}),
        Join({{"S: +OK POP3 ready"}, Capa({"USER", "PIPELINING"}), {"silence"}}),
        {"S: +OK POP3 ready", "C: CAPA", "S: -ERR unknown command", "silence"},
    };
    for (const Script& script : servers) {
        SCOPED_TRACE(script[2]);
        Serve(script);
        pop.Password = pop3test::kPassword;  // kept from before, never to be sent
        EXPECT_EQ(RaisedText<EServerError>([&] { pop.Connect(); }),
                  "The server does not offer OAuth2 sign-in (SASL OAUTHBEARER or XOAUTH2)");
        EXPECT_FALSE(pop.Connected());
        ExpectScriptFollowed();
        EXPECT_THAT(server->received(), ElementsAre("CAPA"));
    }
}

struct UnusableTokenCase {
    const char* name;
    std::string token;
    const char* error;
};

void PrintTo(const UnusableTokenCase& c, std::ostream* os) {
    *os << c.name;
}

class OAuthUnusableTokenTest : public OAuthSignInTest,
                               public ::testing::WithParamInterface<UnusableTokenCase> {};

// Checked before connecting: nothing listens at the address, so a connection would be refused.
TEST_P(OAuthUnusableTokenTest, RaisedBeforeConnecting) {
    pop.Server = "127.0.0.1:" + std::to_string(testsupport::UnusedPort());
    pop.AccessToken = GetParam().token;
    EXPECT_EQ(RaisedText<ESocketError>([&] { pop.Connect(); }), GetParam().error);
    EXPECT_THAT(events, ::testing::Contains("OnError " + std::string(GetParam().error)));
    EXPECT_FALSE(pop.Connected());
}

constexpr const char* kNoToken =
    "There is no OAuth2 access token for this mailbox: it must be signed in again";
constexpr const char* kBadToken = "The OAuth2 access token holds characters no token can have";

INSTANTIATE_TEST_SUITE_P(
    Tokens, OAuthUnusableTokenTest,
    ::testing::Values(UnusableTokenCase{"empty", "", kNoToken},
                      UnusableTokenCase{"line-break", "ya29.a\r\nQUIT", kBadToken},
                      UnusableTokenCase{"blank", "ya29 b", kBadToken},
                      UnusableTokenCase{"sasl-separator",
                                        "ya29\x01"
                                        "b",
                                        kBadToken},
                      UnusableTokenCase{"eight-bit", "ya29\xc3\xa9", kBadToken}),
    testsupport::ParamName());

// Servers that echo the token or the whole response in their replies, or fall silent after it:
// neither the raised error, OnError, LastReply nor the trace may carry either.
TEST_F(OAuthSignInTest, TokenReachesNoErrorTextTraceOrLastReply) {
    const Script greeting = Join({{"S: +OK POP3 ready"}, Capa({"SASL OAUTHBEARER"})});
    const std::string auth = "C: AUTH OAUTHBEARER " + std::string(kBearerResponse);
    const std::vector<Script> servers = {
        Join({greeting, {auth, "S: -ERR bad token " + std::string(kToken)}}),
        Join({greeting, {auth, "S: -ERR you said " + std::string(kBearerResponse)}}),
        Join({greeting,
              {auth, "S: + " + std::string(kBearerResponse),
               "C: AQ==", "S: -ERR no " + std::string(kToken)}}),
        Join({greeting, {auth, "silence"}}),
    };
    for (const Script& script : servers) {
        SCOPED_TRACE(script.back());
        TmsRemotePOP client;
        client.UserName = pop3test::kUser;
        client.SignIn = PopSignIn::OAuth2;
        client.AccessToken = kToken;
        client.TimeOut = 1;
        Script texts;
        client.OnTrace = [&](const std::string& line) { texts.push_back(line); };
        client.OnError = [&](TagSocket&, std::string& text) { texts.push_back(text); };
        testsupport::ScriptedServer peer(script);
        client.Server = peer.address();
        const std::string raised = RaisedText<EMailError>([&] { client.UpdateInfo(); });
        EXPECT_NE(raised, "(nothing raised)");
        texts.push_back(raised);
        texts.push_back(client.LastReply());
        EXPECT_THAT(texts, ::testing::Contains("C: AUTH OAUTHBEARER {token}"));
        EXPECT_THAT(texts, ::testing::Each(Not(HasSubstr(kToken))));
        EXPECT_THAT(texts, ::testing::Each(Not(HasSubstr(kBearerResponse))));
    }
}

TEST_F(OAuthSignInTest, TraceShowsTheSignInWithoutTheToken) {
    Serve(Join({{"S: +OK POP3 ready"},
                Capa({"SASL OAUTHBEARER"}),
                {"C: AUTH OAUTHBEARER " + std::string(kBearerResponse), "S: +OK Logged in.",
                 "C: STAT", "S: +OK 0 0"},
                Quit()}));
    Script trace;
    pop.OnTrace = [&](const std::string& line) { trace.push_back(line); };
    pop.Connect();
    pop.Disconnect();
    ExpectScriptFollowed();
    EXPECT_EQ(trace,
              Script({"S: +OK POP3 ready", "C: CAPA", "S: +OK capability list follows",
                      "S: (21 bytes of data)", "C: AUTH OAUTHBEARER {token}", "S: +OK Logged in.",
                      "C: STAT", "S: +OK 0 0", "C: QUIT", "S: +OK bye"}));
}

}  // namespace
}  // namespace kelvane

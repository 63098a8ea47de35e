#include "TokenReply.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CaseName.h"
#include "OAuthErrors.h"

namespace kelvane {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Kind = EOAuthError::Kind;

constexpr const char* kRefresh = "rt-Secret_1";

TEST(TokenReplyTest, ReadsEveryFieldOfASuccess) {
    const OAuthTokens tokens =
        ReadTokenReply(200,
                       R"({"access_token":"at-1","token_type":"Bearer","expires_in":3599,)"
                       R"("refresh_token":"rt-2","scope":"mail","id_token":"ignored"})",
                       {kRefresh});
    EXPECT_EQ(tokens.accessToken, "at-1");
    EXPECT_EQ(tokens.refreshToken, "rt-2");
    EXPECT_EQ(tokens.expiresIn, std::chrono::seconds(3599));
    EXPECT_EQ(tokens.scope, "mail");
}

// What providers send besides the plain form: the lifetime as a string, no new refresh token
// (the old one stays good), no lifetime at all, the type in lower case.
TEST(TokenReplyTest, TakesTheVariantsProvidersSend) {
    const OAuthTokens text = ReadTokenReply(
        200, R"({"access_token":"a","token_type":"bearer","expires_in":"3600"})", {});
    EXPECT_EQ(text.expiresIn, std::chrono::seconds(3600));
    EXPECT_EQ(text.refreshToken, "");
    const OAuthTokens bare = ReadTokenReply(200, R"({"access_token":"a"})", {});
    EXPECT_EQ(bare.expiresIn, std::nullopt);
    const OAuthTokens odd = ReadTokenReply(
        200, R"({"access_token":"a","expires_in":"soon","token_type":"Bearer"})", {});
    EXPECT_EQ(odd.expiresIn, std::nullopt);
}

struct FailureCase {
    const char* name;
    long status;
    std::string body;
    Kind kind;
    std::string text;  // a part of the error text
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class TokenReplyFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(TokenReplyFailureTest, RaisesTheKindACallerActsOn) {
    try {
        ReadTokenReply(GetParam().status, GetParam().body, {kRefresh, "client-Secret"});
        FAIL() << "nothing raised";
    } catch (const EOAuthError& error) {
        EXPECT_EQ(error.kind(), GetParam().kind);
        EXPECT_THAT(error.what(), HasSubstr(GetParam().text));
        EXPECT_THAT(error.what(), Not(HasSubstr(kRefresh)));
        EXPECT_THAT(error.what(), Not(HasSubstr("client-Secret")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, TokenReplyFailureTest,
    ::testing::Values(
        FailureCase{"revoked-grant", 400,
                    R"({"error":"invalid_grant","error_description":"Token has been revoked."})",
                    Kind::SignInAgain,
                    "no longer accepts the mailbox's sign-in (invalid_grant: Token has been "
                    "revoked.); sign in again from the window"},
        FailureCase{"unknown-client", 401, R"({"error":"invalid_client"})", Kind::Refused,
                    "refused the token request (invalid_client)"},
        FailureCase{"error-without-a-code", 403, "{}", Kind::Refused, "(HTTP status 403)"},
        FailureCase{"secrets-quoted-back", 400,
                    R"({"error":"invalid_grant","error_description":"rt-Secret_1 for )"
                    R"(client-Secret is unknown"})",
                    Kind::SignInAgain, "(invalid_grant: {secret} for {secret} is unknown)"},
        FailureCase{
            "long-description-cut", 400,
            R"({"error":"invalid_scope","error_description":")" + std::string(500, 'x') + R"("})",
            Kind::Refused, std::string(200, 'x') + "...)"},
        FailureCase{"server-failure", 503, "<html>busy</html>", Kind::Unreachable,
                    "failed with HTTP status 503"},
        FailureCase{"html-page", 200, "<html>sign in</html>", Kind::BadReply,
                    "is not a token reply"},
        FailureCase{"json-but-not-an-object", 200, "[1,2]", Kind::BadReply, "is not a token reply"},
        FailureCase{"no-access-token", 200, R"({"token_type":"Bearer"})", Kind::BadReply,
                    "holds no access token"},
        FailureCase{"access-token-not-a-string", 200, R"({"access_token":12})", Kind::BadReply,
                    "holds no access token"},
        FailureCase{"other-token-type", 200, R"({"access_token":"a","token_type":"mac"})",
                    Kind::BadReply, "another type than Bearer"}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane

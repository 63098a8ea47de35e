#include "SaslResponse.h"

#include <gtest/gtest.h>

#include "Base64.h"
#include "CaseName.h"

namespace kelvane {
namespace {

struct EncodingCase {
    const char* name;
    std::string plain;
    const char* encoded;
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
    *os << c.name;
}

class Base64EncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(Base64EncodingTest, PadsTheLastGroup) {
    EXPECT_EQ(EncodeBase64(GetParam().plain), GetParam().encoded);
    EXPECT_EQ(DecodeBase64(GetParam().encoded), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(Lengths, Base64EncodingTest,
                         ::testing::Values(EncodingCase{"empty", "", ""},
                                           EncodingCase{"one-byte", "f", "Zg=="},
                                           EncodingCase{"two-bytes", "fo", "Zm8="},
                                           EncodingCase{"three-bytes", "foo", "Zm9v"},
                                           EncodingCase{"high-and-control-bytes",
                                                        std::string("\xff\x01\0\xfe", 4),
                                                        "/wEA/g=="}),
                         testsupport::ParamName());

// The example the XOAUTH2 format was published with, and RFC 7628's layout without host and port.
TEST(OAuthInitialResponseTest, FramesTheTokenAsEachMechanismExpects) {
    EXPECT_EQ(
        OAuthInitialResponse(OAuthMechanism::XOAuth2, "someuser@example.com",
                             "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg"),
        "dXNlcj1zb21ldXNlckBleGFtcGxlLmNvbQFhdXRoPUJlYXJlciB5YTI5LnZGOWRmdDRxbVRjMk52YjNSbGNrQmhk"
        "SFJoZG1semRHRXVZMjl0Q2cBAQ==");
    EXPECT_EQ(DecodeBase64(OAuthInitialResponse(OAuthMechanism::OAuthBearer, "ann", "t0k")),
              "n,a=ann,\x01"
              "auth=Bearer t0k\x01\x01");
    // "," would end the authorization identity early and "=" starts an escape.
    EXPECT_EQ(DecodeBase64(OAuthInitialResponse(OAuthMechanism::OAuthBearer, "a=b,c", "t")),
              "n,a=a=3Db=2Cc,\x01"
              "auth=Bearer t\x01\x01");
}

struct ChoiceCase {
    const char* name;
    std::vector<std::string> offered;
    OAuthMechanism chosen;
};

void PrintTo(const ChoiceCase& c, std::ostream* os) {
    *os << c.name;
}

class OAuthMechanismChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(OAuthMechanismChoiceTest, PrefersTheStandardMechanism) {
    EXPECT_EQ(ChooseOAuthMechanism(GetParam().offered), GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Offers, OAuthMechanismChoiceTest,
    ::testing::Values(
        ChoiceCase{"both", {"XOAUTH2", "OAUTHBEARER"}, OAuthMechanism::OAuthBearer},
        ChoiceCase{"xoauth2-only", {"PLAIN", "XOAUTH2"}, OAuthMechanism::XOAuth2},
        ChoiceCase{"password-mechanisms-only", {"PLAIN", "LOGIN"}, OAuthMechanism::None},
        ChoiceCase{"a-longer-name-is-not-the-mechanism", {"XOAUTH2X"}, OAuthMechanism::None},
        ChoiceCase{"nothing", {}, OAuthMechanism::None}),
    testsupport::ParamName());

struct StatusCase {
    const char* name;
    std::string json;
    const char* status;
};

void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << c.name;
}

class ChallengeStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ChallengeStatusTest, TakesOnlyAPlainWord) {
    EXPECT_EQ(ChallengeStatus(EncodeBase64(GetParam().json)), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Challenges, ChallengeStatusTest,
    ::testing::Values(
        StatusCase{"oauthbearer", R"({"status":"invalid_token","scope":"mail"})", "invalid_token"},
        StatusCase{"xoauth2", R"({"status":"400","schemes":"Bearer"})", "400"},
        StatusCase{"blanks-around-the-colon", R"({ "status" : "expired" })", "expired"},
        StatusCase{"no-status", R"({"scope":"mail"})", ""},
        StatusCase{"not-a-string", R"({"status":401})", ""},
        StatusCase{"escape-sequence", "{\"status\":\"\x1b[2J\"}", ""},
        StatusCase{"unterminated", R"({"status":"invalid)", ""},
        StatusCase{"not-json", "garbage", ""}),
    testsupport::ParamName());

TEST(ChallengeWithoutBase64Test, GivesNoStatus) {
    EXPECT_EQ(ChallengeStatus("!!not base64!!"), "");
}

}  // namespace
}  // namespace kelvane

// The access tokens of OAuth2 mailboxes: kept while they last, renewed from the keyring's
// refresh token, and errors that say what to do without a token in them.
#include "OAuthSignIn.h"

#include <gmock/gmock.h>

#include "CaseName.h"
#include "MemoryKeyring.h"
#include "OAuthErrors.h"

namespace kelvane::checktest {
namespace {

using std::chrono::seconds;
using ::testing::HasSubstr;
using ::testing::Not;
using Kind = EOAuthError::Kind;

constexpr const char* kRefresh = "rt-first-secret";

class OAuthSignInTest : public ::testing::Test {
  protected:
    OAuthSignInTest() {
        mailbox.settings.oauth2 = true;
        mailbox.settings.oauthProvider = "google";
        mailbox.settings.oauthClientId = "client";
        keyring.kept[{mailbox.server, mailbox.user, SecretKind::RefreshToken}] = kRefresh;
    }

    // The provider: a numbered token lasting `lifetime`, or the error `refusal`.
    OAuthTokens Refresh(const OAuthClient& client, const std::string& refreshToken) {
        asked.push_back(refreshToken);
        lastClient = client;
        if (refusal) throw *refusal;
        OAuthTokens tokens;
        tokens.accessToken = "at-" + std::to_string(asked.size());
        tokens.refreshToken = rotated;
        tokens.expiresIn = lifetime;
        return tokens;
    }

    std::chrono::steady_clock::time_point now{};
    std::optional<seconds> lifetime = seconds(3600);
    std::optional<EOAuthError> refusal;
    std::string rotated;
    std::vector<std::string> asked;
    OAuthClient lastClient;
    OAuthMailbox mailbox{2, "pop.example.org:995", "ann", {}};
    MemoryKeyring keyring;
    OAuthSignIn signIn{
        [this] { return now; },
        [this](const OAuthClient& c, const std::string& r) { return Refresh(c, r); }};
};

TEST_F(OAuthSignInTest, ATokenIsKeptUntilShortlyBeforeItEnds) {
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-1");
    EXPECT_EQ(asked, std::vector<std::string>{kRefresh});
    EXPECT_EQ(lastClient.tokenUrl, "https://oauth2.googleapis.com/token");
    EXPECT_EQ(lastClient.clientId, "client");

    now += seconds(3600 - 61);
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-1");
    now += seconds(1);
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-2");

    // A short lifetime keeps a quarter of it in hand, not the whole minute.
    lifetime = seconds(8);
    signIn.Forget(mailbox.server, mailbox.user);
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-3");
    now += seconds(5);
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-3");
    now += seconds(1);
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-4");
}

TEST_F(OAuthSignInTest, ATokenWithoutALifetimeLastsUntilForgotten) {
    lifetime.reset();
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-1");
    now += seconds(365 * 24 * 3600);
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-1");
    signIn.Forget(mailbox.server, mailbox.user);
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-2");
}

TEST_F(OAuthSignInTest, MailboxesKeepTheirOwnTokens) {
    OAuthMailbox other = mailbox;
    other.user = "bob";
    keyring.kept[{other.server, other.user, SecretKind::RefreshToken}] = "rt-bob";
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-1");
    EXPECT_EQ(signIn.AccessToken(other, &keyring), "at-2");
    signIn.Forget(other.server, other.user);
    EXPECT_EQ(signIn.AccessToken(mailbox, &keyring), "at-1");
    EXPECT_EQ(asked, (std::vector<std::string>{kRefresh, "rt-bob"}));
}

TEST_F(OAuthSignInTest, ARotatedRefreshTokenReplacesTheKeptOne) {
    rotated = kRefresh;  // the same one again: nothing to write
    signIn.AccessToken(mailbox, &keyring);
    EXPECT_EQ(keyring.stores, 0);

    rotated = "rt-second";
    signIn.Forget(mailbox.server, mailbox.user);
    signIn.AccessToken(mailbox, &keyring);
    EXPECT_EQ(keyring.stores, 1);
    EXPECT_EQ(keyring.Lookup({mailbox.server, mailbox.user, SecretKind::RefreshToken}),
              "rt-second");
    signIn.Forget(mailbox.server, mailbox.user);
    signIn.AccessToken(mailbox, &keyring);
    EXPECT_EQ(asked.back(), "rt-second");
}

struct FailureCase {
    const char* name;
    void (*arrange)(OAuthSignInTest& test, OAuthMailbox& mailbox, MemoryKeyring& keyring,
                    SecretStore*& given);
    Kind kind;
    const char* text;  // what the error says, in full or in part
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr const char* kNotSignedIn =
    "Mailbox 2 signs in with OAuth2 and has not been signed in: use Sign in... on the General "
    "settings window's Mailboxes page";

class OAuthSignInFailureTest : public OAuthSignInTest,
                               public ::testing::WithParamInterface<FailureCase> {
  public:
    void Refuse(Kind kind, const std::string& text) { refusal.emplace(kind, text); }
};

TEST_P(OAuthSignInFailureTest, SaysWhatToDoWithoutAToken) {
    SecretStore* given = &keyring;
    GetParam().arrange(*this, mailbox, keyring, given);
    std::string text;
    try {
        signIn.AccessToken(mailbox, given);
        ADD_FAILURE() << "no error";
    } catch (const EOAuthError& error) {
        EXPECT_EQ(error.kind(), GetParam().kind);
        text = error.what();
    }
    EXPECT_THAT(text, HasSubstr(GetParam().text));
    EXPECT_THAT(text, Not(HasSubstr(kRefresh)));
    EXPECT_THAT(text, Not(HasSubstr("at-")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OAuthSignInFailureTest,
    ::testing::Values(
        FailureCase{"no-keyring",
                    [](OAuthSignInTest&, OAuthMailbox&, MemoryKeyring&, SecretStore*& given) {
                        given = nullptr;
                    },
                    Kind::SignInAgain, kNotSignedIn},
        FailureCase{"keyring-not-running",
                    [](OAuthSignInTest&, OAuthMailbox&, MemoryKeyring& keyring, SecretStore*&) {
                        keyring.running = false;
                    },
                    Kind::SignInAgain,
                    "page (its sign-in is kept in the desktop keyring, and none is running)"},
        FailureCase{"nothing-kept",
                    [](OAuthSignInTest&, OAuthMailbox&, MemoryKeyring& keyring, SecretStore*&) {
                        keyring.kept.clear();
                    },
                    Kind::SignInAgain, kNotSignedIn},
        FailureCase{"grant-ended",
                    [](OAuthSignInTest& test, OAuthMailbox&, MemoryKeyring&, SecretStore*&) {
                        static_cast<OAuthSignInFailureTest&>(test).Refuse(
                            Kind::SignInAgain, "The authorization server no longer accepts it");
                    },
                    Kind::SignInAgain,
                    "Mailbox 2 signs in with OAuth2 and must be signed in again: use Sign in... "
                    "on the General settings window's Mailboxes page. The authorization server "
                    "no longer accepts it"},
        FailureCase{"endpoint-unreachable",
                    [](OAuthSignInTest& test, OAuthMailbox&, MemoryKeyring&, SecretStore*&) {
                        static_cast<OAuthSignInFailureTest&>(test).Refuse(
                            Kind::Unreachable, "The token endpoint did not answer");
                    },
                    Kind::Unreachable, "The token endpoint did not answer"},
        FailureCase{"no-provider",
                    [](OAuthSignInTest&, OAuthMailbox& mailbox, MemoryKeyring&, SecretStore*&) {
                        mailbox.settings.oauthProvider = "custom";
                    },
                    Kind::Refused, "Mailbox 2 signs in with OAuth2 but names no provider"},
        FailureCase{"no-client-id",
                    [](OAuthSignInTest&, OAuthMailbox& mailbox, MemoryKeyring&, SecretStore*&) {
                        mailbox.settings.oauthClientId.clear();
                    },
                    Kind::Refused, "Mailbox 2 signs in with OAuth2 but has no client id"}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane::checktest

// The first OAuth2 sign-in from the Mailboxes page against the authorization server stand-in:
// the test plays the browser, following the authorization address to the window's loopback
// redirect. The refresh token goes into the keyring and nowhere else.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <functional>
#include <optional>
#include <thread>

#include "GeneralWindowFixture.h"
#include "MailboxSecurity.h"
#include "MemorySecretStore.h"
#include "OAuthStandIn.h"
#include "SmallFile.h"
#include "TokenClient.h"

namespace kelvane {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using testsupport::HttpExchange;
using testsupport::HttpReply;
using testsupport::OAuthStandIn;

// The port and the path with query of "http://127.0.0.1:PORT/path?query".
std::pair<std::uint16_t, std::string> LoopbackTarget(const std::string& url) {
    const std::string rest = url.substr(std::string("http://127.0.0.1:").size());
    const std::size_t slash = rest.find('/');
    return {static_cast<std::uint16_t>(std::stoi(rest.substr(0, slash))), rest.substr(slash)};
}

// `url` with the value of `name` in its query replaced.
std::string WithQueryValue(const std::string& url, const std::string& name,
                           const std::string& value) {
    const std::size_t at = url.find(name + "=");
    const std::size_t end = std::min(url.find('&', at), url.size());
    return url.substr(0, at) + name + "=" + value + url.substr(end);
}

class GeneralOAuthSignInTest : public testsupport::GeneralWindowFixture {
  protected:
    void SetUp() override {
        if (const std::string reason = OAuthStandIn::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no OAuth2 stand-in: " << reason;
        authority_.emplace();
        services_.keyring = &keyring_;
        services_.openBrowser = [this](const std::string& url) {
            browserOpened_ = true;
            browser_ = std::thread([this, url] { playBrowser(url); });
            return true;
        };
        storeAccount(1, {"pop.example.org", "ann", true, "secret", kSecurityImplicit, "", ""});
    }
    void TearDown() override { joinBrowser(); }

    // What a browser does with the authorization address: asks the stand-in, then follows its
    // redirect, changed by `tamper`, to the window.
    void playBrowser(const std::string& url) {
        try {
            const auto [port, target] = LoopbackTarget(url);
            const HttpReply authorized = HttpExchange(port, "GET", target);
            const std::string redirect = tamper_(authorized.headers.at("location"));
            const auto [windowPort, windowTarget] = LoopbackTarget(redirect);
            windowReply_ = HttpExchange(windowPort, "GET", windowTarget);
        } catch (const std::exception& error) {
            browserError_ = error.what();
        }
    }

    void joinBrowser() {
        if (browser_.joinable()) browser_.join();
    }

    // Chooses OAuth2 for mailbox 1 and fills its settings with the stand-in's addresses.
    void chooseOAuth2() {
        child<QComboBox>("cbSignIn1")->setCurrentIndex(1);
        click("btOAuth1");
        auto* provider = child<QComboBox>("cbOAuthProvider");
        provider->setCurrentIndex(provider->findData(QStringLiteral("custom")));
        child<QLineEdit>("edAuthorizeUrl")
            ->setText(QString::fromStdString(authority_->Url("/authorize")));
        child<QLineEdit>("edTokenUrl")->setText(QString::fromStdString(authority_->Url("/token")));
        child<QLineEdit>("edScope")->setText(QStringLiteral("mail"));
        child<QLineEdit>("edClientId")->setText(QString::fromLatin1(OAuthStandIn::kClientId));
    }

    // Signs in (the wait ends when the browser's answer is handled) and closes the dialog.
    void signIn() {
        click("btSignIn");
        joinBrowser();
        click("btOAuthOK");
    }

    std::optional<std::string> keptToken() {
        return keyring_.Lookup({"pop.example.org", "ann", SecretKind::RefreshToken});
    }
    QString secretPlace() { return child<QLabel>("lblSecret1")->text(); }

    std::optional<OAuthStandIn> authority_;
    testsupport::MemorySecretStore keyring_;
    std::function<std::string(const std::string&)> tamper_ = [](const std::string& url) {
        return url;
    };
    std::thread browser_;
    bool browserOpened_ = false;
    HttpReply windowReply_;
    std::string browserError_;
};

TEST_F(GeneralOAuthSignInTest, FirstSignInKeepsTheRefreshTokenInTheKeyringOnly) {
    open();
    EXPECT_TRUE(child<QLineEdit>("edPass1")->isEnabled());
    chooseOAuth2();
    EXPECT_FALSE(child<QLineEdit>("edPass1")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("edPasswordCommand1")->isEnabled());
    EXPECT_EQ(secretPlace(), "not signed in");

    signIn();
    ASSERT_EQ(browserError_, "");
    EXPECT_EQ(windowReply_.status, 200);
    EXPECT_THAT(windowReply_.body, HasSubstr("signed in"));
    ASSERT_THAT(boxes_.shown, IsEmpty());
    const std::optional<std::string> token = keptToken();
    ASSERT_TRUE(token.has_value());
    // A token the provider takes: it refreshes.
    const OAuthTokens fresh =
        RefreshAccessToken({authority_->Url("/token"), OAuthStandIn::kClientId, ""}, *token);
    EXPECT_FALSE(fresh.accessToken.empty());
    EXPECT_EQ(secretPlace(), "token in the desktop keyring");

    click("btOK");
    ASSERT_THAT(boxes_.shown, IsEmpty());
    EXPECT_EQ(store_.ReadInteger(settingkeys::SignInN, 1), 1);
    EXPECT_EQ(store_.ReadString(settingkeys::OAuthProviderN, 1), "custom");
    EXPECT_EQ(store_.ReadString(settingkeys::OAuthTokenUrlN, 1), authority_->Url("/token"));
    EXPECT_EQ(store_.ReadString(settingkeys::OAuthClientIdN, 1), OAuthStandIn::kClientId);
    const std::optional<std::string> file = ReadSmallFile(temp_.File("kelvane.conf"), 1 << 20);
    ASSERT_TRUE(file.has_value());
    EXPECT_THAT(*file, Not(HasSubstr(*token)));

    // Shown again as signed in.
    open();
    EXPECT_EQ(child<QComboBox>("cbSignIn1")->currentIndex(), 1);
    EXPECT_EQ(secretPlace(), "token in the desktop keyring");
}

struct RefusalCase {
    const char* name;
    std::function<std::string(const std::string&)> tamper;
    const char* error;
};

// An answer that is not this sign-in's, or a refusal, ends the sign-in with a plain error and
// nothing redeemed or kept; the error names no code.
TEST_F(GeneralOAuthSignInTest, ForeignOrRefusedAnswerKeepsNothing) {
    const RefusalCase cases[] = {
        {"wrong state",
         [](const std::string& url) { return WithQueryValue(url, "state", "forged"); },
         "its state differs"},
        {"refused",
         [](const std::string& url) {
             return url.substr(0, url.find("code=")) + "error=access_denied";
         },
         "did not allow the sign-in (access_denied)"},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        boxes_.shown.clear();
        std::string code;
        tamper_ = [&c, &code](const std::string& url) {
            code = testsupport::QueryValue(url.substr(url.find('?') + 1), "code");
            return c.tamper(url);
        };
        open();
        chooseOAuth2();
        signIn();
        ASSERT_EQ(browserError_, "");
        ASSERT_EQ(boxes_.shown.size(), 1u);
        EXPECT_THAT(boxes_.shown[0], HasSubstr(c.error));
        EXPECT_THAT(boxes_.shown[0], Not(HasSubstr(code)));
        EXPECT_EQ(keptToken(), std::nullopt);
        EXPECT_EQ(secretPlace(), "not signed in");
    }
    EXPECT_EQ(authority_->Count("token"), 0);
}

TEST_F(GeneralOAuthSignInTest, WithoutAKeyringThereIsNoSignIn) {
    keyring_.running = false;
    open();
    chooseOAuth2();
    click("btSignIn");
    EXPECT_FALSE(browserOpened_);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_THAT(boxes_.shown[0], HasSubstr("OAuth2 needs the desktop keyring"));
    EXPECT_THAT(child<QLabel>("lblOAuthState")->text().toStdString(),
                HasSubstr("No desktop keyring"));
}

TEST_F(GeneralOAuthSignInTest, CancelledWaitKeepsNothingAndSaysNothing) {
    services_.openBrowser = [this](const std::string&) { return browserOpened_ = true; };
    open();
    chooseOAuth2();
    QTimer::singleShot(0, window_.get(), [this] { click("btCancelSignIn"); });
    click("btSignIn");
    EXPECT_TRUE(browserOpened_);
    EXPECT_THAT(boxes_.shown, IsEmpty());
    EXPECT_EQ(keptToken(), std::nullopt);
}

}  // namespace
}  // namespace kelvane

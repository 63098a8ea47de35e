#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "OAuthProviders.h"

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace kelvane {

// Who signs in where: the provider's addresses and the program's registration there.
struct OAuthSignInRequest {
    OAuthProvider provider;
    std::string providerName;  // "google" asks for a refresh token as Google wants it
    std::string clientId;
    std::string clientSecret;
};

// A first OAuth2 sign-in in the system browser: the authorization code flow with PKCE and a
// loopback redirect (RFC 8252), the code redeemed for tokens off the event thread. Everything is
// driven by the event loop; finished() comes once, after which only the refresh token is kept.
// No token, code or verifier ever goes into an error text.
class OAuthBrowserSignIn : public QObject {
    Q_OBJECT

  public:
    // Opens a URL in the user's browser; false when none could be started.
    using OpenBrowser = std::function<bool(const std::string& url)>;

    OAuthBrowserSignIn(OAuthSignInRequest request, OpenBrowser openBrowser,
                       std::chrono::milliseconds patience = std::chrono::minutes(5),
                       QObject* parent = nullptr);
    // Waits for a token request under way, which its own time limit bounds.
    ~OAuthBrowserSignIn() override;

    // Listens on 127.0.0.1 and sends the browser to the provider; finished() may come at once.
    void start();
    // Gives up: finished(false, "") unless it already came.
    void cancel();
    // After finished(true, ...): the refresh token, handed over once.
    std::string takeRefreshToken();

  signals:
    // `error` says why in plain words; empty when the user cancelled.
    void finished(bool ok, const QString& error);

  private:
    void acceptBrowser();
    void readBrowser(QTcpSocket* socket);
    void answerRedirect(QTcpSocket* socket, const QString& target);
    void redeem(std::string code);
    void finish(bool ok, const QString& error);
    std::string authorizationUrl() const;

    OAuthSignInRequest request_;
    OpenBrowser openBrowser_;
    QTcpServer* listener_ = nullptr;
    QTimer* patience_ = nullptr;
    std::string verifier_;
    std::string state_;
    std::string redirectUri_;
    std::string refreshToken_;
    std::thread exchange_;
    bool done_ = false;
};

}  // namespace kelvane

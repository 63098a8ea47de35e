#include "OAuthBrowserSignIn.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <exception>
#include <utility>

#include "DisplayText.h"
#include "OAuthErrors.h"
#include "OAuthPkce.h"
#include "PasswordCipher.h"
#include "TokenClient.h"

namespace kelvane {
namespace {

// A browser's request line and headers; anything larger is no redirect of ours.
constexpr qsizetype kLargestRequest = 16 * 1024;

const char* const kSignedInPage =
    "<!DOCTYPE html><html><body><p>Kelvane is signed in. You can close this page.</p>"
    "</body></html>";
const char* const kFailedPage =
    "<!DOCTYPE html><html><body><p>Kelvane could not sign in; see its window.</p>"
    "</body></html>";

void Reply(QTcpSocket* socket, const char* status, const char* page) {
    const QByteArray body(page);
    socket->write(QByteArray("HTTP/1.1 ") + status +
                  "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
                  "Connection: close\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\n\r\n" + body);
    socket->disconnectFromHost();
}

// An error code from the redirect as RFC 6749 spells them; anything else is not repeated.
QString ErrorCode(const QString& code) {
    for (const QChar c : code) {
        if (!(c.isLetterOrNumber() || c == u'_') || c.unicode() > 127) return {};
    }
    return code.left(64);
}

}  // namespace

OAuthBrowserSignIn::OAuthBrowserSignIn(OAuthSignInRequest request, OpenBrowser openBrowser,
                                       std::chrono::milliseconds patience, QObject* parent)
    : QObject(parent), request_(std::move(request)), openBrowser_(std::move(openBrowser)) {
    patience_ = new QTimer(this);
    patience_->setSingleShot(true);
    patience_->setInterval(patience);
    connect(patience_, &QTimer::timeout, this, [this] {
        finish(false, tr("No answer came from the browser in time; nothing was stored. Sign in "
                         "again when you are ready."));
    });
}

OAuthBrowserSignIn::~OAuthBrowserSignIn() {
    if (exchange_.joinable()) exchange_.join();
    ForgetSecret(verifier_);
    ForgetSecret(refreshToken_);
}

void OAuthBrowserSignIn::start() {
    listener_ = new QTcpServer(this);
    if (!listener_->listen(QHostAddress::LocalHost, 0)) {
        finish(false, tr("Kelvane could not listen on 127.0.0.1 for the browser's answer: %1")
                          .arg(listener_->errorString()));
        return;
    }
    connect(listener_, &QTcpServer::newConnection, this, &OAuthBrowserSignIn::acceptBrowser);
    verifier_ = NewPkceVerifier();
    state_ = NewOAuthState();
    redirectUri_ = "http://127.0.0.1:" + std::to_string(listener_->serverPort()) + "/";
    patience_->start();
    if (!openBrowser_(authorizationUrl())) {
        finish(false, tr("The web browser could not be opened to sign in."));
    }
}

std::string OAuthBrowserSignIn::authorizationUrl() const {
    QUrl url(QString::fromStdString(request_.provider.authorizeUrl));
    QUrlQuery query(url);
    query.addQueryItem("response_type", "code");
    query.addQueryItem("client_id", QString::fromStdString(request_.clientId));
    query.addQueryItem("redirect_uri", QString::fromStdString(redirectUri_));
    query.addQueryItem("scope", QString::fromStdString(request_.provider.scope));
    query.addQueryItem("state", QString::fromStdString(state_));
    query.addQueryItem("code_challenge", QString::fromStdString(PkceChallenge(verifier_)));
    query.addQueryItem("code_challenge_method", "S256");
    if (request_.providerName == "google") {
        // Google gives a refresh token only when asked for offline use, and again only after
        // the user's consent.
        query.addQueryItem("access_type", "offline");
        query.addQueryItem("prompt", "consent");
    }
    // Encoded fully, so that a '+' in the state or scope reaches the provider as itself.
    QString encoded;
    for (const auto& [name, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (!encoded.isEmpty()) encoded += u'&';
        encoded += QString::fromLatin1(QUrl::toPercentEncoding(name)) + u'=' +
                   QString::fromLatin1(QUrl::toPercentEncoding(value));
    }
    url.setQuery(encoded, QUrl::StrictMode);
    return url.toString(QUrl::FullyEncoded).toStdString();
}

void OAuthBrowserSignIn::cancel() {
    finish(false, QString());
}

std::string OAuthBrowserSignIn::takeRefreshToken() {
    return std::exchange(refreshToken_, std::string());
}

void OAuthBrowserSignIn::acceptBrowser() {
    while (QTcpSocket* socket = listener_->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readBrowser(socket); });
    }
}

void OAuthBrowserSignIn::readBrowser(QTcpSocket* socket) {
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    if (head.size() > kLargestRequest) {
        head.fill('\0');
        socket->setProperty("head", QByteArray());
        socket->abort();
        return;
    }
    if (!head.contains("\r\n\r\n")) {
        socket->setProperty("head", head);
        return;
    }
    socket->setProperty("head", QByteArray());
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    head.fill('\0');
    if (requestLine.size() != 3 || requestLine[0] != "GET") {
        Reply(socket, "405 Method Not Allowed", kFailedPage);
        return;
    }
    answerRedirect(socket, QString::fromLatin1(requestLine[1]));
}

// Only the redirect's own path counts: a browser also asks for icons and the like.
void OAuthBrowserSignIn::answerRedirect(QTcpSocket* socket, const QString& target) {
    const QUrl url(QStringLiteral("http://127.0.0.1") + target);
    if (done_ || exchange_.joinable() || url.path() != QStringLiteral("/")) {
        Reply(socket, "404 Not Found", kFailedPage);
        return;
    }
    const QUrlQuery query(url);
    const std::string state = query.queryItemValue("state", QUrl::FullyDecoded).toStdString();
    const QString error = query.queryItemValue("error", QUrl::FullyDecoded);
    std::string code = query.queryItemValue("code", QUrl::FullyDecoded).toStdString();
    if (state != state_) {
        ForgetSecret(code);
        Reply(socket, "400 Bad Request", kFailedPage);
        finish(false, tr("The browser's answer does not belong to this sign-in (its state "
                         "differs); nothing was stored. Sign in again."));
    } else if (!error.isEmpty() || code.empty()) {
        Reply(socket, "200 OK", kFailedPage);
        const QString named = ErrorCode(error);
        finish(false, tr("The provider did not allow the sign-in%1; nothing was stored.")
                          .arg(named.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(named)));
    } else {
        Reply(socket, "200 OK", kSignedInPage);
        redeem(std::move(code));
    }
}

// The token request waits on the network, so it runs beside the event loop; its result comes
// back as a queued call, which the destructor's join makes safe.
void OAuthBrowserSignIn::redeem(std::string code) {
    patience_->stop();
    listener_->close();
    const OAuthClient client{request_.provider.tokenUrl, request_.clientId, request_.clientSecret};
    // The thread has its own copy of the verifier, which a cancel must not wipe under it.
    exchange_ = std::thread([this, client, code = std::move(code),
                             verifier = std::exchange(verifier_, std::string()),
                             redirectUri = redirectUri_]() mutable {
        std::string refreshToken;
        QString error;
        try {
            OAuthTokens tokens = ExchangeCode(client, code, verifier, redirectUri);
            ForgetSecret(tokens.accessToken);
            refreshToken = std::move(tokens.refreshToken);
            if (refreshToken.empty()) {
                error =
                    tr("The provider gave no refresh token, so Kelvane could not stay signed "
                       "in; nothing was stored.");
            }
        } catch (const EOAuthError& failure) {
            error = QString::fromStdString(SafeDisplayText(failure.what()));
        } catch (const std::exception&) {
            error = tr("The token request failed; nothing was stored.");
        }
        ForgetSecret(code);
        ForgetSecret(verifier);
        QMetaObject::invokeMethod(
            this,
            [this, refreshToken = std::move(refreshToken), error]() mutable {
                if (!done_ && error.isEmpty()) refreshToken_ = std::move(refreshToken);
                ForgetSecret(refreshToken);
                finish(error.isEmpty(), error);
            },
            Qt::QueuedConnection);
    });
}

void OAuthBrowserSignIn::finish(bool ok, const QString& error) {
    if (done_) return;
    done_ = true;
    patience_->stop();
    if (listener_ != nullptr) listener_->close();
    ForgetSecret(verifier_);
    if (!ok) ForgetSecret(refreshToken_);
    emit finished(ok, error);
}

}  // namespace kelvane

#include "SingleInstance.h"

#include <unistd.h>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

namespace kelvane {
namespace {

constexpr int kWaitMilliseconds = 1000;
const QByteArray kShowRequest = QByteArrayLiteral("show\n");

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultName(const QString& settingsFile) {
    const QByteArray store =
        QCryptographicHash::hash(settingsFile.toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(12);
    return QStringLiteral("kelvane-%1-%2").arg(::getuid()).arg(QString::fromLatin1(store));
}

bool SingleInstance::tryBecomeFirst() {
    if (askFirstCopy()) return false;
    server_ = new QLocalServer(this);
    // Only this user may knock.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Nobody answered on it, so the socket is a dead copy's leftover.
        QLocalServer::removeServer(name_);
        server_->listen(name_);
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::answerLaterCopy);
    return true;
}

bool SingleInstance::askFirstCopy() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kWaitMilliseconds)) return false;
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kWaitMilliseconds);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::answerLaterCopy() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().startsWith(kShowRequest.trimmed())) emit showRequested();
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

}  // namespace kelvane

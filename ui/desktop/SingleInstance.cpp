#include "SingleInstance.h"

#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <iostream>

namespace kelvane {
namespace {

constexpr int kConnectMilliseconds = 1000;
// How long a later copy waits for the lock's holder to listen (it may be starting too).
constexpr int kAnswerMilliseconds = 5000;
constexpr unsigned long kRetryMilliseconds = 20;
const QByteArray kShowRequest = QByteArrayLiteral("show\n");

QString ErrnoText(const QString& path) {
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
}

// A link, a folder of another user or one that others may enter could hold a socket or lock
// that a stranger put there.
QString FolderProblem(const QString& folder) {
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0) return ErrnoText(folder);
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 077) != 0)
        return QStringLiteral("%1 is not a folder of this user's alone").arg(folder);
    return {};
}

void SayWhyUnguarded(const QString& problem) {
    std::cerr << "Kelvane: not checking for another running copy: " << problem.toStdString()
              << '\n';
}

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : SingleInstance(std::move(name), QString(), ::geteuid(), parent) {}

SingleInstance::SingleInstance(QString name, QString folder, uid_t user, QObject* parent)
    : QObject(parent), name_(std::move(name)), folder_(std::move(folder)), user_(user) {}

// The socket goes before the lock: once the lock is free the next copy may make its own.
SingleInstance::~SingleInstance() {
    delete server_;
    if (lockFd_ >= 0) ::close(lockFd_);
}

QString SingleInstance::DefaultName(const QString& settingsFile) {
    const QByteArray store =
        QCryptographicHash::hash(settingsFile.toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(12);
    return QStringLiteral("kelvane-%1-%2").arg(::getuid()).arg(QString::fromLatin1(store));
}

QString SingleInstance::SocketFolder(QString* problem) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && FolderProblem(runtime).isEmpty())
        return QDir::cleanPath(runtime);
    // None set, or one that is not this user's (sudo keeps the caller's): a folder of our own
    // in the temporary folder, which the sticky bit keeps others from replacing.
    QString temp = QDir::tempPath();
    if (temp.isEmpty()) temp = QStringLiteral("/tmp");  // a TMPDIR that does not exist
    const QString folder = temp + QStringLiteral("/kelvane-%1").arg(::geteuid());
    QString wrong;
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        wrong = ErrnoText(folder);
    else
        wrong = FolderProblem(folder);
    if (problem) *problem = wrong;
    return wrong.isEmpty() ? folder : QString();
}

bool SingleInstance::tryBecomeFirst() {
    QString problem;
    if (!Setup(problem)) {
        SayWhyUnguarded(problem);
        return true;
    }
    const QDeadlineTimer deadline(kAnswerMilliseconds);
    for (;;) {
        const Lock lock = TakeLock(problem);
        if (lock == Lock::Taken && Listen(problem)) return true;
        if (lock != Lock::Busy) break;
        const Answer answer = AskFirstCopy();
        if (answer == Answer::Shown) return false;
        if (answer == Answer::Stranger) {
            problem =
                QStringLiteral("the program answering on %1 belongs to another user").arg(path_);
            break;
        }
        if (deadline.hasExpired()) {
            problem = QStringLiteral("the copy that holds %1.lock does not answer").arg(path_);
            break;
        }
        QThread::msleep(kRetryMilliseconds);
    }
    SayWhyUnguarded(problem);
    return true;
}

bool SingleInstance::Setup(QString& problem) {
    if (folder_.isEmpty())
        folder_ = SocketFolder(&problem);
    else
        problem = FolderProblem(folder_);
    if (!problem.isEmpty()) return false;
    path_ = folder_ + QLatin1Char('/') + name_;
    const QString lockPath = path_ + QStringLiteral(".lock");
    try {
        lockFd_ = OpenRegularFile(QFile::encodeName(lockPath).toStdString(),
                                  O_RDWR | O_CREAT | O_CLOEXEC, kPrivateFileMode);
    } catch (const FileError& error) {
        problem = QString::fromStdString(error.what());
        return false;
    }
    return true;
}

SingleInstance::Lock SingleInstance::TakeLock(QString& problem) {
    int result;
    do result = ::flock(lockFd_, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0) return Lock::Taken;
    if (errno == EWOULDBLOCK) return Lock::Busy;
    problem = ErrnoText(path_ + QStringLiteral(".lock"));
    return Lock::Failed;
}

// Only the lock's holder gets here, so a socket already there is a crashed copy's leftover.
bool SingleInstance::Listen(QString& problem) {
    QLocalServer::removeServer(path_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (server_->listen(path_)) {
        connect(server_, &QLocalServer::newConnection, this, &SingleInstance::answerLaterCopy);
        return true;
    }
    problem = QStringLiteral("%1: %2").arg(path_, server_->errorString());
    delete server_;
    server_ = nullptr;
    // Later copies need not wait for a socket that will never be.
    ::close(lockFd_);
    lockFd_ = -1;
    return false;
}

SingleInstance::Answer SingleInstance::AskFirstCopy() {
    QLocalSocket socket;
    socket.connectToServer(path_);
    if (!socket.waitForConnected(kConnectMilliseconds)) return Answer::Nobody;
    if (!BelongsToUser(socket)) {
        socket.abort();
        return Answer::Stranger;
    }
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kConnectMilliseconds);
    socket.disconnectFromServer();
    return Answer::Shown;
}

bool SingleInstance::BelongsToUser(const QLocalSocket& socket) const {
    ucred peer{};
    socklen_t size = sizeof peer;
    const auto descriptor = static_cast<int>(socket.socketDescriptor());
    return ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           size == sizeof peer && peer.uid == user_;
}

void SingleInstance::answerLaterCopy() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!BelongsToUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().startsWith(kShowRequest.trimmed())) emit showRequested();
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

}  // namespace kelvane

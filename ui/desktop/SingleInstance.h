#pragma once

#include <sys/types.h>
#include <unistd.h>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace kelvane {

// One copy of the program per user: the first copy listens on a local socket named for the
// user; a later copy finds it there, asks it to show itself and ends.
//
// The socket and its lock file live in the user's private runtime folder. The copy that holds
// the lock (for its whole life) owns the socket name: it alone may remove a socket left by a
// copy that crashed, so two copies starting together cannot remove each other's. Either side
// believes the other only when the peer's user id is the user's own.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    // `name` names the socket: DefaultName for the program.
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    // `folder` holds the socket (empty: SocketFolder), `user` is the user id whose copies are
    // believed (another one in tests stands for a stranger).
    SingleInstance(QString name, QString folder, uid_t user, QObject* parent = nullptr);
    ~SingleInstance() override;

    // One per user and settings store, so that a throwaway store (the demo) runs beside the
    // user's own copy.
    static QString DefaultName(const QString& settingsFile = {});
    // $XDG_RUNTIME_DIR when it is the user's alone, else the user's own folder "kelvane-UID" in
    // the temporary folder, made on first use. Empty, with `problem` set, when that one is not
    // the user's alone either (a link, another owner, open to others).
    static QString SocketFolder(QString* problem = nullptr);

    // True when this is the first copy, which then listens; false when another copy answered
    // and was asked to show itself. When the guard cannot work safely (a folder others can
    // write, a stranger answering) it says why on standard error and lets this copy run.
    bool tryBecomeFirst();

  signals:
    // A later copy asked this one to come forward.
    void showRequested();

  private:
    enum class Lock { Taken, Busy, Failed };
    enum class Answer { Shown, Nobody, Stranger };

    bool Setup(QString& problem);
    Lock TakeLock(QString& problem);
    bool Listen(QString& problem);
    Answer AskFirstCopy();
    bool BelongsToUser(const QLocalSocket& socket) const;
    void answerLaterCopy();

    QString name_;
    QString folder_;
    uid_t user_;
    QString path_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
};

}  // namespace kelvane

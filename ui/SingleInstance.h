#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace kelvane {

// One copy of the program per user: the first copy listens on a local socket named for the
// user; a later copy finds it there, asks it to show itself and ends.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    // `name` names the socket: DefaultName for the program.
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // One per user and settings store, so that a throwaway store (the demo) runs beside the
    // user's own copy.
    static QString DefaultName(const QString& settingsFile = {});
    // True when this is the first copy, which then listens; false when another copy answered
    // and was asked to show itself. A socket left by a copy that crashed is taken over.
    bool tryBecomeFirst();

  signals:
    // A later copy asked this one to come forward.
    void showRequested();

  private:
    bool askFirstCopy();
    void answerLaterCopy();

    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace kelvane

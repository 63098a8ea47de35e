#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace kelvane {

// The program's icon in the notification area: its tooltip, the animation while unattended
// checking is on, and the right-click menu popTray. Its owner connects the menu's actions, found
// by their names (Show1, Exit1, ...).
class TrayIcon : public QObject {
    Q_OBJECT

  public:
    static constexpr int kLongestHint = 63;

    explicit TrayIcon(QObject* parent = nullptr, int animationMilliseconds = 1000);
    ~TrayIcon() override;

    // Shown in the notification area; a desktop without one shows nothing.
    void setActive(bool active);
    bool active() const { return active_; }
    // The tooltip: the first 63 characters of `hint`.
    void setHint(const QString& hint);
    QString hint() const;
    // The two animation pictures in turn, from the first, while on; the program's icon otherwise.
    void setAnimated(bool animated);
    bool animated() const { return animated_; }
    // 0 for the normal icon, 1 and 2 for the animation pictures.
    int picture() const { return picture_; }
    // Off while a check talks to a server: the menu cannot be opened then.
    void setAutoPopup(bool autoPopup);
    bool autoPopup() const { return autoPopup_; }

    QMenu& menu() { return *menu_; }
    QAction* action(const char* name) const;
    // Adds "Deleted junk..." (DeletedJunk1) to the settings below "General", once the program
    // has that window; the same entry on later calls.
    QAction* offerDeletedJunk();
    // "Enable automatic check" or "Disable automatic check" checked.
    void setAutomaticChecked(bool on);

  signals:
    // The menu is about to open (the alarm stops).
    void menuOpening();

  private:
    void createMenu();
    QAction* addAction(QMenu* menu, const char* name, const QString& caption);
    void nextPicture();
    void showPicture(int picture);

    QSystemTrayIcon* icon_ = nullptr;
    QMenu* menu_ = nullptr;
    QTimer* animation_ = nullptr;
    QIcon pictures_[3];
    int picture_ = 0;
    bool active_ = false;
    bool animated_ = false;
    bool autoPopup_ = true;
};

}  // namespace kelvane

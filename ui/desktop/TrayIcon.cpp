#include "TrayIcon.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

// The pictures live in a static library, so their resource file has to be pulled in by name.
static void LoadTrayResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(tray);
        return true;
    }();
    (void)loaded;
}

namespace kelvane {

TrayIcon::TrayIcon(QObject* parent, int animationMilliseconds) : QObject(parent) {
    LoadTrayResources();
    pictures_[0] = QIcon(QStringLiteral(":/tray/normal.svg"));
    pictures_[1] = QIcon(QStringLiteral(":/tray/anim1.svg"));
    pictures_[2] = QIcon(QStringLiteral(":/tray/anim2.svg"));
    icon_ = new QSystemTrayIcon(pictures_[0], this);
    icon_->setToolTip(tr("Kelvane (right click)"));
    animation_ = new QTimer(this);
    animation_->setInterval(animationMilliseconds);
    connect(animation_, &QTimer::timeout, this, &TrayIcon::nextPicture);
    createMenu();
    icon_->setContextMenu(menu_);
}

TrayIcon::~TrayIcon() {
    // The menu has no parent while the icon lends it out.
    icon_->setContextMenu(nullptr);
    delete menu_;
}

void TrayIcon::createMenu() {
    menu_ = new QMenu;
    menu_->setObjectName(QStringLiteral("popTray"));
    connect(menu_, &QMenu::aboutToShow, this, &TrayIcon::menuOpening);
    addAction(menu_, "Show1", tr("Check e-mail for spam"));
    addAction(menu_, "LaunchEmailprogram1", tr("Launch e-mail program"));
    menu_->addSeparator()->setObjectName(QStringLiteral("Hide1"));
    addAction(menu_, "ShowMainScreen1", tr("Main screen"));
    QMenu* settings = menu_->addMenu(tr("Settings"));
    settings->menuAction()->setObjectName(QStringLiteral("Settings1"));
    addAction(settings, "Spam1", tr("Spam"));
    addAction(settings, "General1", tr("General"));
    addAction(settings, "Viewlogfile1", tr("View log file"));
    addAction(menu_, "Statistics1", tr("Statistics"));
    menu_->addSeparator()->setObjectName(QStringLiteral("N4"));
    auto* modes = new QActionGroup(menu_);
    for (const auto& [name, caption] :
         {std::pair{"EnableAutomatic1", tr("Enable automatic check")},
          std::pair{"DisableAutomatic1", tr("Disable automatic check")}}) {
        QAction* mode = addAction(menu_, name, caption);
        mode->setCheckable(true);
        modes->addAction(mode);
    }
    setAutomaticChecked(false);
    menu_->addSeparator()->setObjectName(QStringLiteral("N3"));
    QMenu* help = menu_->addMenu(tr("Help/Info"));
    help->menuAction()->setObjectName(QStringLiteral("Help1"));
    addAction(help, "Help2", tr("Help"));
    addAction(help, "About1", tr("About"));
    menu_->addSeparator()->setObjectName(QStringLiteral("N5"));
    addAction(menu_, "Exit1", tr("Exit"));
}

QAction* TrayIcon::addAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* added = menu->addAction(caption);
    added->setObjectName(QLatin1String(name));
    return added;
}

QAction* TrayIcon::offerDeletedJunk() {
    if (QAction* offered = action("DeletedJunk1")) return offered;
    QAction* general = action("General1");
    QMenu* settings = qobject_cast<QMenu*>(general->parent());
    auto* entry = new QAction(tr("Deleted junk..."), settings);
    entry->setObjectName(QStringLiteral("DeletedJunk1"));
    settings->insertAction(action("Viewlogfile1"), entry);
    return entry;
}

QAction* TrayIcon::action(const char* name) const {
    return menu_->findChild<QAction*>(QLatin1String(name));
}

void TrayIcon::setAutomaticChecked(bool on) {
    action(on ? "EnableAutomatic1" : "DisableAutomatic1")->setChecked(true);
}

void TrayIcon::setActive(bool active) {
    active_ = active;
    icon_->setVisible(active);
}

void TrayIcon::setHint(const QString& hint) {
    icon_->setToolTip(hint.left(kLongestHint));
}

QString TrayIcon::hint() const {
    return icon_->toolTip();
}

void TrayIcon::setAnimated(bool animated) {
    if (animated == animated_) return;
    animated_ = animated;
    if (animated) {
        showPicture(1);
        animation_->start();
    } else {
        animation_->stop();
        showPicture(0);
    }
}

void TrayIcon::nextPicture() {
    showPicture(picture_ == 1 ? 2 : 1);
}

void TrayIcon::showPicture(int picture) {
    picture_ = picture;
    icon_->setIcon(pictures_[picture]);
}

void TrayIcon::setAutoPopup(bool autoPopup) {
    autoPopup_ = autoPopup;
    icon_->setContextMenu(autoPopup ? menu_ : nullptr);
}

}  // namespace kelvane

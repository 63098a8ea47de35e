#include "TfrmMain.h"

#include "CheckRun.h"
#include "GatedConnect.h"
#include "GeneralErrorHandler.h"
#include "MarkPictures.h"
#include "MessageBoxes.h"
#include "MessageListModel.h"
#include "TfrmAbout.h"
#include "TfrmRetrieving.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace kelvane {

namespace {

using Column = MessageListModel::Column;

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kelvane"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(createTitleRow());
    layout->addWidget(createButtonRow());
    layout->addWidget(createMessageList(), 1);
    setCentralWidget(central);
    createStatusBar();

    // Wide enough for the four columns, and for the full button row so that the window does not
    // grow by itself once messages are listed.
    setMessageButtonsVisible(true);
    ensurePolished();
    resize(minimumSizeHint().expandedTo(QSize(760, 420)));
    setMinimumSize(476, 70);
    enableAllButtons();
    gate_.setRunProbe([this] { return run_ != nullptr && run_->running(); });
    // An error escaping a command is shown, never left to end the program in the event loop.
    gate_.setGuard([this](const CommandGate::Action& action) {
        if (boxes_ != nullptr)
            RunGuarded(*boxes_, action);
        else
            RunGuarded(this, action);
    });
    gate_.setPoster(
        [this](CommandGate::Action action) { QTimer::singleShot(0, this, std::move(action)); });
    gate_.setRefusalShower([this](Command, Blocker blocker) {
        const std::string text = RefusalText(blocker);
        if (!text.empty()) setStatusText(QString::fromStdString(text));
    });
    // The letter shortcuts reach the window before whichever of its controls has the focus.
    qApp->installEventFilter(this);
}

void TfrmMain::setTitle(const QString& title) {
    setWindowTitle(title);
    lblTitle_->setText(title);
}

void TfrmMain::hideTitleMark() {
    lblTitleMark_->hide();
}

void TfrmMain::showApplication() {
    // After the current event, so that a menu or a run that asked for it has finished with it.
    QTimer::singleShot(0, this, [this] {
        showNormal();
        raise();
        activateWindow();
        if (progressWaiting_ && busy_) progressWindow().show();
        progressWaiting_ = false;
    });
}

void TfrmMain::setTrayActive(bool active) {
    trayActive_ = active;
}

void TfrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Minimised with an icon in the tray, the program goes to the tray instead.
    if (event->type() == QEvent::WindowStateChange && trayActive_ && isMinimized()) {
        QTimer::singleShot(0, this, &TfrmMain::hideApplication);
    }
}

void TfrmMain::disableAllButtons() {
    btList_->setEnabled(false);
    btOptions_->setEnabled(false);
    setMessageButtonsVisible(false);
    setExitButtonBusy(true);
}

void TfrmMain::enableAllButtons() {
    const bool listed = messages_->rowCount() > 0;
    btList_->setEnabled(run_ != nullptr);
    btList_->setIcon(CheckButtonIcon(!listed));
    btOptions_->setEnabled(true);
    setMessageButtonsVisible(listed);
    setExitButtonBusy(false);
}

// While a run is busy the third button stops it instead of ending the program.
void TfrmMain::setExitButtonBusy(bool busy) {
    if (busy != busy_) emit busyChanged(busy);
    busy_ = busy;
    const QString idle = startedInTray_ ? tr("&Hide") : tr("E&xit");
    btExit_->setText(busy ? tr("Cancel") : idle);
    btExit_->setIcon(busy ? StopIcon() : QIcon());
}

void TfrmMain::setMessageButtonsVisible(bool visible) {
    // The tagline leaves before the buttons come, so that the row never asks for room for both
    // and the window does not widen on the way.
    if (visible) lblAd_->hide();
    for (QPushButton* button : {btMark_, btDelete_, btResetAll_, btRemark_, btLaunch_}) {
        button->setVisible(visible);
    }
    if (!visible) lblAd_->show();
}

void TfrmMain::setStatusText(const QString& text) {
    pnlStatus_->setText(text);
}

MarkState TfrmMain::rowMark(int row) const {
    const QVariant mark = messages_->index(row, Column::kSubject).data(MessageListModel::kMarkRole);
    return mark.isValid() ? mark.toInt() : kNoMark;
}

void TfrmMain::attachRun(CheckRun& run, MessageBoxes& boxes) {
    run_ = &run;
    boxes_ = &boxes;
    btList_->setToolTip(QString());
    connectRunCommands();
    enableAllButtons();
}

void TfrmMain::setGeneralSettingsOpener(std::function<void()> open) {
    openGeneralSettings_ = std::move(open);
    generalSettings_->setVisible(static_cast<bool>(openGeneralSettings_));
}

void TfrmMain::setSpamSettingsOpener(std::function<void()> open) {
    openSpamSettings_ = std::move(open);
    spamSettings_->setVisible(static_cast<bool>(openSpamSettings_));
}

void TfrmMain::setStatisticsOpener(std::function<void()> open) {
    openStatistics_ = std::move(open);
    statistics_->setVisible(static_cast<bool>(openStatistics_));
}

void TfrmMain::setHelpOpener(std::function<void()> open) {
    openHelp_ = std::move(open);
    help_->setVisible(static_cast<bool>(openHelp_));
}

void TfrmMain::setStartedInTray(bool inTray) {
    startedInTray_ = inTray;
    setExitButtonBusy(busy_);
}

// Every window goes, so that only the tray icon is left to bring the program back. Without an
// icon in the tray there would be no way back: the window is only minimised then.
void TfrmMain::hideApplication() {
    if (!trayActive_) {
        showMinimized();
        return;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == this || !window->isVisible()) continue;
        // Closing the progress window would cancel the run it shows.
        if (window == progress_) {
            progress_->hide();
            progressWaiting_ = true;
        } else {
            window->close();
        }
    }
    hide();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // The run logs out of a session it kept open; it reports a failure and closes regardless.
    if (run_) RunGuarded(*boxes_, [this] { run_->EndSession(); });
    QMainWindow::closeEvent(event);
}

void TfrmMain::showRows(const std::vector<MessageEntry>* rows) {
    messages_->setRows(rows);
}

TfrmRetrieving& TfrmMain::progressWindow() {
    if (!progress_) progress_ = new TfrmRetrieving(this);
    return *progress_;
}

void TfrmMain::showProgressFor(const QString& title, const QString& userName,
                               const QString& server) {
    TfrmRetrieving& progress = progressWindow();
    if (trayActive_ && isHidden()) {
        progress.setHeading(title, userName, server);
        progressWaiting_ = true;
        return;
    }
    progress.showFor(title, userName, server);
}

void TfrmMain::hideProgressWindow() {
    progressWaiting_ = false;
    progressWindow().hide();
}

void TfrmMain::showAbout() {
    if (openAbout_) {
        openAbout_();
        return;
    }
    TfrmAbout about(this);
    about.exec();
}

}  // namespace kelvane

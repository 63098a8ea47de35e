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
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtMath>
#include <algorithm>

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

QWidget* TfrmMain::createTitleRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    lblTitle_ = new QLabel(windowTitle(), row);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblTitle_->setTextFormat(Qt::PlainText);
    QFont large = lblTitle_->font();
    large.setPointSizeF(large.pointSizeF() * 1.4);
    large.setBold(true);
    lblTitle_->setFont(large);
    layout->addWidget(lblTitle_);
    lblTitleMark_ = new QLabel(QStringLiteral("TM"), row);
    lblTitleMark_->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(lblTitleMark_, 0, Qt::AlignTop);
    layout->addStretch(1);
    return row;
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

QTreeView* TfrmMain::createMessageList() {
    messages_ = new MessageListModel(this);
    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("ListView1"));
    list_->setModel(messages_);
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    // Rows of one height let the view lay out thousands of them without measuring each.
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSortingEnabled(false);
    list_->setIconSize(QSize(16, 16));
    listMenu_ = createListMenu();

    QHeaderView* header = list_->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    // Stretching would override the Date width; the spare room stays blank instead.
    header->setStretchLastSection(false);
    header->resizeSection(Column::kSubject, 220);
    header->resizeSection(Column::kSender, 200);
    header->resizeSection(Column::kSize, 60);
    header->resizeSection(Column::kDate, 130);

    connect(messages_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { widenDateColumn(first, last); });
    connect(messages_, &QAbstractItemModel::modelReset, this,
            [this] { widenDateColumn(0, messages_->rowCount() - 1); });
    return list_;
}

// The date's form is the desktop's, so its width is known only once it is there; the column
// grows to fit rather than cut it off, and never shrinks under the user. Measured with the font
// alone, as the delegate's own measure costs too much for every row of a large mailbox.
void TfrmMain::widenDateColumn(int first, int last) {
    const QFontMetricsF metrics(list_->font());
    // A cell's text keeps this far from both of its edges (QCommonStyle's item text margin).
    const int margin =
        list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1;
    int needed = list_->columnWidth(Column::kDate);
    for (int row = first; row <= last; ++row) {
        const QString text = messages_->index(row, Column::kDate).data().toString();
        needed = std::max(needed, qCeil(metrics.horizontalAdvance(text)) + 2 * margin);
    }
    if (needed > list_->columnWidth(Column::kDate)) list_->setColumnWidth(Column::kDate, needed);
}

QWidget* TfrmMain::createButtonRow() {
    auto* rowWidget = new QWidget(this);
    auto* row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(0, 0, 0, 0);

    btList_ = addButton(row, "btList", tr("&Check e-mail"));
    btMark_ = addButton(row, "btMark", tr("&Mark msgs"));
    btDelete_ = addButton(row, "btDelete", tr("&Delete marked msgs"));
    btExit_ = addButton(row, "btExit", tr("E&xit"));
    btOptions_ = addButton(row, "btOptions", tr("&Settings && Stats"));
    btResetAll_ = addButton(row, "btResetAll", tr("&Reset all marks"));
    btRemark_ = addButton(row, "btRemark", tr("&Auto mark msgs"));
    btLaunch_ = addButton(row, "btLaunch", tr("&Launch e-mail program"));

    lblAd_ = new QLabel(tagline(), rowWidget);
    lblAd_->setObjectName(QStringLiteral("lblAd"));
    lblAd_->setAlignment(Qt::AlignCenter);
    row->addWidget(lblAd_, 1);
    // Takes the tagline's room when it is hidden, so the buttons keep their natural width.
    row->addStretch();

    // The picture counts in the window's width, so it is there before the window is sized.
    btList_->setIcon(CheckButtonIcon(true));
    // Until a run is attached there is nothing to check with.
    btList_->setToolTip(tr("Checking mail is not available in this version yet"));
    MarkGated(btExit_, "Exit");
    connect(btExit_, &QPushButton::clicked, this,
            [this] { request(busy_ ? Command::Cancel : Command::Exit); });
    createOptionsMenu();
    return rowWidget;
}

QPushButton* TfrmMain::addButton(QHBoxLayout* row, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, row->parentWidget());
    button->setObjectName(QLatin1String(name));
    row->addWidget(button);
    return button;
}

// Only commands whose windows exist are offered.
void TfrmMain::createOptionsMenu() {
    auto* menu = new QMenu(btOptions_);
    menu->setObjectName(QStringLiteral("mnuOptions"));
    spamSettings_ = menu->addAction(tr("S&pam settings"));
    spamSettings_->setObjectName(QStringLiteral("SpamSettings1"));
    spamSettings_->setVisible(false);
    ConnectGated(gate_, spamSettings_, Command::SpamSettings,
                 [this] { perform(Command::SpamSettings); });
    generalSettings_ = menu->addAction(tr("&General settings"));
    generalSettings_->setObjectName(QStringLiteral("GeneralSettings1"));
    generalSettings_->setVisible(false);
    ConnectGated(gate_, generalSettings_, Command::GeneralSettings,
                 [this] { perform(Command::GeneralSettings); });
    help_ = menu->addAction(tr("&Help"));
    help_->setObjectName(QStringLiteral("Help1"));
    help_->setVisible(false);
    ConnectGated(gate_, help_, Command::Help, [this] { perform(Command::Help); });
    QAction* about = menu->addAction(tr("A&bout"));
    about->setObjectName(QStringLiteral("About1"));
    ConnectGated(gate_, about, Command::About, [this] { perform(Command::About); });
    statistics_ = menu->addAction(tr("S&tats"));
    statistics_->setObjectName(QStringLiteral("Stats1"));
    statistics_->setVisible(false);
    ConnectGated(gate_, statistics_, Command::Statistics, [this] { perform(Command::Statistics); });
    btOptions_->setMenu(menu);
}

void TfrmMain::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));

    auto* hint = new QLabel(tr("Right click for more options, double click to mark"), bar);
    hint->setObjectName(QStringLiteral("pnlHint"));
    hint->setFixedWidth(300);
    bar->addWidget(hint);

    pnlStatus_ = new QLabel(bar);
    pnlStatus_->setObjectName(QStringLiteral("pnlStatus"));
    // Statuses carry subjects and server replies, which are never markup.
    pnlStatus_->setTextFormat(Qt::PlainText);
    bar->addWidget(pnlStatus_, 1);
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

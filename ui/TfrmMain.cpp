#include "TfrmMain.h"

#include "CheckRun.h"
#include "GeneralErrorHandler.h"
#include "MarkPictures.h"
#include "MessageBoxes.h"
#include "RightAlignDelegate.h"
#include "ShownText.h"
#include "TfrmAbout.h"
#include "TfrmRetrieving.h"
#include "TmsRemotePOP.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>

namespace kelvane {

namespace {

enum Column { kSubject, kSender, kSize, kDate };

constexpr int kMarkRole = Qt::UserRole;

// A row without a picture keeps the picture's room empty so that its subject lines up with the
// others.
QIcon RowMarkIcon(MarkState mark) {
    const QIcon icon = MarkIcon(mark);
    if (!icon.isNull()) return icon;
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kelvane"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(createButtonRow());
    layout->addWidget(createMessageList(), 1);
    setCentralWidget(central);
    createStatusBar();

    // Wide enough for the four columns, and for the full button row so that the window does not
    // grow by itself once messages are listed.
    setMessageButtonsVisible(true);
    ensurePolished();
    resize(minimumSizeHint().expandedTo(QSize(760, 420)));
    enableAllButtons();
}

QTreeWidget* TfrmMain::createMessageList() {
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("ListView1"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSortingEnabled(false);
    list_->setIconSize(QSize(16, 16));
    list_->setHeaderLabels({tr("Subject"), tr("Sender"), tr("Size"), tr("Date")});
    list_->headerItem()->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
    list_->setItemDelegateForColumn(kSize, new RightAlignDelegate(list_));

    QHeaderView* header = list_->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    // Stretching would override the Date width; the spare room stays blank instead.
    header->setStretchLastSection(false);
    header->resizeSection(kSubject, 220);
    header->resizeSection(kSender, 200);
    header->resizeSection(kSize, 60);
    header->resizeSection(kDate, 130);
    return list_;
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
    connect(btExit_, &QPushButton::clicked, this, &TfrmMain::exitClicked);
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
    QAction* about = menu->addAction(tr("A&bout"));
    about->setObjectName(QStringLiteral("About1"));
    connect(about, &QAction::triggered, this, &TfrmMain::showAbout);
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
    const bool listed = list_->topLevelItemCount() > 0;
    btList_->setEnabled(run_ != nullptr);
    btList_->setIcon(CheckButtonIcon(!listed));
    btOptions_->setEnabled(true);
    setMessageButtonsVisible(listed);
    setExitButtonBusy(false);
}

// While a run is busy the third button stops it instead of ending the program.
void TfrmMain::setExitButtonBusy(bool busy) {
    busy_ = busy;
    const QString idle = startedInTray_ ? tr("&Hide") : tr("E&xit");
    btExit_->setText(busy ? tr("Cancel") : idle);
    btExit_->setIcon(busy ? StopIcon() : QIcon());
}

void TfrmMain::setMessageButtonsVisible(bool visible) {
    // The tagline leaves before the buttons come, so that the row never asks for room for both
    // and the window does not widen on the way.
    if (visible) lblAd_->hide();
    for (QPushButton* button : {btMark_, btResetAll_, btLaunch_, btDelete_, btRemark_}) {
        button->setVisible(visible);
    }
    if (!visible) lblAd_->show();
}

void TfrmMain::setStatusText(const QString& text) {
    pnlStatus_->setText(text);
}

void TfrmMain::setRowMark(int row, MarkState mark) {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    if (!item) return;
    item->setData(kSubject, kMarkRole, mark);
    item->setIcon(kSubject, RowMarkIcon(mark));
}

MarkState TfrmMain::rowMark(int row) const {
    const QTreeWidgetItem* item = list_->topLevelItem(row);
    if (!item) return kNoMark;
    const QVariant mark = item->data(kSubject, kMarkRole);
    return mark.isValid() ? mark.toInt() : kNoMark;
}

void TfrmMain::attachRun(CheckRun& run, TmsRemotePOP& client, MessageBoxes& boxes) {
    run_ = &run;
    client_ = &client;
    boxes_ = &boxes;
    btList_->setToolTip(QString());
    connectRunCommands();
    enableAllButtons();
}

void TfrmMain::connectRunCommands() {
    connect(btList_, &QPushButton::clicked, this, &TfrmMain::checkClicked);
    connect(btDelete_, &QPushButton::clicked, this, &TfrmMain::deleteClicked);
    connect(btRemark_, &QPushButton::clicked, this, &TfrmMain::autoMarkClicked);
    connect(&progressWindow(), &TfrmRetrieving::cancelClicked, this, [this] { run_->Cancel(); });
}

void TfrmMain::checkClicked() {
    RunGuarded(*boxes_, [this] { run_->Check(); });
}

void TfrmMain::deleteClicked() {
    RunGuarded(*boxes_, [this] { run_->Delete(); });
}

void TfrmMain::autoMarkClicked() {
    RunGuarded(*boxes_, [this] { run_->AutoMark(); });
}

void TfrmMain::exitClicked() {
    if (busy_ && run_)
        run_->Cancel();
    else if (startedInTray_)
        hideApplication();
    else
        close();
}

void TfrmMain::setStartedInTray(bool inTray) {
    startedInTray_ = inTray;
    setExitButtonBusy(busy_);
}

// Until the program has a tray icon to come back from, hiding minimises, so the window can
// always be brought back from the task bar.
void TfrmMain::hideApplication() {
    showMinimized();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (client_ && client_->Connected()) {
        // A server that has gone away must not keep the window open.
        try {
            client_->Disconnect();
        } catch (const std::exception&) {
            client_->Close();
        }
    }
    QMainWindow::closeEvent(event);
}

void TfrmMain::showRows(const std::vector<MessageEntry>& rows) {
    list_->clear();
    for (const MessageEntry& row : rows) {
        auto* item = new QTreeWidgetItem({ShownText(row.subject), ShownText(row.sender),
                                          ShownText(row.size), ShownText(row.date)});
        list_->addTopLevelItem(item);
        setRowMark(list_->topLevelItemCount() - 1, row.mark);
    }
}

TfrmRetrieving& TfrmMain::progressWindow() {
    if (!progress_) progress_ = new TfrmRetrieving(this);
    return *progress_;
}

void TfrmMain::showAbout() {
    TfrmAbout about(this);
    about.exec();
}

}  // namespace kelvane

// The main window's controls built: the title row, the command buttons, the options menu, the
// message list and the status bar.
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

#include "GatedConnect.h"
#include "MarkPictures.h"
#include "MessageListModel.h"
#include "TfrmAbout.h"
#include "TfrmMain.h"

namespace kelvane {
namespace {

using Column = MessageListModel::Column;

}  // namespace

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
// alone, once per form of date, as the delegate's own measure, or even the font's for every
// row, costs too much for a large mailbox.
void TfrmMain::widenDateColumn(int first, int last) {
    const QFont font = list_->font();
    // A cell's text keeps this far from both of its edges (QCommonStyle's item text margin).
    const int margin =
        list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1;
    int needed = list_->columnWidth(Column::kDate);
    for (int row = first; row <= last; ++row) {
        const QString text = messages_->index(row, Column::kDate).data().toString();
        needed = std::max(needed, dateWidths_.width(font, text) + 2 * margin);
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

void TfrmMain::setDeletedJunkOpener(std::function<void()> open) {
    openDeletedJunk_ = std::move(open);
    if (!deletedJunk_) {
        deletedJunk_ = new QAction(tr("&Deleted junk..."), btOptions_->menu());
        deletedJunk_->setObjectName(QStringLiteral("DeletedJunk1"));
        btOptions_->menu()->insertAction(help_, deletedJunk_);
        ConnectGated(gate_, deletedJunk_, Command::DeletedJunk,
                     [this] { perform(Command::DeletedJunk); });
    }
    deletedJunk_->setVisible(static_cast<bool>(openDeletedJunk_));
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

}  // namespace kelvane

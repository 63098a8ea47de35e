// The Deleted junk window built: the filter, the list over the quarantine, the panes of the
// selected message and the command row.
#include "TfrmDeletedJunk.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <exception>

#include "DeletedJunkActions.h"
#include "DeletedJunkModel.h"
#include "GatedConnect.h"
#include "Quarantine.h"
#include "ShownText.h"

namespace kelvane {
namespace {

using Column = DeletedJunkModel::Column;

void SetLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) shown << ShownText(line);
    memo->setPlainText(shown.join(QLatin1Char('\n')));
    memo->moveCursor(QTextCursor::Start);
}

}  // namespace

TfrmDeletedJunk::TfrmDeletedJunk(Quarantine& quarantine, SpamSettings& spam, CommandGate& gate,
                                 MessageBoxes& boxes, DeletedJunkServices services, QWidget* parent)
    : QDialog(parent),
      quarantine_(quarantine),
      spam_(spam),
      boxes_(boxes),
      services_(std::move(services)) {
    CompleteDeletedJunkServices(services_, this);
    setObjectName(QStringLiteral("frmDeletedJunk"));
    setWindowTitle(tr("Deleted junk"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createFilterRow());
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("splDeleted"));
    split->setChildrenCollapsible(false);
    split->addWidget(createList());
    split->addWidget(createDetails());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);
    layout->addWidget(createCommandRow(gate));
    resize(1100, 700);
    showDetails(std::nullopt);
}

TfrmDeletedJunk::~TfrmDeletedJunk() = default;

QWidget* TfrmDeletedJunk::createFilterRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(tr("&Filter:"), row);
    layout->addWidget(label);
    edFilter_ = new QLineEdit(row);
    edFilter_->setObjectName(QStringLiteral("edFilter"));
    edFilter_->setPlaceholderText(tr("Subject, sender, mailbox or date"));
    edFilter_->setClearButtonEnabled(true);
    label->setBuddy(edFilter_);
    layout->addWidget(edFilter_, 1);
    lblCount_ = new QLabel(row);
    lblCount_->setObjectName(QStringLiteral("lblCount"));
    layout->addWidget(lblCount_);
    connect(edFilter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        filtered_->setFilterFixedString(text);
        showCount();
        showSelected();
    });
    return row;
}

QTreeView* TfrmDeletedJunk::createList() {
    model_ = new DeletedJunkModel(this);
    // The filter reads the cells as shown, so that it finds what the user sees.
    filtered_ = new QSortFilterProxyModel(this);
    filtered_->setSourceModel(model_);
    filtered_->setFilterKeyColumn(-1);
    filtered_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    filtered_->setSortRole(DeletedJunkModel::kSortRole);
    filtered_->setSortCaseSensitivity(Qt::CaseInsensitive);

    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("lvDeleted"));
    list_->setModel(filtered_);
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setIconSize(QSize(16, 16));
    list_->setSortingEnabled(true);
    list_->sortByColumn(Column::kDeleted, Qt::DescendingOrder);
    QHeaderView* header = list_->header();
    header->setStretchLastSection(true);
    header->resizeSection(Column::kSubject, 280);
    header->resizeSection(Column::kSender, 200);
    header->resizeSection(Column::kSize, 70);
    header->resizeSection(Column::kDate, 140);
    header->resizeSection(Column::kMailbox, 240);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { showSelected(); });
    return list_;
}

QWidget* TfrmDeletedJunk::createDetails() {
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    lblPartial_ = new QLabel(pane);
    lblPartial_->setObjectName(QStringLiteral("lblPartial"));
    lblPartial_->setTextFormat(Qt::PlainText);
    lblPartial_->setWordWrap(true);
    layout->addWidget(lblPartial_);
    details_ = new QTabWidget(pane);
    details_->setObjectName(QStringLiteral("pgDetails"));
    layout->addWidget(details_, 1);
    memoReasons_ = addDetailPage("memoReasons", tr("&Why it was marked"));
    memoHeaders_ = addDetailPage("memoHeaders", tr("&Headers"));
    memoBody_ = addDetailPage("memoBody", tr("&Body"));
    return pane;
}

// Read only, as the list's text viewer: the text can be selected and copied, never typed into.
QPlainTextEdit* TfrmDeletedJunk::addDetailPage(const char* name, const QString& caption) {
    auto* memo = new QPlainTextEdit(details_);
    memo->setObjectName(QLatin1String(name));
    memo->setReadOnly(true);
    memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Unwrapped, as in the viewer: a body of one long line would take seconds to wrap.
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    details_->addTab(memo, caption);
    return memo;
}

QWidget* TfrmDeletedJunk::createCommandRow(CommandGate& gate) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto add = [row, layout](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, row);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        layout->addWidget(button);
        return button;
    };
    btRestore_ = add("btRestore", tr("&Restore..."));
    btNeverMarkSender_ = add("btNeverMarkSender", tr("Ne&ver mark this sender again"));
    btRemoveNow_ = add("btRemoveNow", tr("Remove &now"));
    ConnectGated(gate, btRestore_, Command::RestoreDeleted, [this] { restoreClicked(); });
    ConnectGated(gate, btNeverMarkSender_, Command::NeverMarkSender,
                 [this] { neverMarkSenderClicked(); });
    ConnectGated(gate, btRemoveNow_, Command::RemoveDeleted, [this] { removeNowClicked(); });
    lblStatus_ = new QLabel(row);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setTextFormat(Qt::PlainText);
    layout->addWidget(lblStatus_, 1);
    QPushButton* close = add("btClose", tr("&Close"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    return row;
}

void TfrmDeletedJunk::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    reload();
}

void TfrmDeletedJunk::reload() {
    const std::optional<KeptMessage> selected = selectedMessage();
    std::vector<KeptMessage> listed;
    try {
        listed = quarantine_.List();
    } catch (const std::exception& error) {
        showStatus(ShownText(error.what()));
    }
    model_->setMessages(std::move(listed));
    if (selected) select(selected->id);
    if (!list_->selectionModel()->hasSelection() && filtered_->rowCount() > 0) {
        const QModelIndex first = filtered_->index(0, 0);
        list_->selectionModel()->setCurrentIndex(
            first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    showCount();
    showSelected();
}

void TfrmDeletedJunk::select(const std::string& id) {
    const int row = model_->rowOf(id);
    if (row < 0) return;
    const QModelIndex shown = filtered_->mapFromSource(model_->index(row, 0));
    if (!shown.isValid()) return;
    list_->selectionModel()->setCurrentIndex(
        shown, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollTo(shown);
}

void TfrmDeletedJunk::showStatus(const QString& text) {
    lblStatus_->setText(text);
}

void TfrmDeletedJunk::showCount() {
    const int all = model_->rowCount();
    const int shown = filtered_->rowCount();
    const QString total = all == 1 ? tr("1 deleted message") : tr("%1 deleted messages").arg(all);
    lblCount_->setText(shown == all ? total : tr("%1 of %2").arg(shown).arg(total));
}

std::optional<KeptMessage> TfrmDeletedJunk::selectedMessage() const {
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    const KeptMessage* kept = model_->message(filtered_->mapToSource(rows.first()).row());
    if (!kept) return std::nullopt;
    return *kept;
}

void TfrmDeletedJunk::showSelected() {
    if (showing_) {
        showAgain_ = true;
        return;
    }
    showing_ = true;
    do {
        showAgain_ = false;
        showDetails(selectedMessage());
    } while (showAgain_);
    showing_ = false;
}

void TfrmDeletedJunk::showDetails(const std::optional<KeptMessage>& kept) {
    for (QPushButton* command : {btRestore_, btNeverMarkSender_, btRemoveNow_})
        command->setEnabled(kept.has_value());
    lblPartial_->setVisible(kept && !kept->whole);
    if (!kept) {
        for (QPlainTextEdit* memo : {memoReasons_, memoHeaders_, memoBody_}) memo->clear();
        return;
    }
    if (!kept->whole) {
        lblPartial_->setText(tr("Only the header block and the start of the body of this message "
                                "were kept: %1 of %2 bytes.")
                                 .arg(kept->keptSize)
                                 .arg(kept->originalSize));
    }
    SetLines(memoReasons_, KeptReasonLines(*kept));
    std::optional<std::string> message;
    try {
        message = quarantine_.Message(kept->id);
    } catch (const std::exception&) {
        // Shown below as gone; the next reload lists what is there.
    }
    if (!message) {
        const std::vector<std::string> gone{"This message is no longer kept."};
        SetLines(memoHeaders_, gone);
        SetLines(memoBody_, gone);
        return;
    }
    SetLines(memoHeaders_, KeptHeaderLines(*message));
    SetLines(memoBody_, KeptBodyLines(std::move(*message)));
}

}  // namespace kelvane

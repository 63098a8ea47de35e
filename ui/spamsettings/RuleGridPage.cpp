#include "RuleGridPage.h"

#include "MessageBoxes.h"
#include "RuleGridEditing.h"
#include "RuleTableModel.h"
#include "RuleTableOperations.h"
#include "RuleTablePrinting.h"
#include "SpamSettings.h"
#include "TablePrinting.h"
#include "TfrmImportSpam.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace kelvane {

namespace {

std::optional<std::vector<std::string>> AskImportLines(QWidget* parent, const QString& title) {
    TfrmImportSpam dialog(parent);
    dialog.setTitle(title);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.lines();
}

QPushButton* AddButton(QBoxLayout* row, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, row->parentWidget());
    button->setObjectName(QLatin1String(name));
    row->addWidget(button);
    return button;
}

}  // namespace

RuleGridPage::RuleGridPage(SpamSettings& spam, RuleTableKind kind, const Texts& texts,
                           RuleEditor edit, MessageBoxes& boxes, QWidget* parent)
    : QWidget(parent),
      spam_(spam),
      kind_(kind),
      texts_(texts),
      edit_(std::move(edit)),
      boxes_(boxes) {
    askLines_ = [this](const QString& title) { return AskImportLines(this, title); };
    askPrinter_ = [this](QPrinter& printer) { return AskTablePrinter(this, printer); };
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(texts.explanation, this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(texts.conditions, this));
    countRow->addStretch();
    count_ = new QLabel(this);
    count_->setObjectName(QLatin1String(texts.countName));
    countRow->addWidget(count_);
    layout->addLayout(countRow);

    model_ = new RuleTableModel(spam, kind, this);
    grid_ = new QTableView(this);
    grid_->setObjectName(QLatin1String(texts.gridName));
    grid_->setModel(model_);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                           QAbstractItemView::SelectedClicked);
    grid_->setShowGrid(false);
    grid_->horizontalHeader()->setSectionsClickable(true);
    // Sorted once, ascending, by the columns that allow it; the order then stays as the user
    // arranges it with the arrows.
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { model_->sort(column, Qt::AscendingOrder); });
    connect(grid_, &QAbstractItemView::doubleClicked, this, &RuleGridPage::editClicked);
    connect(model_, &QAbstractItemModel::modelReset, this, &RuleGridPage::updateCount);
    grid_->installEventFilter(this);
    auto* gridRow = new QHBoxLayout;
    gridRow->addWidget(grid_, 1);
    auto* arrows = new QVBoxLayout;
    QPushButton* up = AddButton(arrows, "btUp", QString());
    up->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    up->setToolTip(tr("Move item up one row"));
    QPushButton* down = AddButton(arrows, "btDown", QString());
    down->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    down->setToolTip(tr("Move item down one row"));
    arrows->addStretch();
    connect(up, &QPushButton::clicked, this, [this] { moveClicked(true); });
    connect(down, &QPushButton::clicked, this, [this] { moveClicked(false); });
    gridRow->addLayout(arrows);
    layout->addLayout(gridRow, 1);
    layout->addWidget(createButtons());
    updateCount();
}

QWidget* RuleGridPage::createButtons() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(AddButton(layout, "btInsert", tr("&Insert")), &QPushButton::clicked, this,
            &RuleGridPage::insertClicked);
    connect(AddButton(layout, "btDelete", tr("&Delete")), &QPushButton::clicked, this,
            &RuleGridPage::deleteClicked);
    connect(AddButton(layout, "btEdit", tr("&Edit")), &QPushButton::clicked, this,
            &RuleGridPage::editClicked);
    connect(AddButton(layout, "btPrint", tr("&Print")), &QPushButton::clicked, this,
            &RuleGridPage::printClicked);
    if (texts_.offersImport) {
        connect(AddButton(layout, "btImport", tr("I&mport")), &QPushButton::clicked, this,
                &RuleGridPage::importClicked);
    }
    layout->addStretch();
    return row;
}

int RuleGridPage::currentRow() const {
    const QModelIndex current = grid_->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void RuleGridPage::selectRow(int row) {
    if (row < 1 || row > model_->rowCount()) return;
    grid_->setCurrentIndex(model_->index(row - 1, std::max(0, grid_->currentIndex().column())));
    grid_->selectRow(row - 1);
}

void RuleGridPage::reload() {
    model_->reload();
}

void RuleGridPage::updateCount() {
    count_->setText(QString::number(RuleCountShown(model_->table())));
}

void RuleGridPage::insertClicked() {
    const int current = currentRow();
    if (edit_(model_->table(), current, true)) {
        model_->reload();
        selectRow(std::max(1, current));
    }
}

void RuleGridPage::sayNothingSelected() {
    // The sender page has always said so in a plain box.
    if (kind_ == RuleTableKind::Sender)
        boxes_.Information("Error: nothing selected to edit");
    else
        boxes_.Error("Error: nothing selected to edit");
}

void RuleGridPage::editClicked() {
    const int current = currentRow();
    if (current == 0 || model_->table().cell(1, current).empty()) {
        sayNothingSelected();
        return;
    }
    if (edit_(model_->table(), current, false)) {
        model_->reload();
        selectRow(current);
    }
}

void RuleGridPage::deleteClicked() {
    const int current = currentRow();
    if (current == 0) {
        sayNothingSelected();
        return;
    }
    DeleteRule(model_->table(), current);
    model_->reload();
    selectRow(std::min(current, model_->rowCount()));
}

void RuleGridPage::moveClicked(bool up) {
    const int current = currentRow();
    if (current == 0) return;
    const int moved =
        up ? MoveRuleUp(model_->table(), current) : MoveRuleDown(model_->table(), current);
    if (moved == current) return;
    model_->reload();
    selectRow(moved);
}

void RuleGridPage::printClicked() {
    QPrinter printer;
    if (!askPrinter_(printer)) return;
    PrintRuleTable(printer, model_->table(), texts_.printTitle);
}

void RuleGridPage::importClicked() {
    const std::optional<std::vector<std::string>> lines = askLines_(texts_.importTitle);
    if (!lines) return;
    RuleRow (*makeRule)(std::string_view) =
        kind_ == RuleTableKind::Subject ? SubjectKeywordRule : ExceptionAddressRule;
    for (const std::string& line : *lines) ImportRuleLine(model_->table(), line, makeRule);
    model_->reload();
    for (const std::string& problem : spam_.Savesettings(SaveMode::EditedKeepingHits))
        boxes_.Error(problem);
}

// The Delete key removes a rule but never the last one; the clipboard keys work on one cell.
bool RuleGridPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched != grid_ || event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
        if (model_->rowCount() > 1 && currentRow() > 0) deleteClicked();
        return true;
    }
    return clipboardKey(*key) || QWidget::eventFilter(watched, event);
}

bool RuleGridPage::clipboardKey(const QKeyEvent& key) {
    const QModelIndex current = grid_->currentIndex();
    if (!current.isValid()) return false;
    QClipboard* clipboard = QApplication::clipboard();
    if (key.matches(QKeySequence::Copy) || key.matches(QKeySequence::Cut)) {
        clipboard->setText(current.data(Qt::EditRole).toString());
        if (key.matches(QKeySequence::Cut)) model_->setData(current, QString(), Qt::EditRole);
        return true;
    }
    if (key.matches(QKeySequence::Paste)) {
        model_->setData(current, clipboard->text(), Qt::EditRole);
        return true;
    }
    return false;
}

}  // namespace kelvane

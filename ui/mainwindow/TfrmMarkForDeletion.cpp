#include "TfrmMarkForDeletion.h"

#include "ShownText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace kelvane {

TfrmMarkForDeletion::TfrmMarkForDeletion(const std::vector<SpamCandidate>& candidates,
                                         QWidget* parent)
    : QDialog(parent), candidates_(candidates) {
    setObjectName(QStringLiteral("frmMarkForDeletion"));
    setWindowTitle(tr("Mark e-mail for deletion"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Mark these messages to delete"), this));
    layout->addWidget(createTable(), 1);

    cbSubject_ = new QCheckBox(tr("Always &delete mail with these particular subject headings"));
    cbSubject_->setObjectName(QStringLiteral("cbSubject"));
    cbSubject_->setChecked(true);
    layout->addWidget(cbSubject_);
    cbFrom_ = new QCheckBox(tr("&Always delete mail from these particular senders"));
    cbFrom_->setObjectName(QStringLiteral("cbFrom"));
    cbFrom_->setChecked(true);
    layout->addWidget(cbFrom_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QTableView* TfrmMarkForDeletion::createTable() {
    model_ = new QStandardItemModel(static_cast<int>(candidates_.size()), 2, this);
    model_->setHorizontalHeaderLabels({tr("Subject"), tr("From")});
    for (int row = 0; row < model_->rowCount(); ++row) {
        const SpamCandidate& candidate = candidates_[static_cast<std::size_t>(row)];
        model_->setItem(row, 0, new QStandardItem(ShownText(candidate.subject)));
        model_->setItem(row, 1, new QStandardItem(ShownText(candidate.sender)));
    }
    auto* table = new QTableView(this);
    table->setObjectName(QStringLiteral("StringGrid1"));
    table->setModel(model_);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->setColumnWidth(0, 248);
    table->setColumnWidth(1, 302);
    table->setMinimumWidth(248 + 302 + 24);
    return table;
}

bool TfrmMarkForDeletion::bySubject() const {
    return cbSubject_->isChecked();
}

bool TfrmMarkForDeletion::bySender() const {
    return cbFrom_->isChecked();
}

}  // namespace kelvane

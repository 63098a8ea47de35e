#include "TfrmInternet.h"

#include "RuleDialogParts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace kelvane {

namespace {

QStandardItem* Item(std::string_view text) {
    return new QStandardItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace

TfrmInternet::TfrmInternet(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInternet"));
    setWindowTitle(tr("Internet WWW Country Suffixes"));
    auto* layout = new QVBoxLayout(this);

    model_ = new QStandardItemModel(0, 2, this);
    model_->setHorizontalHeaderLabels({tr("Abbreviation"), tr("Country")});
    for (const CountrySuffix& entry : CountrySuffixes()) {
        model_->appendRow({Item(entry.code), Item(entry.name)});
    }
    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("ListView1"));
    list_->setModel(model_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setCurrentIndex(model_->index(0, 0));
    connect(list_, &QAbstractItemView::doubleClicked, this, &TfrmInternet::choose);
    layout->addWidget(list_, 1);
    auto* note = new QLabel(
        tr("You may block e-mail from a particular country by selecting one from the list above."),
        this);
    note->setWordWrap(true);
    layout->addWidget(note);

    QDialogButtonBox* buttons = OkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmInternet::choose);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(380, 420);
}

void TfrmInternet::choose() {
    const int row = list_->currentIndex().row();
    if (row < 0) return;
    chosen_ = CountrySuffixes()[static_cast<std::size_t>(row)];
    accept();
}

}  // namespace kelvane

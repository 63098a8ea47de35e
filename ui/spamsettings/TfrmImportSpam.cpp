#include "TfrmImportSpam.h"

#include "RuleDialogFields.h"
#include "RuleDialogParts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace kelvane {

TfrmImportSpam::TfrmImportSpam(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmImportSpam"));
    setWindowTitle(tr("Import new keywords"));
    auto* layout = new QVBoxLayout(this);
    lblTitle_ = new QLabel(tr("Import spam keywords"), this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    layout->addWidget(lblTitle_);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memo_, 1);
    auto* explanation = new QLabel(
        tr("A quick way to enter new SPAM subject keywords is to paste them into the box above or "
           "type them in.  They should be entered one per line.  This will allow you to quickly "
           "expand the number of keywords that Kelvane searches for."),
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, 360);
}

void TfrmImportSpam::setTitle(const QString& title) {
    lblTitle_->setText(title);
}

std::vector<std::string> TfrmImportSpam::lines() const {
    std::vector<std::string> all;
    for (const QString& line : memo_->toPlainText().split(QLatin1Char('\n'))) {
        all.push_back(line.toStdString());
    }
    return DropRepeatedLines(all);
}

}  // namespace kelvane

#include "TfrmWhichMailbox.h"

#include "MessageBoxes.h"
#include "ShownText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvane {

TfrmWhichMailbox::TfrmWhichMailbox(const std::vector<MailboxChoice>& choices, int current,
                                   MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), boxes_(boxes), chosen_(current) {
    setObjectName(QStringLiteral("frmWhichMailbox"));
    setWindowTitle(tr("Which Mail Box?"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Which mailbox do you wish to check?"), this));
    cbWhich_ = new QComboBox(this);
    cbWhich_->setObjectName(QStringLiteral("cbWhich"));
    cbWhich_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    layout->addWidget(cbWhich_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmWhichMailbox::okClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    fillList(choices, current);
}

void TfrmWhichMailbox::fillList(const std::vector<MailboxChoice>& choices, int current) {
    int preselected = -1;
    for (const MailboxChoice& choice : choices) {
        if (choice.mailbox == current) preselected = cbWhich_->count();
        cbWhich_->addItem(ShownText(choice.text), choice.mailbox);
    }
    cbWhich_->setCurrentIndex(preselected);
}

void TfrmWhichMailbox::okClicked() {
    if (cbWhich_->currentIndex() < 0) {
        boxes_.Error("Mailbox not selected.");
        return;
    }
    // The number comes with the entry: its text is for reading and need not start with it.
    chosen_ = cbWhich_->currentData().toInt();
    accept();
}

}  // namespace kelvane

// The spam settings pages that are not rule grids: sizes, the known spammers, valid domains and
// the deleted messages kept.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "KeptMessageFile.h"
#include "MarkPictures.h"
#include "MessageBoxes.h"
#include "SpamOptions.h"
#include "TfrmOptionsMain.h"

namespace kelvane {
namespace {

QLabel* Wrapped(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLabel* Picture(MarkState mark, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(MarkPixmap(mark));
    return label;
}

QSpinBox* Spin(const char* name, int maximum, const QString& suffix, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(1, maximum);
    spin->setSuffix(suffix);
    return spin;
}

QRadioButton* Radio(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

}  // namespace

QWidget* TfrmOptionsMain::createSizePage() {
    auto* page = new QWidget(this);
    auto* layout = new QGridLayout(page);
    layout->addWidget(Wrapped(tr("Note: Only messages with a check mark will be deleted.  The "
                                 "question mark is to notify you of a potential spam message to "
                                 "delete."),
                              page),
                      0, 0, 1, 8);
    const auto addRow = [&](int row, const char* boxName, const QString& caption,
                            const char* numberName, int maximum, int step, const char* checkName,
                            const char* questionName, QCheckBox*& box, QSpinBox*& number,
                            QRadioButton*& check, QRadioButton*& question) {
        box = new QCheckBox(caption, page);
        box->setObjectName(QLatin1String(boxName));
        number = new QSpinBox(page);
        number->setObjectName(QLatin1String(numberName));
        number->setRange(0, maximum);
        number->setSingleStep(step);
        check = Radio(checkName, tr("check mark"), page);
        question = Radio(questionName, tr("question"), page);
        auto* group = new QButtonGroup(page);
        group->addButton(check);
        group->addButton(question);
        layout->addWidget(box, row, 0);
        layout->addWidget(number, row, 1);
        layout->addWidget(new QLabel(tr("bytes, "), page), row, 2);
        layout->addWidget(new QLabel(tr("then mark the message with a"), page), row, 3);
        layout->addWidget(check, row, 4);
        layout->addWidget(Picture(kCheckMark, page), row, 5);
        layout->addWidget(question, row, 6);
        layout->addWidget(Picture(kQuestionMark, page), row, 7);
        connect(box, &QCheckBox::clicked, this, &TfrmOptionsMain::applySizeEnabling);
    };
    addRow(1, "cbSmaller", tr("If the message size is smaller than"), "nSmaller",
           SpamOptions::kSmallerMax, 1, "rbSmallerCheck", "rbSmallerQuestion", cbSmaller_,
           nSmaller_, rbSmallerCheck_, rbSmallerQuestion_);
    addRow(2, "cbLarger", tr("If the message size is larger than"), "nLarger",
           SpamOptions::kLargerMax, 100, "rbLargerCheck", "rbLargerQuestion", cbLarger_, nLarger_,
           rbLargerCheck_, rbLargerQuestion_);
    layout->setRowStretch(3, 1);
    return page;
}

void TfrmOptionsMain::applySizeEnabling() {
    for (QWidget* field : {static_cast<QWidget*>(nSmaller_), static_cast<QWidget*>(rbSmallerCheck_),
                           static_cast<QWidget*>(rbSmallerQuestion_)}) {
        field->setEnabled(cbSmaller_->isChecked());
    }
    for (QWidget* field : {static_cast<QWidget*>(nLarger_), static_cast<QWidget*>(rbLargerCheck_),
                           static_cast<QWidget*>(rbLargerQuestion_)}) {
        field->setEnabled(cbLarger_->isChecked());
    }
}

QWidget* TfrmOptionsMain::createBlackListPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Spammers"), page));
    top->addStretch();
    lblSpamCount_ = new QLabel(page);
    lblSpamCount_->setObjectName(QStringLiteral("lblSpamCount"));
    top->addWidget(lblSpamCount_);
    layout->addLayout(top);
    layout->addWidget(Wrapped(
        tr("This is an editable list of the e-mail addresses and domain names of known spammers "
           "collected from various public sources on the internet.   You may add or delete from "
           "this list."),
        page));
    auto* compare = new QHBoxLayout;
    cbKnownSpammers_ = new QCheckBox(
        tr("Compare e-mail with this list of known spammers. Will be marked with :"), page);
    cbKnownSpammers_->setObjectName(QStringLiteral("cbKnownSpammers"));
    compare->addWidget(cbKnownSpammers_);
    compare->addWidget(Picture(kBlacklistMark, page));
    compare->addStretch();
    layout->addLayout(compare);
    memo1_ = new QPlainTextEdit(page);
    memo1_->setObjectName(QStringLiteral("memo1"));
    memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memo1_, 1);
    pnlKnown_ = new QLabel(page);
    pnlKnown_->setObjectName(QStringLiteral("pnlKnown"));
    pnlKnown_->hide();
    layout->addWidget(pnlKnown_);
    auto* buttons = new QHBoxLayout;
    const auto add = [&](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, page);
        button->setObjectName(QLatin1String(name));
        buttons->addWidget(button);
        return button;
    };
    btKnownEdit_ = add("btEditKnown", tr("&Edit"));
    btKnownSave_ = add("btSaveKnown", tr("&Save"));
    btKnownCancel_ = add("btCancelKnown", tr("Cancel"));
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(btKnownEdit_, &QPushButton::clicked, this, &TfrmOptionsMain::editKnownClicked);
    connect(btKnownSave_, &QPushButton::clicked, this, &TfrmOptionsMain::saveKnownClicked);
    connect(btKnownCancel_, &QPushButton::clicked, this, &TfrmOptionsMain::cancelKnownClicked);
    return page;
}

QWidget* TfrmOptionsMain::createValidDomainsPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Wrapped(tr("Kelvane can check the \"reply-to\" field for valid domain "
                                 "names.  Often invalid domain names are good indicators that the "
                                 "e-mail is indeed junk."),
                              page));
    layout->addWidget(Wrapped(tr("The domain name is the part of the address after the at sign: "
                                 "in ann@mail.example.org it is mail.example.org."),
                              page));
    cbValid_ =
        new QCheckBox(tr("Check for valid domain names within the senders e-mail address?"), page);
    cbValid_->setObjectName(QStringLiteral("cbValid"));
    layout->addWidget(cbValid_);
    pnlValid_ = new QWidget(page);
    pnlValid_->setObjectName(QStringLiteral("pnlValid"));
    auto* panel = new QGridLayout(pnlValid_);
    panel->addWidget(
        new QLabel(tr("If the domain name is invalid or unknown mark the message with:"),
                   pnlValid_),
        0, 0, 1, 4);
    rbCheck_ = Radio("rbCheck", tr("&check mark"), pnlValid_);
    rbQuestion_ = Radio("rbQuestion", tr("&question mark"), pnlValid_);
    panel->addWidget(Picture(kCheckMark, pnlValid_), 1, 0);
    panel->addWidget(rbCheck_, 1, 1);
    panel->addWidget(Picture(kQuestionMark, pnlValid_), 1, 2);
    panel->addWidget(rbQuestion_, 1, 3);
    panel->addWidget(
        new QLabel(tr("Note: Only messages with a check mark will be deleted."), pnlValid_), 2, 0,
        1, 4);
    edUnknown_ = new QLabel(pnlValid_);
    edUnknown_->setObjectName(QStringLiteral("edUnknown"));
    panel->addWidget(edUnknown_, 3, 0);
    panel->addWidget(new QLabel(tr("unknown domains have been detected"), pnlValid_), 3, 1, 1, 2);
    auto* reset = new QPushButton(tr("Reset counter"), pnlValid_);
    reset->setObjectName(QStringLiteral("btResetUnknown"));
    panel->addWidget(reset, 3, 3);
    connect(reset, &QPushButton::clicked, this, &TfrmOptionsMain::resetUnknownClicked);
    layout->addWidget(pnlValid_);
    layout->addStretch();
    connect(cbValid_, &QCheckBox::toggled, pnlValid_, &QWidget::setVisible);
    return page;
}

// The limits are the spam options' own; the window that lists what is kept is elsewhere.
QWidget* TfrmOptionsMain::createDeletedMessagesPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Wrapped(tr("Before Kelvane deletes a message on the server, it downloads it "
                                 "and keeps a copy, so that a message deleted by mistake can be "
                                 "restored from the \"Deleted junk\" window. While this is on, "
                                 "a message that cannot be kept is not deleted."),
                              page));
    chKeepDeleted_ = new QCheckBox(tr("&Keep deleted messages"), page);
    chKeepDeleted_->setObjectName(QStringLiteral("chKeepDeleted"));
    layout->addWidget(chKeepDeleted_);
    auto* limits = new QFormLayout;
    spKeepDays_ = Spin("spKeepDays", QuarantineLimits::kMostDays, tr(" days"), page);
    limits->addRow(tr("&Days to keep:"), spKeepDays_);
    spKeepWholeKiB_ =
        Spin("spKeepWholeKiB", static_cast<int>(QuarantineLimits::kMostWholeKiB), tr(" KiB"), page);
    spKeepWholeKiB_->setSingleStep(256);
    limits->addRow(tr("Largest message kept &whole:"), spKeepWholeKiB_);
    spKeepTotalMB_ =
        Spin("spKeepTotalMB", static_cast<int>(QuarantineLimits::kMostTotalMB), tr(" MB"), page);
    spKeepTotalMB_->setSingleStep(50);
    limits->addRow(tr("&Total size:"), spKeepTotalMB_);
    // The numbers keep their own width instead of running across a wide window.
    auto* row = new QHBoxLayout;
    row->addLayout(limits);
    row->addStretch();
    layout->addLayout(row);
    layout->addWidget(
        Wrapped(tr("A larger message keeps its header block and the first %1 KiB of its body. "
                   "When the kept messages take more than the total size, the oldest go first.")
                    .arg(kBodyKeptOfLarge / 1024),
                page));
    layout->addStretch();
    return page;
}

void TfrmOptionsMain::resetUnknownClicked() {
    if (!boxes_.Confirm("Really clear out unknown count?")) return;
    edUnknown_->setText(QStringLiteral("0"));
    unknownReset_ = true;
}

}  // namespace kelvane

#include "TfrmOptionsFROM.h"

#include "MatchOperator.h"
#include "MessageBoxes.h"
#include "RuleTrialLine.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvane {

namespace {

constexpr int kEndsWith = 4;

QLabel* WrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

TfrmOptionsFROM::TfrmOptionsFROM(MessageBoxes& boxes, QWidget* parent, CountryChooser chooseCountry)
    : QDialog(parent), boxes_(boxes), chooseCountry_(std::move(chooseCountry)) {
    setObjectName(QStringLiteral("frmOptionsFROM"));
    setWindowTitle(tr("Sender characteristics"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WrappedLabel(tr("The Sender characteristics"), this));
    layout->addWidget(WrappedLabel(tr("If the sender matches the distinguishing characteristics "
                                      "below it will be marked for deletion."),
                                   this));
    layout->addWidget(WrappedLabel(
        tr("The sender's e-mail/domain address (as viewed on the main screen):"), this));
    cbKind_ = new QComboBox(this);
    cbKind_->setObjectName(QStringLiteral("cbKind"));
    cbKind_->addItems({QString::fromUtf8(kSenderKindAddress.data(), kSenderKindAddress.size()),
                       QString::fromUtf8(kSenderKindDomain.data(), kSenderKindDomain.size())});
    cbKind_->setCurrentIndex(1);
    layout->addWidget(cbKind_);
    cbOperator_ = new QComboBox(this);
    cbOperator_->setObjectName(QStringLiteral("cbOperator"));
    cbOperator_->setMaxVisibleItems(kSenderOperators);
    FillOperators(*cbOperator_, kSenderOperators);
    layout->addWidget(cbOperator_);
    cbSender_ = new QComboBox(this);
    cbSender_->setObjectName(QStringLiteral("cbSender"));
    FillPickList(*cbSender_, SenderPickList());
    layout->addWidget(cbSender_);
    trial_ = new RuleTrialLine([this](RuleTrial& trial) { return trial.Try(fields()); }, this);
    trial_->watch(cbKind_);
    trial_->watch(cbOperator_);
    trial_->watch(cbSender_);
    layout->addWidget(trial_);
    layout->addWidget(WrappedLabel(tr("Hint: An e-mail address includes the domain. The domain "
                                      "is the part after the at sign: in "
                                      "ann@mail.example.org it is mail.example.org."),
                                   this));
    layout->addWidget(WrappedLabel(tr("An all numeric sender looks like 12345678@example.com; "
                                      "a half numeric one like ab12345@example.com."),
                                   this));
    lblCountry_ = new QLabel(this);
    lblCountry_->setObjectName(QStringLiteral("lblCountry"));
    layout->addWidget(lblCountry_);
    btCountry_ = new QPushButton(tr("Block out a country"), this);
    btCountry_->setObjectName(QStringLiteral("btCountry"));
    connect(btCountry_, &QPushButton::clicked, this, &TfrmOptionsFROM::blockCountry);
    layout->addWidget(btCountry_);
    mark_ = new MarkChoicePanel(true, this);
    layout->addWidget(mark_);

    QDialogButtonBox* buttons = OkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmOptionsFROM::okClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(cbOperator_, &QComboBox::currentIndexChanged, this, &TfrmOptionsFROM::operatorChanged);
    cbOperator_->setCurrentIndex(SenderRuleFields{}.op);
    operatorChanged();
}

void TfrmOptionsFROM::operatorChanged() {
    cbSender_->setVisible(cbOperator_->currentIndex() < kFirstOperatorWithoutText);
}

SenderRuleFields TfrmOptionsFROM::fields() const {
    return {cbKind_->currentIndex() == 1, cbOperator_->currentIndex(), FieldText(*cbSender_),
            mark_->deletes()};
}

void TfrmOptionsFROM::setFields(const SenderRuleFields& fields) {
    btCountry_->hide();
    cbKind_->setCurrentIndex(fields.domain ? 1 : 0);
    cbOperator_->setCurrentIndex(fields.op);
    cbSender_->setEditText(QString::fromStdString(fields.text));
    mark_->setDeletes(fields.deletes);
    operatorChanged();
}

void TfrmOptionsFROM::blockCountry() {
    const std::optional<CountrySuffix> country = chooseCountry_(this);
    if (!country) return;
    cbKind_->setCurrentIndex(1);
    cbOperator_->setCurrentIndex(kEndsWith);
    cbSender_->setEditText(QString::fromStdString(CountrySuffixText(*country)));
    lblCountry_->setText(QString::fromUtf8(country->name.data(), country->name.size()));
}

void TfrmOptionsFROM::okClicked() {
    const std::string error = SenderFieldsError(fields());
    if (!error.empty()) {
        boxes_.Error(error);
        cbSender_->setFocus();
        return;
    }
    accept();
}

}  // namespace kelvane

#include "TfrmHeaders.h"

#include "MessageBoxes.h"
#include "RuleTrialLine.h"
#include "ShownText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kelvane {

namespace {

constexpr int kEndsWith = 4;

}  // namespace

TfrmHeaders::TfrmHeaders(MessageBoxes& boxes, const std::vector<std::string>& mailboxes,
                         QWidget* parent, CountryChooser chooseCountry)
    : QDialog(parent), boxes_(boxes), chooseCountry_(std::move(chooseCountry)) {
    setObjectName(QStringLiteral("frmHeaders"));
    setWindowTitle(tr("Header characteristics"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("The E-mail header characteristics"), this));
    auto* explanation =
        new QLabel(tr("If text in the e-mail header line follows any of these patterns it will be "
                      "marked for deletion since it looks like a potential spam."),
                   this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    layout->addWidget(addChoice("rbHeader", tr("Message Header")));
    cbOperator_ = new QComboBox(this);
    cbOperator_->setObjectName(QStringLiteral("cbOperator"));
    FillOperators(*cbOperator_, kHeaderOperators);
    layout->addWidget(cbOperator_);
    cbHeader_ = new QComboBox(this);
    cbHeader_->setObjectName(QStringLiteral("cbHeader"));
    FillPickList(*cbHeader_, HeaderPickList());
    cbHeader_->setCurrentIndex(0);
    layout->addWidget(cbHeader_);
    cbCase_ = new QCheckBox(tr("&Check if case matters (upper/lower)"), this);
    cbCase_->setObjectName(QStringLiteral("cbCase"));
    layout->addWidget(cbCase_);
    lblCountry_ = new QLabel(this);
    lblCountry_->setObjectName(QStringLiteral("lblCountry"));
    layout->addWidget(lblCountry_);

    layout->addWidget(
        addChoice("rbReplyTo", tr("The Sender address does not match the 'Reply-to' address")));
    layout->addWidget(addChoice("rbTo", tr("The 'To' address does not contain:")));
    edTo_ = new QLineEdit(this);
    edTo_->setObjectName(QStringLiteral("edTo"));
    layout->addWidget(edTo_);
    lblMailbox_ = new QLabel(tr("For Mailbox:"), this);
    layout->addWidget(lblMailbox_);
    cbMailbox_ = new QComboBox(this);
    cbMailbox_->setObjectName(QStringLiteral("cbMailbox"));
    for (const std::string& entry : mailboxes) cbMailbox_->addItem(ShownText(entry));
    cbMailbox_->setCurrentIndex(mailboxes.empty() ? -1 : 0);
    layout->addWidget(cbMailbox_);
    layout->addWidget(
        addChoice("rbSameTo", tr("The Sender address equals the 'To' address field")));
    trial_ = new RuleTrialLine([this](RuleTrial& trial) { return trial.Try(fields()); }, this);
    for (QRadioButton* choice : choices_) trial_->watch(choice);
    trial_->watch(cbOperator_);
    trial_->watch(cbHeader_);
    trial_->watch(cbCase_);
    trial_->watch(edTo_);
    trial_->watch(cbMailbox_);
    layout->addWidget(trial_);

    btCountry_ = new QPushButton(tr("Block out a country"), this);
    btCountry_->setObjectName(QStringLiteral("btCountry"));
    connect(btCountry_, &QPushButton::clicked, this, &TfrmHeaders::blockCountry);
    layout->addWidget(btCountry_);
    mark_ = new MarkChoicePanel(false, this);
    layout->addWidget(mark_);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmHeaders::okClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    choices_.front()->setChecked(true);
    choiceChanged();
}

QRadioButton* TfrmHeaders::addChoice(const char* name, const QString& caption) {
    auto* button = new QRadioButton(caption, this);
    button->setObjectName(QLatin1String(name));
    connect(button, &QRadioButton::toggled, this, &TfrmHeaders::choiceChanged);
    choices_.push_back(button);
    return button;
}

HeaderChoice TfrmHeaders::choice() const {
    for (std::size_t i = 0; i < choices_.size(); ++i) {
        if (choices_[i]->isChecked()) return static_cast<HeaderChoice>(i);
    }
    return HeaderChoice::MessageHeader;
}

// Each choice shows only the fields it reads.
void TfrmHeaders::choiceChanged() {
    const HeaderChoice chosen = choice();
    const bool header = chosen == HeaderChoice::MessageHeader;
    for (QWidget* field :
         std::initializer_list<QWidget*>{cbOperator_, cbHeader_, cbCase_, lblCountry_}) {
        if (field) field->setVisible(header);
    }
    const bool to = chosen == HeaderChoice::ToDoesNotContain;
    for (QWidget* field : std::initializer_list<QWidget*>{edTo_, lblMailbox_, cbMailbox_}) {
        if (field) field->setVisible(to);
    }
}

HeaderRuleFields TfrmHeaders::fields() const {
    HeaderRuleFields fields;
    fields.choice = choice();
    fields.op = cbOperator_->currentIndex();
    fields.text = FieldText(*cbHeader_);
    fields.caseMatters = cbCase_->isChecked();
    fields.deletes = mark_->deletes();
    fields.address = edTo_->text().toStdString();
    fields.mailbox = MailboxEntryNumber(cbMailbox_->currentText().toStdString());
    return fields;
}

void TfrmHeaders::setFields(const HeaderRuleFields& fields) {
    btCountry_->hide();
    cbOperator_->setCurrentIndex(fields.op);
    cbHeader_->setEditText(QString::fromStdString(fields.text));
    cbCase_->setChecked(fields.caseMatters);
    mark_->setDeletes(fields.deletes);
    edTo_->setText(QString::fromStdString(fields.address));
    // A mailbox that has lost its server leaves the first entry chosen.
    cbMailbox_->setCurrentIndex(cbMailbox_->count() > 0 ? 0 : -1);
    for (int entry = 0; entry < cbMailbox_->count(); ++entry) {
        if (MailboxEntryNumber(cbMailbox_->itemText(entry).toStdString()) == fields.mailbox) {
            cbMailbox_->setCurrentIndex(entry);
        }
    }
    choices_[static_cast<std::size_t>(fields.choice)]->setChecked(true);
    choiceChanged();
}

void TfrmHeaders::blockCountry() {
    const std::optional<CountrySuffix> country = chooseCountry_(this);
    if (!country) return;
    choices_.front()->setChecked(true);
    cbOperator_->setCurrentIndex(kEndsWith);
    cbHeader_->setEditText(QString::fromStdString(CountrySuffixText(*country)));
    cbCase_->setChecked(false);
    lblCountry_->setText(QString::fromUtf8(country->name.data(), country->name.size()));
}

void TfrmHeaders::okClicked() {
    const HeaderRuleFields current = fields();
    const std::string error = HeaderFieldsError(current);
    if (!error.empty()) {
        boxes_.Error(error);
        if (current.choice != HeaderChoice::ToDoesNotContain)
            cbHeader_->setFocus();
        else if (current.mailbox < 1)
            cbMailbox_->setFocus();
        else
            edTo_->setFocus();
        return;
    }
    accept();
}

}  // namespace kelvane

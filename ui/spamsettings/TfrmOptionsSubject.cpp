#include "TfrmOptionsSubject.h"

#include "MessageBoxes.h"
#include "RuleDialogParts.h"
#include "RuleTrialLine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace kelvane {

TfrmOptionsSubject::TfrmOptionsSubject(MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), boxes_(boxes) {
    setObjectName(QStringLiteral("frmOptionsSubject"));
    setWindowTitle(tr("Subject line options"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("The Subject line characteristics"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    auto* explanation =
        new QLabel(tr("If text in the subject line follows any of these patterns it will be marked "
                      "for deletion since it looks like a potential spam."),
                   this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    layout->addWidget(new QLabel(tr("The subject line:"), this));

    cbOperator_ = new QComboBox(this);
    cbOperator_->setObjectName(QStringLiteral("cbOperator"));
    FillOperators(*cbOperator_, kSubjectOperators);
    layout->addWidget(cbOperator_);
    cbSubject_ = new QComboBox(this);
    cbSubject_->setObjectName(QStringLiteral("cbSubject"));
    FillPickList(*cbSubject_, SubjectPickList());
    layout->addWidget(cbSubject_);
    cbCase_ = new QCheckBox(tr("&Check if case matters (upper/lower)"), this);
    cbCase_->setObjectName(QStringLiteral("cbCase"));
    layout->addWidget(cbCase_);
    trial_ = new RuleTrialLine([this](RuleTrial& trial) { return trial.Try(fields()); }, this);
    trial_->watch(cbOperator_);
    trial_->watch(cbSubject_);
    trial_->watch(cbCase_);
    layout->addWidget(trial_);
    mark_ = new MarkChoicePanel(false, this);
    layout->addWidget(mark_);

    QDialogButtonBox* buttons = OkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmOptionsSubject::okClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(cbOperator_, &QComboBox::currentIndexChanged, this,
            &TfrmOptionsSubject::operatorChanged);
    operatorChanged();
}

// A whole-field test (blank, upper case) takes no text and no case.
void TfrmOptionsSubject::operatorChanged() {
    const bool text = cbOperator_->currentIndex() < kFirstOperatorWithoutText;
    cbSubject_->setVisible(text);
    cbCase_->setVisible(text);
}

SubjectRuleFields TfrmOptionsSubject::fields() const {
    return {cbOperator_->currentIndex(), FieldText(*cbSubject_), cbCase_->isChecked(),
            mark_->deletes()};
}

void TfrmOptionsSubject::setFields(const SubjectRuleFields& fields) {
    cbOperator_->setCurrentIndex(fields.op);
    cbSubject_->setEditText(QString::fromStdString(fields.text));
    cbCase_->setChecked(fields.caseMatters);
    mark_->setDeletes(fields.deletes);
    operatorChanged();
}

void TfrmOptionsSubject::okClicked() {
    const std::string error = SubjectFieldsError(fields());
    if (!error.empty()) {
        boxes_.Error(error);
        cbSubject_->setFocus();
        return;
    }
    accept();
}

}  // namespace kelvane

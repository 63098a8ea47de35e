#pragma once

#include <QDialog>

#include "RuleDialogFields.h"

class QCheckBox;
class QComboBox;

namespace kelvane {

class MarkChoicePanel;
class MessageBoxes;
class RuleTrialLine;

// "Subject line options": one subject rule, new or edited.
class TfrmOptionsSubject : public QDialog {
    Q_OBJECT

  public:
    // `boxes` must outlive the dialog.
    explicit TfrmOptionsSubject(MessageBoxes& boxes, QWidget* parent = nullptr);

    SubjectRuleFields fields() const;
    void setFields(const SubjectRuleFields& fields);

  private:
    void operatorChanged();
    void okClicked();

    MessageBoxes& boxes_;
    QComboBox* cbOperator_ = nullptr;
    QComboBox* cbSubject_ = nullptr;
    QCheckBox* cbCase_ = nullptr;
    MarkChoicePanel* mark_ = nullptr;
    RuleTrialLine* trial_ = nullptr;
};

}  // namespace kelvane

#pragma once

#include <QDialog>

#include "RuleDialogFields.h"
#include "RuleDialogParts.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kelvane {

class MarkChoicePanel;
class MessageBoxes;
class RuleTrialLine;

// "Sender characteristics": one sender rule, new or edited.
class TfrmOptionsFROM : public QDialog {
    Q_OBJECT

  public:
    // `boxes` must outlive the dialog; `chooseCountry` defaults to the country list.
    explicit TfrmOptionsFROM(MessageBoxes& boxes, QWidget* parent = nullptr,
                             CountryChooser chooseCountry = ChooseCountry);

    SenderRuleFields fields() const;
    // An edited rule: the country button is hidden.
    void setFields(const SenderRuleFields& fields);

  private:
    void operatorChanged();
    void blockCountry();
    void okClicked();

    MessageBoxes& boxes_;
    CountryChooser chooseCountry_;
    QComboBox* cbKind_ = nullptr;
    QComboBox* cbOperator_ = nullptr;
    QComboBox* cbSender_ = nullptr;
    QLabel* lblCountry_ = nullptr;
    QPushButton* btCountry_ = nullptr;
    MarkChoicePanel* mark_ = nullptr;
    RuleTrialLine* trial_ = nullptr;
};

}  // namespace kelvane

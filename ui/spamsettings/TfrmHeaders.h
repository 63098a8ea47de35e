#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "RuleDialogFields.h"
#include "RuleDialogParts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kelvane {

class MarkChoicePanel;
class MessageBoxes;
class RuleTrialLine;

// "Header characteristics": one header rule, new or edited.
class TfrmHeaders : public QDialog {
    Q_OBJECT

  public:
    // `mailboxes` are the entries of the mailbox list ("1) ann - server pop.example.org"), one
    // per mailbox with a server. `boxes` must outlive the dialog.
    TfrmHeaders(MessageBoxes& boxes, const std::vector<std::string>& mailboxes,
                QWidget* parent = nullptr, CountryChooser chooseCountry = ChooseCountry);

    HeaderRuleFields fields() const;
    // An edited rule: the country button is hidden.
    void setFields(const HeaderRuleFields& fields);

  private:
    QRadioButton* addChoice(const char* name, const QString& caption);
    void choiceChanged();
    HeaderChoice choice() const;
    void blockCountry();
    void okClicked();

    MessageBoxes& boxes_;
    CountryChooser chooseCountry_;
    std::vector<QRadioButton*> choices_;  // in HeaderChoice order
    QComboBox* cbOperator_ = nullptr;
    QComboBox* cbHeader_ = nullptr;
    QCheckBox* cbCase_ = nullptr;
    QLabel* lblCountry_ = nullptr;
    QLineEdit* edTo_ = nullptr;
    QLabel* lblMailbox_ = nullptr;
    QComboBox* cbMailbox_ = nullptr;
    QPushButton* btCountry_ = nullptr;
    MarkChoicePanel* mark_ = nullptr;
    RuleTrialLine* trial_ = nullptr;
};

}  // namespace kelvane

#pragma once

#include <QDialog>
#include <vector>

#include "RuleDialogFields.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListView;
class QRadioButton;
class QStandardItemModel;

namespace kelvane {

class MessageBoxes;
class RuleTrialLine;

// "Accept e-mail from": one exception rule, new or edited, with the picture its messages show.
class TfrmAlwaysAccept : public QDialog {
    Q_OBJECT

  public:
    // `boxes` must outlive the dialog.
    explicit TfrmAlwaysAccept(MessageBoxes& boxes, QWidget* parent = nullptr);

    ExceptionRuleFields fields() const;
    void setFields(const ExceptionRuleFields& fields);

  private:
    QRadioButton* addChoice(const char* name, const QString& caption);
    QListView* createPictureStrip();
    ExceptionChoice choice() const;
    void choiceChanged();
    void okClicked();

    MessageBoxes& boxes_;
    std::vector<QRadioButton*> choices_;  // in ExceptionChoice order
    QLineEdit* edAddress_ = nullptr;
    QLineEdit* edDomain_ = nullptr;
    QComboBox* cbHeaderLine_ = nullptr;
    QComboBox* cbOperator_ = nullptr;
    QLineEdit* edText_ = nullptr;
    QCheckBox* cbCase_ = nullptr;
    QStandardItemModel* pictures_ = nullptr;
    QListView* strip_ = nullptr;
    RuleTrialLine* trial_ = nullptr;
};

}  // namespace kelvane

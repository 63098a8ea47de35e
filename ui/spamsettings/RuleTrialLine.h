#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "RuleTrial.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kelvane {

// Gives the messages a rule being edited is tried on, prepared for trials; nullptr or an empty
// trial when there are none. Called once each time a rule dialog opens, so that it sees the
// latest listing and deletions.
using RuleTrialSource = std::function<std::shared_ptr<RuleTrial>()>;

// The rule dialogs opened over `window` (their parent, or a window it lies in) try their rule
// on what `source` gives. Without a source they show no trial line.
void SetRuleTrialSource(QObject& window, RuleTrialSource source);

// The line under a rule dialog's fields: how many messages of the last listing and of the
// deleted ones the rule as typed matches, and a button that lists the first of them. It follows
// the typing: edits are gathered and tried once the event loop is idle.
class RuleTrialLine : public QWidget {
    Q_OBJECT

  public:
    // The dialog's rule as it stands, tried on `trial`.
    using Attempt = std::function<std::optional<RuleTrialResult>(RuleTrial& trial)>;

    // `dialog` is the rule dialog it lies in; its parents are searched for the source.
    RuleTrialLine(Attempt attempt, QWidget* dialog);

    // Tries the rule again whenever the field changes.
    void watch(QComboBox* field);
    void watch(QLineEdit* field);
    void watch(QAbstractButton* field);
    // Asks for a trial once the current edits are done.
    void schedule();

  private:
    void tryRule();
    void showMatches();
    QString countsText() const;

    Attempt attempt_;
    RuleTrialSource source_;
    std::shared_ptr<RuleTrial> trial_;
    bool loaded_ = false;
    std::optional<RuleTrialResult> result_;
    QLabel* text_ = nullptr;
    QPushButton* show_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace kelvane

#pragma once

#include <QDialog>
#include <vector>

#include "MailboxAccounts.h"

class QComboBox;

namespace kelvane {

class MessageBoxes;

// Asks which of the mailboxes that take part in checks to check now.
class TfrmWhichMailbox : public QDialog {
    Q_OBJECT

  public:
    // Lists `choices`, with `current` preselected when it is one of them. `boxes` must outlive
    // the window.
    TfrmWhichMailbox(const std::vector<MailboxChoice>& choices, int current, MessageBoxes& boxes,
                     QWidget* parent = nullptr);

    // The number of the mailbox chosen with OK; the given current mailbox until then.
    int chosenMailbox() const { return chosen_; }

  private:
    void fillList(const std::vector<MailboxChoice>& choices, int current);
    void okClicked();

    MessageBoxes& boxes_;
    QComboBox* cbWhich_ = nullptr;
    int chosen_;
};

}  // namespace kelvane

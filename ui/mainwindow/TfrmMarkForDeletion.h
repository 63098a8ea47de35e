#pragma once

#include <QDialog>
#include <vector>

#include "ListActions.h"

class QCheckBox;
class QStandardItemModel;
class QTableView;

namespace kelvane {

// "Mark e-mail for deletion": the selected messages' subjects and senders, and whether rules
// that delete are made from the subjects, the senders or both.
class TfrmMarkForDeletion : public QDialog {
    Q_OBJECT

  public:
    // Lists `candidates`, as SpamCandidates chose them.
    explicit TfrmMarkForDeletion(const std::vector<SpamCandidate>& candidates,
                                 QWidget* parent = nullptr);

    const std::vector<SpamCandidate>& candidates() const { return candidates_; }
    bool bySubject() const;
    bool bySender() const;

  private:
    QTableView* createTable();

    std::vector<SpamCandidate> candidates_;
    QStandardItemModel* model_ = nullptr;
    QCheckBox* cbSubject_ = nullptr;
    QCheckBox* cbFrom_ = nullptr;
};

}  // namespace kelvane

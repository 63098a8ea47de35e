#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "DeletedJunkServices.h"
#include "KeptMessage.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTreeView;

namespace kelvane {

class CommandGate;
class DeletedJunkModel;
class MessageBoxes;
class Quarantine;
class SpamSettings;

// "Deleted junk": the messages the deletion runs kept before deleting them, newest first, with a
// filter, why each was marked, its headers and body, and the commands that get one back, stop its
// sender from being marked again, or remove it for good. Every command goes through `gate`.
class TfrmDeletedJunk : public QDialog {
    Q_OBJECT

  public:
    // Everything given must outlive the window.
    TfrmDeletedJunk(Quarantine& quarantine, SpamSettings& spam, CommandGate& gate,
                    MessageBoxes& boxes, DeletedJunkServices services = {},
                    QWidget* parent = nullptr);
    ~TfrmDeletedJunk() override;

    // Lists the quarantine afresh, keeping the selected message selected while it is there.
    void reload();
    // A line under the commands: what the last one did, or why it may not start.
    void showStatus(const QString& text);
    DeletedJunkModel& model() { return *model_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* createFilterRow();
    QTreeView* createList();
    QWidget* createDetails();
    QWidget* createCommandRow(CommandGate& gate);
    QPlainTextEdit* addDetailPage(const char* name, const QString& caption);

    std::optional<KeptMessage> selectedMessage() const;
    // The selected message's panes; a selection that changes while its body is decoded (the
    // decoder lets events through) is shown once that is done.
    void showSelected();
    void showDetails(const std::optional<KeptMessage>& kept);
    void showCount();
    void select(const std::string& id);

    // The commands.
    void restoreClicked();
    void openInMailProgram(const std::string& file);
    void neverMarkSenderClicked();
    void removeNowClicked();
    std::optional<KeptMessage> selectionOrSay();

    Quarantine& quarantine_;
    SpamSettings& spam_;
    MessageBoxes& boxes_;
    DeletedJunkServices services_;
    DeletedJunkModel* model_ = nullptr;
    QSortFilterProxyModel* filtered_ = nullptr;
    QLineEdit* edFilter_ = nullptr;
    QLabel* lblCount_ = nullptr;
    QTreeView* list_ = nullptr;
    QTabWidget* details_ = nullptr;
    QLabel* lblPartial_ = nullptr;
    QPlainTextEdit* memoReasons_ = nullptr;
    QPlainTextEdit* memoHeaders_ = nullptr;
    QPlainTextEdit* memoBody_ = nullptr;
    QPushButton* btRestore_ = nullptr;
    QPushButton* btNeverMarkSender_ = nullptr;
    QPushButton* btRemoveNow_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    bool showing_ = false;
    bool showAgain_ = false;
};

}  // namespace kelvane

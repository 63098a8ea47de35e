#pragma once

#include <QMainWindow>

#include "MarkState.h"

class QHBoxLayout;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace kelvane {

// The main window: the list of messages on the server, the command buttons and a status bar.
class TfrmMain : public QMainWindow {
    Q_OBJECT

  public:
    explicit TfrmMain(QWidget* parent = nullptr);

    // While a run is busy: only the tagline is left in place of the message commands.
    void disableAllButtons();
    // After a run: the message commands appear only when there are messages to act on.
    void enableAllButtons();
    void setStatusText(const QString& text);

    // Shows `mark`'s picture in front of the subject of row `row`; kNoMark leaves that room blank.
    void setRowMark(int row, MarkState mark);
    // kNoMark for a row never marked.
    MarkState rowMark(int row) const;

  private:
    QTreeWidget* createMessageList();
    QWidget* createButtonRow();
    QPushButton* addButton(QHBoxLayout* row, const char* name, const QString& caption);
    void createOptionsMenu();
    void createStatusBar();
    void setMessageButtonsVisible(bool visible);
    void showAbout();

    // Checking mail is not written yet; until it is, btList stays disabled in every state.
    static constexpr bool checkAvailable_ = false;

    QTreeWidget* list_ = nullptr;
    QPushButton* btList_ = nullptr;
    QPushButton* btMark_ = nullptr;
    QPushButton* btDelete_ = nullptr;
    QPushButton* btExit_ = nullptr;
    QPushButton* btOptions_ = nullptr;
    QPushButton* btResetAll_ = nullptr;
    QPushButton* btRemark_ = nullptr;
    QPushButton* btLaunch_ = nullptr;
    QLabel* lblAd_ = nullptr;
    QLabel* pnlStatus_ = nullptr;
};

}  // namespace kelvane

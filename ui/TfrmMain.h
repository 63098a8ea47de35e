#pragma once

#include <QMainWindow>
#include <vector>

#include "MarkState.h"
#include "MessageEntry.h"

class QHBoxLayout;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace kelvane {

class CheckRun;
class MessageBoxes;
class TfrmRetrieving;
class TmsRemotePOP;

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

    // Connects the commands to `run` and enables checking; closing the window ends `client`'s
    // connection; the commands' boxes go to `boxes`. All must outlive the window.
    void attachRun(CheckRun& run, TmsRemotePOP& client, MessageBoxes& boxes);
    // Replaces the list with `rows`, their mark pictures in front of the subjects. The texts are
    // made safe to show; `rows` keep every byte.
    void showRows(const std::vector<MessageEntry>& rows);
    // The progress window of runs, made on first use.
    TfrmRetrieving& progressWindow();

    // Started in the tray: the idle third button reads "&Hide" and hides the program instead of
    // ending it; so does the exit after an empty check.
    void setStartedInTray(bool inTray);
    bool startedInTray() const { return startedInTray_; }
    // Puts the program out of the way without ending it.
    void hideApplication();

    // Shows `mark`'s picture in front of the subject of row `row`; kNoMark leaves that room blank.
    void setRowMark(int row, MarkState mark);
    // kNoMark for a row never marked.
    MarkState rowMark(int row) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QTreeWidget* createMessageList();
    QWidget* createButtonRow();
    QPushButton* addButton(QHBoxLayout* row, const char* name, const QString& caption);
    void createOptionsMenu();
    void createStatusBar();
    void setMessageButtonsVisible(bool visible);
    void showAbout();
    void connectRunCommands();
    void checkClicked();
    void deleteClicked();
    void autoMarkClicked();
    void exitClicked();
    void setExitButtonBusy(bool busy);

    CheckRun* run_ = nullptr;
    TmsRemotePOP* client_ = nullptr;
    MessageBoxes* boxes_ = nullptr;
    TfrmRetrieving* progress_ = nullptr;
    bool busy_ = false;
    bool startedInTray_ = false;

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

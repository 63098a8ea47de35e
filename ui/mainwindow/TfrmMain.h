#pragma once

#include <QMainWindow>
#include <functional>
#include <string>
#include <vector>

#include "CommandGate.h"
#include "MarkState.h"
#include "MessageEntry.h"
#include "TextShapeWidths.h"

class QAction;
class QHBoxLayout;
class QMenu;
class QLabel;
class QPushButton;
class QTreeView;

namespace kelvane {

class CheckRun;
class MessageBoxes;
class MessageListModel;
class TfrmRetrieving;

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

    // Connects the commands to `run` and enables checking; closing the window has the run end
    // the session it kept; the commands' boxes go to `boxes`. Both must outlive the window.
    void attachRun(CheckRun& run, MessageBoxes& boxes);
    // Lists `*rows` from now on (nothing for null), their mark pictures in front of the subjects;
    // they must be replaced before they go. The texts are made safe to show; the rows keep every
    // byte. Changes to them are announced through messageList().
    void showRows(const std::vector<MessageEntry>* rows);
    MessageListModel& messageList() { return *messages_; }
    // The progress window of runs, made on first use.
    TfrmRetrieving& progressWindow();
    // Shows it for a run; while the program is hidden in the tray it waits for the window.
    void showProgressFor(const QString& title, const QString& userName, const QString& server);
    void hideProgressWindow();

    // The door every command of the program goes through; see CommandGate.
    CommandGate& gate() { return gate_; }
    // Asks the gate to start `command` from `origin`; false when it was refused or deferred.
    bool request(Command command, Origin origin = Origin::User);

    // Started in the tray: the idle third button reads "&Hide" and hides the program instead of
    // ending it; so does the exit after an empty check.
    void setStartedInTray(bool inTray);
    bool startedInTray() const { return startedInTray_; }
    // Puts the program out of the way without ending it: into the tray while its icon is there.
    void hideApplication();
    // Shows, restores and brings the window forward, once the current event is handled.
    void showApplication();
    void setTrayActive(bool active);
    bool trayActive() const { return trayActive_; }
    // The window's title and its large title label.
    void setTitle(const QString& title);
    void hideTitleMark();
    // Starts the mail program of the general settings, detached, when the gate allows it
    // (`origin` RunStep: the deletion run's own launch); on success the list is emptied and the
    // connection closed. Failures are shown in an error box.
    void launchMailProgram(Origin origin = Origin::User);
    // The same for `program`, as the general settings window's field names it before OK.
    void launchMailProgram(const std::string& program);
    // What "S&pam settings" does; the entry is offered once this is set.
    void setSpamSettingsOpener(std::function<void()> open);
    void setStatisticsOpener(std::function<void()> open);
    // What "&General settings" does; the entry is offered once this is set.
    void setGeneralSettingsOpener(std::function<void()> open);
    // What "&Deleted junk..." does; the entry is added below the settings once this is set.
    void setDeletedJunkOpener(std::function<void()> open);
    // What "A&bout" does; the about box alone (no kept score) until set.
    void setAboutOpener(std::function<void()> open) { openAbout_ = std::move(open); }
    // What "&Help" does; the entry is offered once this is set.
    void setHelpOpener(std::function<void()> open);
    void openGeneralSettings(Origin origin = Origin::User);

    // The mark the list shows for row `row`; kNoMark for an unmarked row or one not listed.
    MarkState rowMark(int row) const;
    // The selected rows in list order.
    std::vector<int> selectedRows() const;

    // How the list's commands that open a window, and the mail program's launch, run: inside
    // `pause`, which keeps unattended checks from starting under them. They run as they are
    // until one is set.
    using CommandPauser = std::function<void(const std::function<void()>& command)>;
    void setCommandPauser(CommandPauser pause) { pause_ = std::move(pause); }

  signals:
    // A run started (true) or ended (false).
    void busyChanged(bool busy);
    // The user touched the list or marked messages: a ringing alarm has been heard.
    void alarmStopRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The letter shortcuts, seen before the focused control.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QTreeView* createMessageList();
    void widenDateColumn(int first, int last);
    QWidget* createTitleRow();
    QWidget* createButtonRow();
    QPushButton* addButton(QHBoxLayout* row, const char* name, const QString& caption);
    void createOptionsMenu();
    void createStatusBar();
    void setMessageButtonsVisible(bool visible);
    void showAbout();
    void connectRunCommands();
    void bindCommand(QPushButton* button, Command command);
    // What a command does once the gate let it start.
    void perform(Command command);
    void exitClicked();
    void startMailProgram(const std::string& program);
    void setExitButtonBusy(bool busy);

    // The list's own commands.
    QMenu* createListMenu();
    void showListMenu(const QPoint& position);
    void runPaused(const std::function<void()>& command);
    // The selected rows; shows why there are none and gives nothing when there are none.
    std::vector<int> selectionOrNada();
    // The first selected row, saying so when more are selected; -1 when none is.
    int firstSelectedToView();
    void markClicked();
    void resetClicked();
    void whyClicked();
    void viewHeaderClicked();
    void viewMessageClicked();
    void showBody(int index);
    void addToExceptionsClicked();
    void addToSpamListClicked();
    bool listCommandsAvailable() const;
    void addListAction(QMenu* menu, const char* name, const QString& caption, Command command);
    bool runShortcut(int key);

    CheckRun* run_ = nullptr;
    MessageBoxes* boxes_ = nullptr;
    std::function<void()> openGeneralSettings_;
    std::function<void()> openAbout_;
    std::function<void()> openHelp_;
    QAction* help_ = nullptr;
    QAction* generalSettings_ = nullptr;
    QAction* spamSettings_ = nullptr;
    QAction* statistics_ = nullptr;
    std::function<void()> openStatistics_;
    std::function<void()> openSpamSettings_;
    QAction* deletedJunk_ = nullptr;
    std::function<void()> openDeletedJunk_;
    TfrmRetrieving* progress_ = nullptr;
    // The progress window went with the program into the tray and comes back with it.
    bool progressWaiting_ = false;
    CommandGate gate_;
    bool busy_ = false;
    bool startedInTray_ = false;
    bool trayActive_ = false;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblTitleMark_ = nullptr;

    MessageListModel* messages_ = nullptr;
    QTreeView* list_ = nullptr;
    TextShapeWidths dateWidths_;
    QMenu* listMenu_ = nullptr;
    CommandPauser pause_;
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

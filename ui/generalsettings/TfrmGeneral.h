#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "GeneralWindowServices.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace kelvane {

struct MailboxAccount;

class GeneralMailboxRows;
class MessageBoxes;
class SettingsStore;
class SpamSettings;
struct GeneralSettingsModel;

// The general settings: mailboxes, dial-up connection, automatic checking, start-up, activity
// log and mail program. Edits the model the program loaded; OK saves it, Cancel reloads it.
class TfrmGeneral : public QDialog {
    Q_OBJECT

  public:
    enum class Page { Mailboxes, Connection, Automatic, StartUp, ActivityLog, MailProgram };

    // Everything given must outlive the window.
    TfrmGeneral(GeneralSettingsModel& model, SettingsStore& store, SpamSettings& spam,
                MessageBoxes& boxes, std::string programFolder, GeneralWindowServices services,
                QWidget* parent = nullptr);

    void showPage(Page page);
    void selectMailboxesPage() { showPage(Page::Mailboxes); }

    // Brings the model up to date and shows it; showing the window does this.
    void FormShow();
    // The program's end: the general options as the window last held them, the stored spam
    // count left alone. Throws FileError when the store cannot be written.
    void saveAtProgramEnd();
    // Shows "View &Statistics", which calls `show`, once the statistics window exists.
    void offerStatistics(std::function<void()> show);

    // Cancel, Escape and closing the window all forget the edits.
    void reject() override;
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void takePasswordsFromKeyring();
    bool keepInKeyring(const MailboxAccount& account);
    QWidget* createConnectionPage();
    QWidget* createAutomaticPage();
    QWidget* createManualPanel();
    QWidget* createAutomaticPanel();
    QWidget* createSoundPanel();
    QWidget* createStartUpPage();
    QWidget* createLogPage();
    QWidget* createLogButtons();
    QWidget* createMailProgramPage();
    QWidget* createButtons();
    void fillDialUpList();

    void fillEmptyNames();
    void AddMyselfFromPopToHeader();
    void showModel();
    void takeControls();
    void applyPanels();

    void btOKClick();
    bool saveModel();
    void btHelpClick();
    void btTestClick();
    void stopTestSound();
    void browseSound();
    void browseLog();
    void viewLog();
    void clearLog();
    void resetCounter();
    void findMail();
    void offerAutostart(bool inTray);

    GeneralSettingsModel& model_;
    SettingsStore& store_;
    SpamSettings& spam_;
    MessageBoxes& boxes_;
    std::string programFolder_;
    GeneralWindowServices services_;

    bool firstTimeSetup_ = false;
    bool addedMyself_ = false;
    bool killWhenShown_ = false;
    bool sysTrayWhenShown_ = false;
    int rasWhenShown_ = 0;
    bool countReset_ = false;
    std::function<void()> showStatistics_;

    QTabWidget* pages_ = nullptr;
    GeneralMailboxRows* mailboxes_ = nullptr;
    QComboBox* rasList_ = nullptr;
    QRadioButton* rbManual_ = nullptr;
    QRadioButton* rbAutomatic_ = nullptr;
    QWidget* pnlManual_ = nullptr;
    QWidget* pnlAutomatic_ = nullptr;
    QCheckBox* cbAsk_ = nullptr;
    QCheckBox* cbLaunch_ = nullptr;
    QCheckBox* cbExit_ = nullptr;
    QSpinBox* seMinutes_ = nullptr;
    QCheckBox* cbKill_ = nullptr;
    QWidget* pnlSound_ = nullptr;
    QCheckBox* cbAlarm_ = nullptr;
    QCheckBox* cbRepeat_ = nullptr;
    QLineEdit* edAlarmFile_ = nullptr;
    QPushButton* btTest_ = nullptr;
    QCheckBox* cbSysTray_ = nullptr;
    QLineEdit* edLog_ = nullptr;
    QRadioButton* rbAsIs_ = nullptr;
    QRadioButton* rbMonth_ = nullptr;
    QRadioButton* rbQuarter_ = nullptr;
    QLabel* lblCount_ = nullptr;
    QPushButton* btStatistics_ = nullptr;
    QLineEdit* edMail_ = nullptr;
};

}  // namespace kelvane

#include "TfrmGeneral.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "AtomicFile.h"
#include "Autostart.h"
#include "EditFocusColour.h"
#include "FirstMailbox.h"
#include "GeneralMailboxRows.h"
#include "GeneralSettings.h"
#include "LogFileNames.h"
#include "MailProgramPath.h"
#include "MailboxPassword.h"
#include "MessageBoxes.h"
#include "ProgramPaths.h"
#include "RuleTableOperations.h"
#include "ShownText.h"
#include "SpamSettings.h"

namespace kelvane {
namespace {

constexpr int kGeneralHelpTopic = 200;

// The list's row of the chosen dial-up entry: by its name, or by its position in a file from
// before names were kept; "None" for an entry no longer on the list.
int StoredDialUpRow(const QComboBox& list, const GeneralSettings& general) {
    if (general.ras <= 0) return 0;
    if (general.rasName.empty()) return general.ras < list.count() ? general.ras : 0;
    return std::max(0, list.findData(QByteArray::fromStdString(general.rasName)));
}

}  // namespace

TfrmGeneral::TfrmGeneral(GeneralSettingsModel& model, SettingsStore& store, SpamSettings& spam,
                         MessageBoxes& boxes, std::string programFolder,
                         GeneralWindowServices services, QWidget* parent)
    : QDialog(parent),
      model_(model),
      store_(store),
      spam_(spam),
      boxes_(boxes),
      programFolder_(std::move(programFolder)),
      services_(std::move(services)) {
    CompleteGeneralWindowServices(services_, programFolder_, boxes_, this);
    setObjectName(QStringLiteral("frmGeneral"));
    setWindowTitle(tr("General settings"));

    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(tr("General Settings"), this);
    heading->setTextFormat(Qt::PlainText);
    layout->addWidget(heading);

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    mailboxes_ = new GeneralMailboxRows;
    mailboxes_->setSignInServices({services_.keyring, services_.openBrowser, &boxes_});
    pages_->addTab(mailboxes_, tr("Mailboxes"));
    pages_->addTab(createConnectionPage(), tr("Connection"));
    pages_->addTab(createAutomaticPage(), tr("Automatic"));
    pages_->addTab(createStartUpPage(), tr("Start Up"));
    pages_->addTab(createLogPage(), tr("Activity Log"));
    pages_->addTab(createMailProgramPage(), tr("Mail program"));
    layout->addWidget(pages_, 1);
    layout->addWidget(createButtons());
    EditFocusColour::InstallOn(this);

    fillDialUpList();
    showPage(Page::Mailboxes);
    const MailboxAccount& first = model_.accounts.Account(1);
    firstTimeSetup_ = first.server.empty() && first.userName.empty();
}

void TfrmGeneral::showPage(Page page) {
    pages_->setCurrentIndex(static_cast<int>(page));
}

void TfrmGeneral::offerStatistics(std::function<void()> show) {
    showStatistics_ = std::move(show);
    btStatistics_->setVisible(static_cast<bool>(showStatistics_));
}

void TfrmGeneral::showEvent(QShowEvent* event) {
    // Only when the program shows the window, not when the desktop restores it.
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TfrmGeneral::FormShow() {
    model_.accounts.readServerSettings(store_);
    takePasswordsFromKeyring();
    if (model_.accounts.Account(1).server.empty()) {
        TakeFirstAccountFromMailPrograms(model_.accounts, services_.discovery);
    }
    fillEmptyNames();
    killWhenShown_ = model_.general.kill;
    sysTrayWhenShown_ = model_.general.sysTray;
    AddMyselfFromPopToHeader();
    GeneralSettings& general = model_.general;
    general.logfile =
        CurrentLogFileName(general.logfile, LogNamingFrom(general.logMonth, general.logQuarter),
                           services_.today(), programFolder_);
    countReset_ = false;
    showModel();
}

void TfrmGeneral::fillEmptyNames() {
    GeneralSettings& general = model_.general;
    if (general.mailer.empty()) general.mailer = GetMailPath(services_.discovery);
    if (general.alarmFile.empty()) {
        general.alarmFile = paths::JoinPath(programFolder_, paths::kAlarmSoundFile);
    }
    if (general.logfile.empty()) general.logfile = paths::JoinPath(programFolder_, "logfile.txt");
}

void TfrmGeneral::AddMyselfFromPopToHeader() {
    // Only a first set-up learns the user's own address, and only once.
    if (!firstTimeSetup_ || addedMyself_) return;
    addedMyself_ = true;
    InsertRuleAtTop(spam_.headers(), OwnAddressRule(model_.accounts.Account(1).userName));
    for (const std::string& problem : spam_.Savesettings()) boxes_.Error(problem);
}

void TfrmGeneral::showModel() {
    const GeneralSettings& general = model_.general;
    mailboxes_->showAccounts(model_.accounts);
    rasList_->setCurrentIndex(StoredDialUpRow(*rasList_, general));
    rasWhenShown_ = rasList_->currentIndex();
    (general.automatic ? rbAutomatic_ : rbManual_)->setChecked(true);
    cbAsk_->setChecked(general.ask);
    cbLaunch_->setChecked(general.launch);
    cbExit_->setChecked(general.exitIfNoMail);
    seMinutes_->setValue(general.minutes);
    cbKill_->setChecked(general.kill);
    cbAlarm_->setChecked(general.alarm);
    cbRepeat_->setChecked(general.repeat);
    edAlarmFile_->setText(QString::fromStdString(general.alarmFile));
    cbSysTray_->setChecked(general.sysTray);
    edLog_->setText(QString::fromStdString(general.logfile));
    QRadioButton* naming = general.logQuarter ? rbQuarter_ : general.logMonth ? rbMonth_ : rbAsIs_;
    naming->setChecked(true);
    lblCount_->setText(ShownText(general.count));
    edMail_->setText(QString::fromStdString(general.mailer));
    applyPanels();
}

void TfrmGeneral::applyPanels() {
    pnlManual_->setVisible(rbManual_->isChecked());
    pnlAutomatic_->setVisible(rbAutomatic_->isChecked());
    pnlSound_->setVisible(!cbKill_->isChecked());
}

void TfrmGeneral::takeControls() {
    GeneralSettings& general = model_.general;
    mailboxes_->takeAccounts(model_.accounts);
    // A stored entry missing from today's list shows as none; it is kept unless the user chose.
    if (rasList_->currentIndex() != rasWhenShown_) {
        general.ras = rasList_->currentIndex();
        general.rasName = rasList_->currentData().toByteArray().toStdString();
    }
    general.automatic = rbAutomatic_->isChecked();
    general.ask = cbAsk_->isChecked();
    general.launch = cbLaunch_->isChecked();
    general.exitIfNoMail = cbExit_->isChecked();
    general.minutes = seMinutes_->value();
    general.kill = cbKill_->isChecked();
    general.alarm = cbAlarm_->isChecked();
    general.repeat = cbRepeat_->isChecked();
    general.alarmFile = edAlarmFile_->text().toStdString();
    general.sysTray = cbSysTray_->isChecked();
    general.logfile = edLog_->text().toStdString();
    general.logAsIs = rbAsIs_->isChecked();
    general.logMonth = rbMonth_->isChecked();
    general.logQuarter = rbQuarter_->isChecked();
    general.mailer = edMail_->text().toStdString();
    if (countReset_) model_.ResetSpamCount();
    countReset_ = false;
}

void TfrmGeneral::btOKClick() {
    const std::string log = edLog_->text().toStdString();
    if (!IsBlankLogFileName(log) && !MakeLogFolder(log)) {
        boxes_.Error("Unable to create directory");
        return;
    }
    if (cbKill_->isChecked() && !killWhenShown_ && rbAutomatic_->isChecked()) {
        boxes_.Warning(
            "Just a warning that you selected to automatically delete marked messages without "
            "confirmation.  It is possible to OVER delete by using this setting.");
    }
    if (cbSysTray_->isChecked() != sysTrayWhenShown_) {
        boxes_.Information("Exit and restart for the Start Up changes to take effect.");
        offerAutostart(cbSysTray_->isChecked());
    }
    if (saveModel()) accept();
}

bool TfrmGeneral::saveModel() {
    takeControls();
    std::optional<AccountProblem> problem;
    try {
        problem = model_.Save(
            store_, [this](int, const MailboxAccount& account) { return keepInKeyring(account); });
    } catch (const FileError& error) {
        boxes_.Error(error.what());
        return false;
    }
    if (!problem) return true;
    boxes_.Error(problem->message);
    showPage(Page::Mailboxes);
    mailboxes_->field(problem->mailbox, problem->field)->setFocus();
    return false;
}

// A password kept in the keyring shows (masked) like one from the settings file, so that saving
// the page keeps it; one the keyring will not give stays empty, and saving asks for it.
void TfrmGeneral::takePasswordsFromKeyring() {
    SecretStore* keyring = services_.keyring;
    const bool running = keyring != nullptr && keyring->Available();
    mailboxes_->showPasswordStore(running);
    if (!running) return;
    for (MailboxAccount& account : model_.accounts.accounts) {
        if (!account.password.empty() || account.server.empty()) continue;
        try {
            if (auto kept =
                    keyring->Lookup({account.server, account.userName, SecretKind::Password})) {
                account.password = std::move(*kept);
            }
        } catch (const SecretStoreError& error) {
            boxes_.Error(error.what());
            return;
        }
    }
}

// Into the keyring when one runs, and the settings file keeps no copy; a keyring that refuses
// leaves the password in the settings file, as before there was one.
bool TfrmGeneral::keepInKeyring(const MailboxAccount& account) {
    try {
        return KeepInKeyring(services_.keyring,
                             {account.server, account.userName, SecretKind::Password},
                             account.password);
    } catch (const SecretStoreError& error) {
        boxes_.Error(std::string(error.what()) + " The password stays in the settings file.");
        return false;
    }
}

// A program that lives in the tray is most useful when it starts with the desktop session.
void TfrmGeneral::offerAutostart(bool inTray) {
    const std::string& home = services_.autostartConfigHome;
    if (home.empty() || HasAutostartEntry(home) == inTray) return;
    try {
        if (inTray && boxes_.Confirm("Start Kelvane in the system tray each time you log in?")) {
            WriteAutostartEntry(home, services_.programPath);
        } else if (!inTray && boxes_.Confirm("Stop starting Kelvane each time you log in?")) {
            RemoveAutostartEntry(home);
        }
    } catch (const FileError& error) {
        boxes_.Error(error.what());
    }
}

void TfrmGeneral::reject() {
    model_.Load(store_);
    QDialog::reject();
}

void TfrmGeneral::done(int result) {
    // A looping alarm must not outlive the window.
    if (btTest_->text() != tr("Test")) stopTestSound();
    QDialog::done(result);
}

void TfrmGeneral::saveAtProgramEnd() {
    SaveGeneralSettings(store_, model_.general, SpamCountSave::KeepStored);
}

void TfrmGeneral::btHelpClick() {
    services_.showHelp(kGeneralHelpTopic);
}

// The alarm's own rule: the file looped or once, the beep when it is missing.
void TfrmGeneral::btTestClick() {
    if (btTest_->text() != tr("Test")) {
        stopTestSound();
        return;
    }
    services_.alarm(true, edAlarmFile_->text().toStdString(), cbRepeat_->isChecked());
    if (cbRepeat_->isChecked()) btTest_->setText(tr("Stop"));
}

void TfrmGeneral::stopTestSound() {
    btTest_->setText(tr("Test"));
    services_.alarm(false, {}, false);
}

void TfrmGeneral::browseSound() {
    if (auto file = services_.browseSoundFile(edAlarmFile_->text().toStdString())) {
        edAlarmFile_->setText(QString::fromStdString(*file));
    }
}

void TfrmGeneral::browseLog() {
    if (auto file = services_.browseLogFile(edLog_->text().toStdString())) {
        edLog_->setText(QString::fromStdString(*file));
    }
}

void TfrmGeneral::viewLog() {
    if (!services_.openFile(edLog_->text().toStdString())) {
        boxes_.Error("Unable to open log file. ");
    }
}

void TfrmGeneral::clearLog() {
    if (boxes_.Confirm("If you answer Yes, you will lose any statistics related to this log file. "
                       "Really clear out log file?")) {
        ClearLogFile(edLog_->text().toStdString());
    }
}

void TfrmGeneral::resetCounter() {
    if (!boxes_.Confirm("Really reset spam counter?")) return;
    lblCount_->setText(QStringLiteral("0"));
    countReset_ = true;
}

void TfrmGeneral::findMail() {
    if (auto program = services_.findMailProgram())
        edMail_->setText(QString::fromStdString(*program));
}

}  // namespace kelvane

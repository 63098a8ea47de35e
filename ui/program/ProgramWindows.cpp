#include "ProgramWindows.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTreeView>
#include <QUrl>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "AtomicFile.h"
#include "EventPump.h"
#include "GatedConnect.h"
#include "LocaleListDate.h"
#include "LogFileNames.h"
#include "ProgramPaths.h"
#include "RuleDialogFields.h"
#include "RuleTrialLine.h"
#include "SecretStore.h"
#include "ShippedDefaults.h"
#include "ShownText.h"
#include "SoundPlayer.h"
#include "StatisticsOpener.h"
#include "TfrmAbout.h"
#include "TfrmDeletedJunk.h"
#include "TfrmGeneral.h"
#include "TfrmMailProgramSearch.h"
#include "TfrmOptionsMain.h"
#include "TfrmSplash.h"
#include "TrayIcon.h"
#include "TrialMessages.h"

namespace kelvane {
namespace {

constexpr int kTimeOutSeconds = 120;

bool SettingsFileMissing(const std::string& settingsFile) {
    std::error_code error;
    return !std::filesystem::exists(settingsFile, error) && !error;
}

bool OpenWithDesktop(const std::string& path, const QString& fragment = {}) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    if (!fragment.isEmpty()) url.setFragment(fragment);
    return QDesktopServices::openUrl(url);
}

}  // namespace

ProgramWindows::ProgramWindows(const std::string& folder, const std::string& settingsFile,
                               GeneralWindowServices generalServices, MessageBoxes* boxes,
                               ProgramOptions options)
    : options_(std::move(options)),
      realBoxes_(&window_),
      boxes_(boxes != nullptr ? *boxes : realBoxes_),
      frontEnd_(window_, boxes_),
      firstStart_(SettingsFileMissing(settingsFile)),
      session_(folder, settingsFile, frontEnd_),
      quarantine_(QuarantineFolder(session_.folder)),
      generalServices_(std::move(generalServices)),
      alarm_(options_.sound ? options_.sound : std::make_shared<QtSoundPlayer>(), options_.beep),
      tray_(std::make_unique<TrayIcon>()),
      automatic_(session_.run, session_.model, session_.store, session_.log, *this),
      timers_(options_.minuteMilliseconds, options_.splashMilliseconds,
              [this](TimerPool::Trigger fired) {
                  if (fired == TimerPool::Trigger::Minute)
                      minuteTick();
                  else
                      timSplashTimer();
              }) {
    frontEnd_.setRun(&session_.run);
    frontEnd_.setQuiet([this] { return automatic_.UnattendedRun() && !MainWindowVisible(); });
    frontEnd_.setRunStarting([this] { alarm_.stop(); });
    configureGate();
    session_.client.TimeOut = kTimeOutSeconds;
    session_.run.SetDateFormatter(LocaleListDate(QLocale::system()));
    session_.run.SetQuarantine(&quarantine_);
    // One keyring for the runs' sign-in and the Mailboxes page.
    if (generalServices_.keyring == nullptr) {
        // The window keeps drawing while the keyring's unlock prompt is up.
        keyring_ = MakeDesktopSecretStore([] { PumpEvents(); });
        generalServices_.keyring = keyring_.get();
    }
    session_.run.SetSecretStore(generalServices_.keyring);
}

ProgramWindows::~ProgramWindows() {
    QApplication::setQuitOnLastWindowClosed(true);
}

GeneralWindowServices ProgramWindows::completeServices(GeneralWindowServices services) {
    if (!services.findMailProgram) {
        services.findMailProgram = [this]() -> std::optional<std::string> {
            TfrmMailProgramSearch search(boxes_, general_.get());
            if (search.exec() != QDialog::Accepted) return std::nullopt;
            return search.selectedProgram();
        };
    }
    if (!services.launchMailProgram) {
        services.launchMailProgram = [this](const std::string& program) {
            window_.launchMailProgram(program);
        };
    }
    if (!services.sound) services.sound = options_.sound;
    // The sound test is the alarm itself, so that whatever silences the alarm silences it.
    if (!services.alarm) {
        services.alarm = [this](bool on, const std::string& file, bool repeat) {
            alarm_.playAlarmSound(on, file, repeat);
        };
    }
    return services;
}

void ProgramWindows::Start() {
    if (options_.splashMilliseconds > 0) {
        splash_ = new TfrmSplash;
        splash_->show();
        QCoreApplication::processEvents();
    } else {
        timers_.setEnabled(TimerPool::Trigger::Splash, false);
    }
    for (const std::string& problem : CopyShippedDefaults(session_.folder)) boxes_.Error(problem);
    for (const std::string& problem : session_.Load()) boxes_.Error(problem);
    expireQuarantine();
    if (splash_) {
        splash_->showLoaded();
        // Counted from here: the splash trigger closes it once the program is up.
        timers_.setEnabled(TimerPool::Trigger::Splash, true);
    }
    general_ = std::make_unique<TfrmGeneral>(
        session_.model, session_.store, session_.spam, boxes_, session_.folder,
        completeServices(std::move(generalServices_)), &window_);
    QObject::connect(general_.get(), &QDialog::finished,
                     [this] { automatic_.GeneralSettingsClosed(); });
    createSpamSettings();
    createDeletedJunk();
    createStatistics();
    window_.setSpamSettingsOpener([this] { openSpamSettings(); });
    window_.setGeneralSettingsOpener([this] { openGeneralSettings(); });
    window_.setAboutOpener([this] { showAbout(); });
    window_.setHelpOpener([this] { openHelp(); });
    window_.attachRun(session_.run, boxes_);
    window_.setCommandPauser(
        [this](const std::function<void()>& command) { withMinuteTriggerPaused(command); });
    connectTray();
    connectAlarmStops();
    automatic_.Start();
    startTrayOrWindow();
    if (firstStart_) {
        general_->selectMailboxesPage();
        window_.openGeneralSettings();
    }
}

// What the gate asks of the program: whether the General settings are up, the alarm stopped by
// every command the user gives, and a refusal shown where the user looks.
void ProgramWindows::configureGate() {
    CommandGate& gate = window_.gate();
    gate.setGeneralSettingsProbe([this] { return general_ && general_->isVisible(); });
    gate.setBeforeCommand([this](Command) { alarm_.stop(); });
    gate.setRefusalShower([this](Command command, Blocker blocker) {
        const std::string text = RefusalText(blocker);
        if (!text.empty()) window_.setStatusText(QString::fromStdString(text));
        QWidget* blocking = nullptr;
        if (blocker == Blocker::SpamSettingsOpen ||
            (blocker == Blocker::AlreadyOpen && command == Command::SpamSettings)) {
            blocking = spamWindow_.get();
        } else if (blocker == Blocker::GeneralSettingsOpen ||
                   (blocker == Blocker::AlreadyOpen && command == Command::GeneralSettings)) {
            blocking = general_.get();
        } else if (blocker == Blocker::DeletedJunkOpen ||
                   (blocker == Blocker::AlreadyOpen && command == Command::DeletedJunk)) {
            blocking = deletedJunk_.get();
        }
        // The Deleted junk window's own commands are refused where the user looks.
        if (deletedJunk_ && deletedJunk_->isVisible() && !text.empty())
            deletedJunk_->showStatus(QString::fromStdString(text));
        if (blocking != nullptr && blocking->isVisible()) {
            blocking->raise();
            blocking->activateWindow();
        }
    });
}

void ProgramWindows::minuteTick() {
    window_.gate().Run(Command::MinuteTick, Origin::Timer,
                       [this] { automatic_.tmCheckForMailTimer(); });
}

// Without a notification area a program started "in the tray" would have no way back: it shows
// its window instead and says why.
void ProgramWindows::startTrayOrWindow() {
    const bool available = options_.trayAvailable ? options_.trayAvailable()
                                                  : QSystemTrayIcon::isSystemTrayAvailable();
    const bool inTray = session_.model.general.sysTray && available;
    tray_->setActive(inTray);
    window_.setTrayActive(inTray);
    window_.setStartedInTray(inTray);
    if (inTray) {
        // Hidden in the tray, the program lives on when its last window closes.
        QApplication::setQuitOnLastWindowClosed(false);
        window_.hideApplication();
        return;
    }
    window_.show();
    if (session_.model.general.sysTray) {
        window_.setStatusText(QObject::tr(
            "This desktop has no notification area: Kelvane shows its window instead of "
            "starting in the system tray"));
    }
}

void ProgramWindows::connectTray() {
    TrayIcon& tray = *tray_;
    CommandGate& gate = window_.gate();
    // The program's own commands, and those the main window performs for every menu.
    const auto on = [&tray, &gate](const char* name, Command command, auto body) {
        ConnectGated(gate, tray.action(name), command, body);
    };
    const auto same = [this, &tray](const char* name, Command command) {
        QAction* action = tray.action(name);
        MarkGated(action, CommandName(command));
        QObject::connect(action, &QAction::triggered,
                         [this, command] { window_.request(command); });
    };
    on("Show1", Command::TrayCheck, [this] { checkFromTray(); });
    same("LaunchEmailprogram1", Command::LaunchMailProgram);
    on("ShowMainScreen1", Command::ShowMain, [this] { window_.showApplication(); });
    same("Spam1", Command::SpamSettings);
    same("General1", Command::GeneralSettings);
    QAction* deletedJunk = tray.offerDeletedJunk();
    MarkGated(deletedJunk, CommandName(Command::DeletedJunk));
    QObject::connect(deletedJunk, &QAction::triggered,
                     [this] { window_.request(Command::DeletedJunk); });
    on("Viewlogfile1", Command::ViewLog, [this] { viewLogFile(); });
    on("EnableAutomatic1", Command::AutomaticMode,
       [this] { automatic_.EnableAutomatic1Click(true); });
    on("DisableAutomatic1", Command::AutomaticMode,
       [this] { automatic_.EnableAutomatic1Click(false); });
    same("Help2", Command::Help);
    same("About1", Command::About);
    same("Statistics1", Command::Statistics);
    // A run waiting on a server is asked to stop; the program ends once it has.
    QAction* exit = tray.action("Exit1");
    MarkGated(exit, CommandName(Command::Exit));
    QObject::connect(exit, &QAction::triggered, [this, &gate] {
        if (session_.run.running()) session_.run.Cancel();
        gate.Run(Command::Exit, Origin::User, [this] { exitFromTray(); });
    });
    QObject::connect(&tray, &TrayIcon::menuOpening, [this] { alarm_.stop(); });
    // The menu cannot start anything while a run talks to a server.
    QObject::connect(&window_, &TfrmMain::busyChanged, [this, &tray](bool busy) {
        tray.setAutoPopup(!busy);
        // A deletion by the user ends with the title of the mode and a full interval.
        if (!busy && session_.run.deletionInProgress() && !automatic_.UnattendedRun()) {
            automatic_.UpdateAutomaticCaptions(session_.model.general.automatic,
                                               session_.model.general.minutes);
        }
    });
}

// Any command of the main window, and any touch of its list, silences the alarm.
void ProgramWindows::connectAlarmStops() {
    for (const char* name : {"btList", "btMark", "btDelete", "btExit", "btLaunch", "btRemark"}) {
        if (auto* button = window_.findChild<QPushButton*>(QLatin1String(name))) {
            QObject::connect(button, &QPushButton::pressed, [this] { alarm_.stop(); });
        }
    }
    if (auto* list = window_.findChild<QTreeView*>(QStringLiteral("ListView1"))) {
        QObject::connect(list, &QTreeView::pressed, [this] { alarm_.stop(); });
        QObject::connect(list, &QTreeView::activated, [this] { alarm_.stop(); });
    }
    QObject::connect(&window_, &TfrmMain::alarmStopRequested, [this] { alarm_.stop(); });
    if (auto* options = window_.findChild<QMenu*>(QStringLiteral("mnuOptions"))) {
        QObject::connect(options, &QMenu::aboutToShow, [this] { alarm_.stop(); });
    }
}

// "Check e-mail for spam": the user's own check, then the countdown goes on.
void ProgramWindows::checkFromTray() {
    window_.showApplication();
    session_.run.Check();
    SetMinuteTrigger(session_.model.general.automatic);
}

// Modal, but without a loop of its own: the request may come from inside a run, which returns
// while the window stays open. The countdown waits until it closes.
void ProgramWindows::openGeneralSettings() {
    alarm_.stop();
    timers_.setEnabled(TimerPool::Trigger::Minute, false);
    if (!window_.isVisible()) window_.showApplication();
    general_->setWindowModality(Qt::ApplicationModal);
    general_->show();
    general_->raise();
    general_->activateWindow();
}

void ProgramWindows::createSpamSettings() {
    SpamWindowServices services;
    services.mailboxEntries = [this] {
        std::vector<std::string> entries;
        const MailboxAccounts& accounts = session_.model.accounts;
        for (int n = 1; n <= kMailboxCount; ++n) {
            const MailboxAccount& account = accounts.Account(n);
            if (!account.server.empty())
                entries.push_back(MailboxEntryText(n, account.userName, account.server));
        }
        return entries;
    };
    services.openHelp = [this](int topic) {
        if (!OpenWithDesktop(paths::JoinPath(session_.folder, paths::kHelpFile),
                             QStringLiteral("topic%1").arg(topic))) {
            boxes_.Error("Unable to open help file - kelvane.hlp.");
        }
    };
    spamWindow_ =
        std::make_unique<TfrmOptionsMain>(session_.spam, session_.known, session_.store, boxes_,
                                          session_.folder, std::move(services), &window_);
    // Read afresh each time a rule dialog opens: the latest listing and deletions.
    SetRuleTrialSource(*spamWindow_, [this] {
        return std::make_shared<RuleTrial>(LoadTrialMessages(
            session_.client, session_.run.currentMailbox(), session_.run.quarantine()));
    });
}

// Modal with a loop of its own; no unattended check starts under it.
void ProgramWindows::openSpamSettings() {
    withMinuteTriggerPaused([this] { spamWindow_->exec(); });
}

// Messages kept longer than the limits allow go at start-up; the program starts all the same
// when they cannot, and the next deletion run tries again.
void ProgramWindows::expireQuarantine() {
    try {
        quarantine_.Expire(session_.spam.options().quarantine, std::time(nullptr));
    } catch (const FileError& error) {
        window_.setStatusText(ShownText(error.what()));
    }
}

// Modal with a loop of its own, like the spam settings: no run starts under it, so that what it
// lists stays what the quarantine holds.
void ProgramWindows::createDeletedJunk() {
    DeletedJunkServices services = options_.deletedJunk;
    if (!services.mailProgram) services.mailProgram = [this] { return session_.run.mailProgram(); };
    deletedJunk_ = std::make_unique<TfrmDeletedJunk>(quarantine_, session_.spam, window_.gate(),
                                                     boxes_, std::move(services), &window_);
    window_.setDeletedJunkOpener([this] { openDeletedJunk(); });
    // A deletion run keeps and expires messages: an open list shows them afresh.
    QObject::connect(&window_, &TfrmMain::busyChanged, deletedJunk_.get(), [this](bool busy) {
        if (!busy && deletedJunk_->isVisible()) deletedJunk_->reload();
    });
}

void ProgramWindows::openDeletedJunk() {
    withMinuteTriggerPaused([this] { deletedJunk_->exec(); });
}

// The file the records go to now.
std::string ProgramWindows::currentLogFile() const {
    const GeneralSettings& general = session_.model.general;
    return CurrentLogFileName(general.logfile, LogNamingFrom(general.logMonth, general.logQuarter),
                              SystemLocalTime(), session_.folder);
}

void ProgramWindows::viewLogFile() {
    if (!OpenWithDesktop(currentLogFile())) boxes_.Error("Unable to open log file. ");
}

// The statistics do not pause the countdown: unattended checks go on while they are shown.
void ProgramWindows::createStatistics() {
    TfrmChartMain::Services services;
    services.logFileName = [this] { return currentLogFile(); };
    services.now = &SystemLocalTime;
    statistics_ = std::make_unique<StatisticsOpener>(boxes_, std::move(services), &window_);
    window_.setStatisticsOpener([this] {
        alarm_.stop();
        statistics_->open();
    });
    general_->offerStatistics([this] { window_.request(Command::Statistics); });
}

// Back as it was: a command started from a window that paused the countdown (the General
// settings' launch button) leaves it paused.
void ProgramWindows::withMinuteTriggerPaused(const std::function<void()>& show) {
    const bool wasRunning = timers_.enabled(TimerPool::Trigger::Minute);
    timers_.setEnabled(TimerPool::Trigger::Minute, false);
    alarm_.stop();
    show();
    if (wasRunning && session_.model.general.automatic)
        timers_.setEnabled(TimerPool::Trigger::Minute, true);
}

void ProgramWindows::openHelp() {
    withMinuteTriggerPaused([this] {
        if (!OpenWithDesktop(paths::JoinPath(session_.folder, paths::kHelpFile))) {
            boxes_.Error("Unable to open help file - kelvane.hlp.");
        }
    });
}

void ProgramWindows::showAbout() {
    withMinuteTriggerPaused([this] {
        const bool hidden = !window_.isVisible();
        TfrmAbout about(&window_, &session_.store);
        about.exec();
        if (hidden) window_.hideApplication();
    });
}

void ProgramWindows::timSplashTimer() {
    if (splash_) splash_->close();
    timers_.setEnabled(TimerPool::Trigger::Splash, false);
}

// The gate has stopped the alarm.
void ProgramWindows::exitFromTray() {
    window_.close();
    QApplication::quit();
}

void ProgramWindows::SetTitle(const std::string& title) {
    const QString shown = ShownText(title);
    window_.setTitle(shown);
    tray_->setHint(shown);
}

void ProgramWindows::SetMinuteTrigger(bool enabled) {
    // Paused while a settings window, the about box or a message window is open; their
    // closing sets it again.
    timers_.setEnabled(TimerPool::Trigger::Minute, enabled && !window_.gate().CountdownPaused());
}

void ProgramWindows::SetTrayAnimated(bool animated) {
    tray_->setAnimated(animated);
}

void ProgramWindows::SetAutomaticMenuChecked(bool on) {
    tray_->setAutomaticChecked(on);
}

void ProgramWindows::ShowApplication() {
    window_.showApplication();
}

void ProgramWindows::PlayAlarm(bool on) {
    const GeneralSettings& general = session_.model.general;
    // Until the General settings name one, the sound shipped in the program folder.
    const std::string file = general.alarmFile.empty()
                                 ? paths::JoinPath(session_.folder, paths::kAlarmSoundFile)
                                 : general.alarmFile;
    alarm_.playAlarmSound(on, file, general.repeat);
}

bool ProgramWindows::MainWindowVisible() const {
    return window_.isVisible() && !window_.isMinimized();
}

void ProgramWindows::HideTitleMark() {
    window_.hideTitleMark();
}

void ProgramWindows::Finish() {
    alarm_.stop();
    if (general_) general_->saveAtProgramEnd();
    if (spamWindow_) spamWindow_->saveColumnWidths();
}

}  // namespace kelvane

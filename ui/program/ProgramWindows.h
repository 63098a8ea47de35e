#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "AlarmPlayer.h"
#include "AutomaticCheck.h"
#include "CheckSession.h"
#include "DeletedJunkServices.h"
#include "GeneralWindowServices.h"
#include "QtMessageBoxes.h"
#include "Quarantine.h"
#include "TfrmMain.h"
#include "TfrmSplash.h"
#include "TimerPool.h"
#include "WindowFrontEnd.h"

namespace kelvane {

class SoundPlayer;
class StatisticsOpener;
class TfrmDeletedJunk;
class TfrmGeneral;
class TfrmOptionsMain;
class TrayIcon;
class SecretStore;

// What tests put in place of the desktop: the minute, the notification area and the sound.
struct ProgramOptions {
    int minuteMilliseconds = 60000;
    int splashMilliseconds = 1500;  // 0: no splash window
    // Whether the desktop has a notification area; QSystemTrayIcon's answer when empty.
    std::function<bool()> trayAvailable;
    std::shared_ptr<SoundPlayer> sound;  // Qt Multimedia when empty
    AlarmPlayer::Beep beep;              // the system's beep when empty
    // The Deleted junk window's file dialog and program start; the real ones where empty.
    DeletedJunkServices deletedJunk;
};

// The window program's objects in the order they need each other: the main window and its boxes,
// the session that the runs work with, the settings windows over the session's models, the tray
// icon, the minute trigger and the unattended checking they drive.
class ProgramWindows : private AutomaticCheckView {
  public:
    // `boxes` replaces the real message boxes when given (tests); it must outlive this object.
    ProgramWindows(const std::string& folder, const std::string& settingsFile,
                   GeneralWindowServices generalServices = {}, MessageBoxes* boxes = nullptr,
                   ProgramOptions options = {});
    ~ProgramWindows() override;
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // Loads the session and shows the program: its window, or only its tray icon when it starts
    // in the tray. Without a settings file (a first start) the General settings window opens on
    // its "Mailboxes" page, so the user sets up a mailbox.
    void Start();
    // The program's end: the general options written as the settings window holds them.
    void Finish();

    TfrmMain& window() { return window_; }
    TfrmGeneral& generalSettings() { return *general_; }
    TfrmOptionsMain& spamSettings() { return *spamWindow_; }
    TfrmDeletedJunk& deletedJunk() { return *deletedJunk_; }
    Quarantine& quarantine() { return quarantine_; }
    CheckSession& session() { return session_; }
    TrayIcon& tray() { return *tray_; }
    AutomaticCheck& automatic() { return automatic_; }
    bool minuteTriggerRunning() const { return timers_.enabled(TimerPool::Trigger::Minute); }

  private:
    void configureGate();
    void minuteTick();
    void openGeneralSettings();
    void createSpamSettings();
    void openSpamSettings();
    void expireQuarantine();
    void createDeletedJunk();
    void openDeletedJunk();
    GeneralWindowServices completeServices(GeneralWindowServices services);
    void startTrayOrWindow();
    void connectTray();
    void connectAlarmStops();
    void checkFromTray();
    void viewLogFile();
    std::string currentLogFile() const;
    void createStatistics();
    void openHelp();
    void showAbout();
    void exitFromTray();
    void timSplashTimer();
    // Runs `show` with the minute trigger paused, then resumes it in unattended mode.
    void withMinuteTriggerPaused(const std::function<void()>& show);

    // AutomaticCheckView
    void SetTitle(const std::string& title) override;
    void SetMinuteTrigger(bool enabled) override;
    void SetTrayAnimated(bool animated) override;
    void SetAutomaticMenuChecked(bool on) override;
    void ShowApplication() override;
    void PlayAlarm(bool on) override;
    bool MainWindowVisible() const override;
    void HideTitleMark() override;

    ProgramOptions options_;
    TfrmMain window_;
    QtMessageBoxes realBoxes_;
    MessageBoxes& boxes_;
    WindowFrontEnd frontEnd_;
    bool firstStart_;
    CheckSession session_;
    Quarantine quarantine_;
    std::unique_ptr<SecretStore> keyring_;  // the desktop's, unless the services bring one
    GeneralWindowServices generalServices_;
    std::unique_ptr<TfrmGeneral> general_;
    std::unique_ptr<TfrmOptionsMain> spamWindow_;
    std::unique_ptr<TfrmDeletedJunk> deletedJunk_;
    std::unique_ptr<StatisticsOpener> statistics_;
    AlarmPlayer alarm_;
    std::unique_ptr<TrayIcon> tray_;
    QPointer<TfrmSplash> splash_;
    AutomaticCheck automatic_;
    TimerPool timers_;
};

}  // namespace kelvane

#pragma once

#include <string>

namespace kelvane {

class ActivityLog;
class CheckRun;
class SettingsStore;
struct GeneralSettingsModel;

// What unattended checking shows and asks of the window program; a recording double in tests.
class AutomaticCheckView {
  public:
    virtual ~AutomaticCheckView() = default;
    // The window's title, its large title label and the tray icon's tooltip.
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetMinuteTrigger(bool enabled) = 0;
    // The tray icon animates while unattended checking is on.
    virtual void SetTrayAnimated(bool animated) = 0;
    // "Enable automatic check" checked when on, "Disable automatic check" when off.
    virtual void SetAutomaticMenuChecked(bool on) = 0;
    virtual void ShowApplication() = 0;
    virtual void PlayAlarm(bool on) = 0;
    // Session errors of an unattended check are absorbed only while the window is hidden.
    virtual bool MainWindowVisible() const = 0;
    // The small mark beside the title.
    virtual void HideTitleMark() {}
};

// "Kelvane - next e-mail check in 3 minutes"; "minute" without "s" at 1.
std::string NextCheckTitle(int minutes);

// The countdown of minutes and the unattended visit of every mailbox. Each minute tick counts
// down; at zero every checked mailbox is checked in turn, its junk deleted at once when the
// settings say so, and the visit stops at the first mailbox with mail waiting, bringing up the
// window and the alarm. All on the window's thread: a tick that comes while a run waits (the
// waits pump events) only counts, it never starts a second run.
class AutomaticCheck {
  public:
    AutomaticCheck(CheckRun& run, GeneralSettingsModel& model, SettingsStore& store,
                   ActivityLog& log, AutomaticCheckView& view);

    int MinutesToCheck() const { return minutesToCheck_; }
    bool UnattendedRun() const { return unattendedRun_; }

    // At start-up: the countdown from the settings and the captions of the mode.
    void Start();
    // Sets the title for the mode, switches the minute trigger, the menu and the tray icon.
    void UpdateAutomaticCaptions(bool on, int minutes);
    // The minute trigger fired.
    void tmCheckForMailTimer();
    void CheckAllMailBoxes();
    // "Enable automatic check" (on) or "Disable automatic check" from the tray: stored at once
    // and logged on every click.
    void EnableAutomatic1Click(bool on);
    // The General settings window closed: its mode, a full countdown, and its selected mailbox
    // for the next check the user starts.
    void GeneralSettingsClosed();

  private:
    // Checks one mailbox; false when the visit ends here.
    bool VisitMailbox(int mailbox, bool& mailWaiting);
    void ShowTitle(const std::string& title);
    int Minutes() const;

    CheckRun& run_;
    GeneralSettingsModel& model_;
    SettingsStore& store_;
    ActivityLog& log_;
    AutomaticCheckView& view_;
    int minutesToCheck_ = 0;
    bool unattendedRun_ = false;
    std::string title_;
};

}  // namespace kelvane

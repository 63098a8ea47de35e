#include "AutomaticCheck.h"

#include "ActivityLog.h"
#include "CheckRun.h"
#include "GeneralSettings.h"
#include "MatchOperator.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace kelvane {
namespace {

constexpr const char* kProgramTitle = "Kelvane";

// Clears a flag when the scope ends, however it ends.
class FlagScope {
  public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

  private:
    bool& flag_;
};

}  // namespace

std::string NextCheckTitle(int minutes) {
    return std::string(kProgramTitle) + " - next e-mail check in " + std::to_string(minutes) +
           (minutes == 1 ? " minute" : " minutes");
}

AutomaticCheck::AutomaticCheck(CheckRun& run, GeneralSettingsModel& model, SettingsStore& store,
                               ActivityLog& log, AutomaticCheckView& view)
    : run_(run), model_(model), store_(store), log_(log), view_(view) {}

int AutomaticCheck::Minutes() const {
    return model_.general.minutes;
}

void AutomaticCheck::Start() {
    minutesToCheck_ = Minutes();
    UpdateAutomaticCaptions(model_.general.automatic, Minutes());
}

void AutomaticCheck::ShowTitle(const std::string& title) {
    title_ = title;
    view_.SetTitle(title);
}

void AutomaticCheck::UpdateAutomaticCaptions(bool on, int minutes) {
    view_.SetMinuteTrigger(on);
    ShowTitle(on ? NextCheckTitle(minutes) : kProgramTitle);
    view_.SetAutomaticMenuChecked(on);
    view_.SetTrayAnimated(on);
}

void AutomaticCheck::tmCheckForMailTimer() {
    // A tick while a run waits (it pumps events) only counts; the run on the stack goes on.
    if (run_.running()) {
        if (minutesToCheck_ > 0) --minutesToCheck_;
        return;
    }
    --minutesToCheck_;
    UpdateAutomaticCaptions(model_.general.automatic, Minutes());
    {
        FlagScope unattended(unattendedRun_);
        CheckAllMailBoxes();
    }
    view_.SetTitle(title_);
    view_.SetMinuteTrigger(true);
}

void AutomaticCheck::CheckAllMailBoxes() {
    if (minutesToCheck_ > 0) {
        ShowTitle(NextCheckTitle(minutesToCheck_));
        return;
    }
    view_.SetMinuteTrigger(false);
    bool mailWaiting = false;
    for (int mailbox = 1; mailbox <= kMailboxCount; ++mailbox) {
        if (!VisitMailbox(mailbox, mailWaiting)) {
            // An error the user saw ends the visit; the next tick tries again.
            if (!mailWaiting) return;
            break;
        }
    }
    if (!mailWaiting) ShowTitle(std::string(kProgramTitle) + " - No waiting messages found");
    minutesToCheck_ = Minutes();
}

bool AutomaticCheck::VisitMailbox(int mailbox, bool& mailWaiting) {
    const MailboxAccount& account = model_.accounts.Account(mailbox);
    // A mailbox that cannot be checked is passed over before it is loaded, so that the client's
    // account always belongs to the rows of the list. Blank names are judged as the check run
    // judges them, which would otherwise stop to ask for the settings while the user is away.
    if (!account.check || IsBlankText(account.server) || IsBlankText(account.userName)) {
        return true;
    }
    run_.setCurrentMailbox(mailbox);
    run_.LoadCurrentMailbox();
    ShowTitle(std::string(kProgramTitle) + " - Now checking e-mail for " + account.userName);
    const bool absorb = !view_.MainWindowVisible();
    if (run_.Check({.chooseMailbox = false, .absorbErrors = absorb}) == RunOutcome::Failed) {
        return false;
    }
    if (model_.general.kill) {
        return run_.Delete({.interactive = false}) != RunOutcome::Failed;
    }
    if (run_.rows().empty()) return true;
    mailWaiting = true;
    ShowTitle(std::string(kProgramTitle) + " - MailBox " + account.userName + " - " +
              std::to_string(run_.rows().size()) + " messages");
    view_.HideTitleMark();
    view_.ShowApplication();
    if (model_.general.alarm) view_.PlayAlarm(true);
    return false;
}

void AutomaticCheck::EnableAutomatic1Click(bool on) {
    store_.Write([&](SettingsWriter& w) { w.WriteBool(settingkeys::Automatic, on); });
    model_.general.automatic = on;
    if (!on) minutesToCheck_ = Minutes();
    UpdateAutomaticCaptions(on, Minutes());
    log_.WriteModeRecord(on);
}

void AutomaticCheck::GeneralSettingsClosed() {
    UpdateAutomaticCaptions(model_.general.automatic, Minutes());
    minutesToCheck_ = Minutes();
    // Unless a listing is still shown: its rows must keep the account they came from.
    if (run_.rows().empty() && !run_.running()) {
        run_.setCurrentMailbox(ValidMailboxNumber(model_.accounts.which));
        run_.LoadCurrentMailbox();
    }
}

}  // namespace kelvane

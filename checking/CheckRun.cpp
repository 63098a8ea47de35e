#include "CheckRun.h"

#include <cstdio>
#include <filesystem>

#include "ActivityLog.h"
#include "CheckFrontEnd.h"
#include "GeneralSettings.h"
#include "MailErrors.h"
#include "MatchOperator.h"
#include "RemotePOPSettings.h"
#include "SpamSettings.h"
#include "TmsRemotePOP.h"

namespace kelvane {

namespace {

constexpr const char* kRetrievingTitle = "Retrieving messages ... standby";

}  // namespace

CheckRun::CheckRun(SpamSettings& spam, GeneralSettingsModel& general, SettingsStore& store,
                   TmsRemotePOP& client, ActivityLog& log, KnownSpammers& known,
                   DomainChecker& domains, CheckFrontEnd& frontEnd)
    : spam_(spam),
      general_(general),
      store_(store),
      client_(client),
      log_(log),
      frontEnd_(frontEnd),
      classifier_(
          spam,
          [this](int index) -> const TmsHeaders* {
              if (index < 0 || index >= client_.Info().Count()) return nullptr;
              return &client_.Info().Items(index).Headers;
          },
          rows_, domains, known, general.accounts) {
    current_ = ValidMailboxNumber(general.accounts.which);
    ConnectEvents();
}

CheckRun::~CheckRun() = default;

void CheckRun::LoadCurrentMailbox() {
    current_ = ValidMailboxNumber(current_);
    PopLogin login{client_.Server, client_.UserName, client_.Password};
    GetRemotePOPSettings(current_, store_, login, frontEnd_);
    client_.Server = login.server;
    client_.UserName = login.userName;
    client_.Password = login.password;
}

RunOutcome CheckRun::Check(const CheckOptions& options) {
    if (general_.accounts.HowManyMailboxesChecked() == 0) {
        frontEnd_.Error("At least ONE mailbox needs to be checked.");
        frontEnd_.OpenGeneralSettings();
        return RunOutcome::Stopped;
    }
    LoadCurrentMailbox();
    if (!AccountComplete()) return RunOutcome::Stopped;
    if (options.chooseMailbox && !ChooseMailbox()) return RunOutcome::Stopped;
    client_.KeepConnected = OnlyOneMailbox();
    ClearRows();
    frontEnd_.SetBusy(true);
    frontEnd_.ShowProgressWindow(kRetrievingTitle);
    if (!RunListing(options.absorbErrors)) return RunOutcome::Failed;
    FinishCheck();
    return RunOutcome::Done;
}

bool CheckRun::AccountComplete() {
    const char* problem = nullptr;
    if (IsBlankText(client_.UserName)) {
        problem = "You need to enter your e-mail username in the settings.";
    } else if (IsBlankText(client_.Server)) {
        problem = "You need to enter the name of your mail server in the settings.";
    }
    if (problem == nullptr) return true;
    frontEnd_.Error(problem);
    frontEnd_.OpenGeneralSettings();
    return false;
}

bool CheckRun::ChooseMailbox() {
    const MailboxAccounts& boxes = general_.accounts;
    if (boxes.HowManyMailboxesChecked() == 1) {
        current_ = boxes.FirstMailboxChecked();
    } else {
        const std::optional<int> chosen = frontEnd_.PickMailbox(current_, boxes.PickerChoices());
        if (!chosen) return false;
        current_ = *chosen;
    }
    general_.accounts.which = current_;
    LoadCurrentMailbox();
    return true;
}

// UpdateInfo with the run's state around it; false when an error ended the run.
bool CheckRun::RunListing(bool absorbErrors) {
    checking_ = true;
    classifier_.SetCurrentMailbox(client_.Server, client_.UserName);
    classifier_.StartCheckRun();
    lastErrorLogged_ = false;
    try {
        client_.UpdateInfo();
    } catch (const EMailError& error) {
        if (!absorbErrors) {
            Failed(error);
            return false;
        }
    }
    return true;
}

void CheckRun::Failed(const EMailError& error) {
    lastError_ = error.what();
    frontEnd_.Error(lastError_);
}

void CheckRun::FinishCheck() {
    checking_ = false;
    frontEnd_.HideProgressWindow();
    frontEnd_.SetBusy(false);
    log_.WriteCheckRecord(rows_.size(), client_.UserName, client_.Server);
    if (rows_.empty() && !general_.general.automatic && general_.general.exitIfNoMail) {
        frontEnd_.CloseProgram();
    }
    ShowTotalCount();
    SaveSpamSettings();
}

void CheckRun::SaveSpamSettings() {
    for (const std::string& failure : spam_.Savesettings()) frontEnd_.Error(failure);
}

void CheckRun::AutoMark() {
    if (classifier_.AutoMark() == 0) frontEnd_.Information(kNoMatchesMessage);
    frontEnd_.MarksChanged();
    ShowTotalCount();
}

void CheckRun::Cancel() {
    client_.Cancel();
    if (checking_) ClearRows();
    checking_ = false;
    frontEnd_.SetBusy(false);
    frontEnd_.HideProgressWindow();
}

void CheckRun::ClearRows() {
    if (rows_.empty()) return;
    rows_.clear();
    frontEnd_.RowsReset();
}

int CheckRun::MarkedCount() const {
    int marked = 0;
    for (const MessageEntry& row : rows_) marked += IsMarkedForDeletion(row.mark) ? 1 : 0;
    return marked;
}

std::string CheckRun::TotalCountText() const {
    return "Message Total: " + std::to_string(rows_.size()) +
           " Number Marked: " + std::to_string(MarkedCount());
}

void CheckRun::ShowTotalCount() {
    frontEnd_.ShowStatus(TotalCountText());
}

bool CheckRun::OnlyOneMailbox() const {
    const MailboxAccounts& boxes = general_.accounts;
    if (boxes.Account(1).server.empty()) return false;
    for (int n = 2; n <= kMailboxCount; ++n) {
        if (!boxes.Account(n).server.empty()) return false;
    }
    return true;
}

void CheckRun::CleanUpEMLFiles() const {
    for (int n = 0; n <= 100; ++n) {
        std::error_code ignored;
        std::filesystem::remove(client_.MessageDirectory() + "msg_" + std::to_string(n) + ".eml",
                                ignored);
    }
}

}  // namespace kelvane

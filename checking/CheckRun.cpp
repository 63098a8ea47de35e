#include "CheckRun.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "ActivityLog.h"
#include "CheckFrontEnd.h"
#include "DomainChecker.h"
#include "EventPump.h"
#include "GeneralSettings.h"
#include "MailErrors.h"
#include "MailboxPassword.h"
#include "MailboxSecurity.h"
#include "MatchOperator.h"
#include "PasswordCommand.h"
#include "RemotePOPSettings.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SpamSettings.h"
#include "TagRas.h"
#include "TlsErrors.h"
#include "TmsRemotePOP.h"

namespace kelvane {
namespace {

// Whether the chosen dial-up entry is among `entries`. A file from before names were kept gives
// only a position: it is read once, and the name holds after.
bool NameChosenEntry(GeneralSettings& general, const std::vector<std::string>& entries) {
    const auto position = static_cast<std::size_t>(general.ras);
    if (general.rasName.empty() && position <= entries.size()) {
        general.rasName = entries[position - 1];
    }
    return std::find(entries.begin(), entries.end(), general.rasName) != entries.end();
}

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
      domains_(domains),
      classifier_(
          spam,
          [this](int index) -> const TmsHeaders* {
              if (index < 0 || index >= client_.Info().Count()) return nullptr;
              return &client_.Info().Items(index).Headers;
          },
          rows_, domains, known, general.accounts),
      oauth_({}, [this](const OAuthClient& client, const std::string& refreshToken) {
          return RefreshWhilePumping(client, refreshToken);
      }) {
    current_ = ValidMailboxNumber(general.accounts.which);
    ConnectEvents();
}

CheckRun::~CheckRun() {
    if (dialUp_ && client_.RAS == dialUp_.get()) client_.RAS = nullptr;
}

CheckRun::RunScope::RunScope(CheckRun& run) : run_(run) {
    run_.onStack_ = true;
    run_.cancelRequested_ = false;
    run_.domains_.ClearCancel();
}

CheckRun::RunScope::~RunScope() {
    run_.onStack_ = false;
}

void CheckRun::LoadCurrentMailbox() {
    current_ = ValidMailboxNumber(current_);
    PopLogin login{client_.Server, client_.UserName, client_.Password,
                   static_cast<int>(client_.Security), client_.PinnedFingerprint};
    GetRemotePOPSettings(current_, store_, login, frontEnd_);
    client_.Server = login.server;
    client_.UserName = login.userName;
    client_.Password = login.password;
    storedPassword_ = login.password;
    passwordCommand_ = store_.ReadString(settingkeys::PasswordCommandN, current_);
    oauthMailbox_ = {current_, client_.Server, client_.UserName, {}};
    ReadOAuthSettings(store_, current_, oauthMailbox_.settings);
    client_.SignIn = oauthMailbox_.settings.oauth2 ? PopSignIn::OAuth2 : PopSignIn::Password;
    client_.Security = static_cast<PopSecurity>(login.security);
    client_.PinnedFingerprint = login.fingerprint;
    // The program's folder, which also takes the message files.
    const std::string& folder = client_.MessageDirectory();
    client_.HeaderCacheFile =
        folder.empty() ? "" : folder + "headers" + std::to_string(current_) + ".cache";
    ChooseDialUp();
}

// Without a chosen entry the client connects over whatever network is there.
void CheckRun::ChooseDialUp() {
    TagRas* chosen = ChosenDialUp();
    // Once unlinked, nothing would ask the component to hang up what it dialled; a session still
    // open (kept for a deletion) needs its line for QUIT, though.
    if (chosen == nullptr && dialUp_ && client_.RAS == dialUp_.get() && !client_.Connected()) {
        dialUp_->Release();
    }
    client_.RAS = chosen;
}

// The entry goes by its name: a position would move to another peer as peers come and go. A
// chosen entry that is gone is no reason to dial another one.
TagRas* CheckRun::ChosenDialUp() {
    GeneralSettings& general = general_.general;
    if (general.ras <= 0) return nullptr;
    if (!dialUp_) {
        dialUp_ = makeDialUp_ ? makeDialUp_() : std::make_unique<TagRas>();
        // A dial takes seconds; its steps show where the run is.
        dialUp_->OnStatusChange = [this](TagRas&, const std::string& status) {
            if (!status.empty()) frontEnd_.ShowStatus(status);
        };
    }
    if (!NameChosenEntry(general, dialUp_->Entries())) return nullptr;
    // Refused while connected: the entry in use stays until the line is released.
    dialUp_->SetService(general.rasName);
    return dialUp_->Service().empty() ? nullptr : dialUp_.get();
}

const std::string& CheckRun::mailProgram() const {
    return general_.general.mailer;
}

// No QUIT: the session has no deletions pending, so closing loses nothing.
void CheckRun::MailProgramLaunched() {
    ClearRows();
    client_.Close();
}

RunOutcome CheckRun::Check(const CheckOptions& options) {
    if (onStack_) return RunOutcome::Stopped;
    RunScope scope(*this);
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
    const bool signedIn = client_.SignIn == PopSignIn::OAuth2
                              ? FetchAccessToken(options.absorbErrors)
                              : FetchPassword(options.absorbErrors);
    if (!signedIn) return RunOutcome::Failed;
    frontEnd_.SetBusy(true);
    frontEnd_.ShowProgressWindow(kRetrievingTitle);
    if (!RunListing(options.absorbErrors)) return RunOutcome::Failed;
    FinishCheck();
    return RunOutcome::Done;
}

bool CheckRun::FetchPassword(bool absorbErrors) {
    const MailboxPasswordSettings settings{{client_.Server, client_.UserName, SecretKind::Password},
                                           passwordCommand_,
                                           storedPassword_};
    std::string failure;
    try {
        // Cancel stops a command that is still running.
        client_.Password = MailboxPassword(settings, secrets_, [this] {
            PumpEvents();
            if (cancelRequested_) throw ECanceledError(kOperationCanceled);
        });
        return true;
    } catch (const ECanceledError&) {
        Canceled();
        return false;
    } catch (const PasswordCommandError& error) {
        failure = error.what();
    } catch (const SecretStoreError& error) {
        failure = error.what();
    }
    log_.WriteErrorRecord(failure, client_.UserName, client_.Server);
    lastError_ = failure;
    frontEnd_.ShowStatus(failure);
    if (!absorbErrors) frontEnd_.Error(failure);
    return false;
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
        // The mailbox chosen in the settings, even after an unattended visit ended elsewhere.
        const std::optional<int> chosen =
            frontEnd_.PickMailbox(ValidMailboxNumber(boxes.which), boxes.PickerChoices());
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
        SigningIn([this] { client_.UpdateInfo(); });
        // A cancel while the listing's last pass worked without waiting: nothing raised it.
        if (cancelRequested_) throw ECanceledError(kOperationCanceled);
    } catch (const ECertificateError& error) {
        if (!absorbErrors) {
            Refused(error);
            return false;
        }
    } catch (const EMailError& error) {
        if (cancelRequested_) {
            Canceled();
            return false;
        }
        if (!absorbErrors) {
            Failed(error.what());
            return false;
        }
    }
    return true;
}

// The user may know the certificate (a provider's own, or one they made): trusting it pins it
// for this mailbox, and the next check accepts exactly that certificate.
void CheckRun::Refused(const ECertificateError& error) {
    lastError_ = error.what();
    if (!lastErrorLogged_) log_.WriteErrorRecord(lastError_, client_.UserName, client_.Server);
    lastErrorLogged_ = true;
    if (!frontEnd_.OfferTrust(error.reason(), error.certificate())) return;
    try {
        StoreTrustedFingerprint(store_, general_.accounts, current_,
                                error.certificate().fingerprint);
    } catch (const std::exception& failure) {
        frontEnd_.Error(failure.what());
    }
}

void CheckRun::Failed(const std::string& text) {
    lastError_ = text;
    if (!lastErrorLogged_) log_.WriteErrorRecord(text, client_.UserName, client_.Server);
    lastErrorLogged_ = true;
    frontEnd_.Error(lastError_);
}

// Every wait has unwound by now, so the rows and the windows are the run's to change again.
void CheckRun::Canceled() {
    if (checking_) ClearRows();
    checking_ = false;
    log_.WriteCancellationRecord(client_.UserName, client_.Server);
    frontEnd_.SetBusy(false);
    frontEnd_.HideProgressWindow();
    Failed(kOperationCanceled);
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
    ShowDomainNotice();
    SaveSpamSettings();
}

// After the totals, which would otherwise cover it at once.
void CheckRun::ShowDomainNotice() {
    const std::string notice = classifier_.DomainCheckNotice();
    if (!notice.empty()) frontEnd_.ShowNotice(notice);
}

void CheckRun::SaveSpamSettings() {
    for (const std::string& failure : spam_.Savesettings()) frontEnd_.Error(failure);
}

// Sender-domain lookups may wait, so Auto mark is a run like the others and can be cancelled.
void CheckRun::AutoMark() {
    if (onStack_) return;
    RunScope scope(*this);
    frontEnd_.SetBusy(true);
    try {
        if (classifier_.AutoMark() == 0) frontEnd_.Information(kNoMatchesMessage);
    } catch (const ECanceledError&) {
        // The marks set before the cancel stay; the rest are unmarked.
    }
    frontEnd_.SetBusy(false);
    frontEnd_.MarksChanged();
    ShowTotalCount();
}

void CheckRun::Cancel() {
    if (onStack_) {
        cancelRequested_ = true;
        client_.Cancel();
        domains_.Cancel();
        return;
    }
    // Nothing waits: what is left to do is tidy up after a run that failed.
    client_.Cancel();
    log_.WriteCancellationRecord(client_.UserName, client_.Server);
    if (checking_) ClearRows();
    checking_ = false;
    frontEnd_.SetBusy(false);
    frontEnd_.HideProgressWindow();
}

bool CheckRun::EndSession() {
    if (onStack_ || !client_.Connected()) return true;
    lastErrorLogged_ = false;
    try {
        client_.Disconnect();
        return true;
    } catch (const EMailError& error) {
        // After QUIT the session is over, whatever the server answered.
        client_.Close();
        Failed(error.what());
        return false;
    }
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

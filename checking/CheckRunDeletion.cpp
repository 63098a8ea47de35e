// The deletion run: deletes the rows marked for deletion and lists the mailbox again.
#include <algorithm>
#include <ctime>
#include <optional>

#include "ActivityLog.h"
#include "AtomicFile.h"
#include "CheckFrontEnd.h"
#include "CheckRun.h"
#include "GeneralSettings.h"
#include "MailErrors.h"
#include "Quarantine.h"
#include "QuarantineKeeper.h"
#include "SpamCounter.h"
#include "SpamSettings.h"
#include "TmsRemotePOP.h"

namespace kelvane {

void CheckRun::ConnectDeleteEvents() {
    client_.OnDeleting = [this](TagSocket&, int num) { DeletingRow(num); };
    client_.OnDeleted = [this](TagSocket&, int num) { RowDeleted(num); };
    client_.OnDeleteRefused = [this](TagSocket&, int num, const std::string& reply) {
        RowNotDeleted(num,
                      reply.empty() ? "the server gave no reply" : "the server replied " + reply);
    };
    client_.OnSkipped = [this](TagSocket&, int num) {
        if (retrieving_) {
            retrievalSkipped_ = true;
            return;
        }
        RowNotDeleted(num, "another program changed the mailbox");
    };
}

RunOutcome CheckRun::Delete(const DeleteOptions& options) {
    if (onStack_ || deleting_) return RunOutcome::Stopped;
    RunScope scope(*this);
    deleting_ = true;
    deleted_ = 0;
    notDeleted_.clear();
    const int marked = MarkedCount();
    const int total = static_cast<int>(rows_.size());
    RunOutcome outcome = RunOutcome::Stopped;
    if (ConfirmDeletion(marked, options)) {
        outcome = ProcessDeletions(marked) ? RunOutcome::Done : RunOutcome::Failed;
        if (outcome == RunOutcome::Done && !AfterDeletion(marked, total, options)) {
            outcome = RunOutcome::Failed;
        }
    }
    deleting_ = false;
    return outcome;
}

bool CheckRun::ConfirmDeletion(int marked, const DeleteOptions& options) {
    const bool asks = options.interactive && !general_.general.automatic && general_.general.ask;
    if (marked == 0) {
        if (asks) frontEnd_.Information("There were no messages marked to delete!");
        return false;
    }
    return !asks ||
           frontEnd_.Confirm("Really delete " + std::to_string(marked) + " messages from server?");
}

// SelectForDeletion and ProcessMarked with the log held open; false when an error ended it.
// A POP3 server removes messages only when the session ends with QUIT, so the deletion blocks
// wait until ProcessMarked has logged out: a session that breaks off first deleted nothing.
bool CheckRun::ProcessDeletions(int marked) {
    // ProcessMarked keeps its marks when it breaks off: a row the user has since unmarked must
    // not be deleted on the strength of an earlier run's selection.
    client_.DeselectAll();
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        if (IsMarkedForDeletion(rows_[i].mark)) client_.SelectForDeletion(i);
    }
    progressMax_ = marked;
    progressPosition_ = 1;
    confirmed_.clear();
    frontEnd_.SetBusy(true);
    log_.OpenLogFile();
    frontEnd_.ShowProgressWindow("Deleting messages ... standby");
    lastErrorLogged_ = false;
    std::optional<QuarantineKeeper> keeper = MakeKeeper();
    client_.Keeper = keeper ? &*keeper : nullptr;
    try {
        SigningIn([this] { client_.ProcessMarked(); });
    } catch (const EMailError& error) {
        client_.Keeper = nullptr;
        log_.CloseLogFile();
        if (cancelRequested_)
            Canceled();
        else
            Failed(error.what());
        return false;
    }
    client_.Keeper = nullptr;
    if (keeper) ReportNotKept(keeper->failures());
    for (const DeletedMessage& message : confirmed_) log_.WriteDeletionBlock(message);
    log_.CloseLogFile();
    deleted_ = static_cast<int>(confirmed_.size());
    CountDeletions();
    return true;
}

// The keeper of this run's messages, when the user keeps deleted messages.
std::optional<QuarantineKeeper> CheckRun::MakeKeeper() {
    if (quarantine_ == nullptr || !spam_.options().quarantine.keep) return std::nullopt;
    const long long now = static_cast<long long>(std::time(nullptr));
    return std::optional<QuarantineKeeper>(
        std::in_place, *quarantine_, spam_.options().quarantine, [this, now](int num) {
            const MessageEntry& row = rows_.at(static_cast<std::size_t>(num));
            KeptMessage kept;
            kept.deletedAt = now;
            kept.mailbox = current_;
            kept.user = client_.UserName;
            kept.server = client_.Server;
            kept.subject = row.subject;
            kept.sender = row.sender;
            kept.size = row.size;
            kept.date = row.date;
            kept.mark = row.mark;
            std::vector<std::string> why = WhyLines(classifier_, rows_, num);
            why.erase(why.begin(), why.begin() + std::min(why.size(), kWhyHeadingLines));
            kept.reasons = std::move(why);
            return kept;
        });
}

// The messages that could not be kept stayed on the server, like those it refused to delete.
void CheckRun::ReportNotKept(const std::map<int, std::string>& failures) {
    for (const auto& [num, reason] : failures) RowNotDeleted(num, reason);
    std::sort(
        notDeleted_.begin(), notDeleted_.end(),
        [](const NotDeletedMessage& a, const NotDeletedMessage& b) { return a.number < b.number; });
}

// Raised from the stored count under the settings lock, so that the deletions another program
// counted meanwhile (kelvane-check from cron) are kept; only the count is written.
void CheckRun::CountDeletions() {
    try {
        general_.general.count = RaiseStoredSpamCount(store_, deleted_);
    } catch (const FileError& error) {
        general_.general.count = AddToSpamCount(general_.general.count, deleted_);
        frontEnd_.Error(error.what());
    }
}

// Refreshes the list or launches the mail program; false when the refresh failed.
bool CheckRun::AfterDeletion(int marked, int total, const DeleteOptions& options) {
    ClearRows();
    ExpireQuarantine();
    const bool launch = options.interactive && !general_.general.automatic &&
                        general_.general.launch && marked < total;
    if (!launch) {
        frontEnd_.ShowProgressWindow(kRetrievingTitle);
        classifier_.StartCheckRun();
        lastErrorLogged_ = false;
        try {
            SigningIn([this] { client_.UpdateInfo(); });
            if (cancelRequested_) throw ECanceledError(kOperationCanceled);
        } catch (const EMailError& error) {
            if (cancelRequested_)
                Canceled();
            else
                Failed(error.what());
            return false;
        }
    }
    frontEnd_.SetBusy(false);
    frontEnd_.ShowStatus("There were " + std::to_string(deleted_) + " messages deleted");
    ShowDomainNotice();
    frontEnd_.HideProgressWindow();
    if (launch) frontEnd_.LaunchMailProgram();
    return true;
}

void CheckRun::ExpireQuarantine() {
    if (quarantine_ == nullptr) return;
    try {
        quarantine_->Expire(spam_.options().quarantine, static_cast<long long>(std::time(nullptr)));
    } catch (const FileError& error) {
        log_.WriteErrorRecord(error.what(), client_.UserName, client_.Server);
    }
}

void CheckRun::DeletingRow(int num) {
    const std::string& subject = rows_.at(num).subject;
    frontEnd_.ShowProgressMessage("Deleting " + subject);
    frontEnd_.ShowProgressBar(progressMax_, progressPosition_++);
    frontEnd_.ShowStatus("Deleting " + std::to_string(num + 1) + " " + subject);
}

void CheckRun::RowDeleted(int num) {
    const MessageEntry& row = rows_.at(num);
    confirmed_.push_back(
        {client_.Server, client_.UserName, row.subject, row.sender, row.size, row.date});
}

void CheckRun::RowNotDeleted(int num, const std::string& reason) {
    const std::string text = "Message " + std::to_string(num + 1) + " was not deleted: " + reason;
    frontEnd_.ShowStatus(text);
    log_.WriteErrorRecord(text, client_.UserName, client_.Server);
    notDeleted_.push_back({num + 1, text});
}

}  // namespace kelvane

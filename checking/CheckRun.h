#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ListDateText.h"
#include "LogRecords.h"
#include "MessageEntry.h"
#include "SpamClassifier.h"

namespace kelvane {

class ActivityLog;
class CheckFrontEnd;
class DomainChecker;
class EMailError;
class KnownSpammers;
class SettingsStore;
class SpamSettings;
class TmsRemotePOP;
struct GeneralSettingsModel;

// How a run ended.
enum class RunOutcome {
    Done,     // finished, possibly after an absorbed error
    Stopped,  // stopped before contacting the server (settings missing, picker cancelled, ...)
    Failed,   // a mail or network error ended it; its text went to the front end's Error
};

struct CheckOptions {
    bool chooseMailbox = true;  // a check asked for by the user; an unattended one keeps `current`
    bool absorbErrors = false;  // an unattended check with the window hidden
};

struct DeleteOptions {
    bool interactive = true;  // a question may be asked and the mail program launched
};

// A marked message that a deletion run left on the server: refused, or skipped because another
// program had changed the mailbox.
struct NotDeletedMessage {
    int number;        // its POP3 number
    std::string text;  // "Message 3 was not deleted: the server replied -ERR locked"
};

// The check-mail run and the deletion run of one mailbox at a time, shared by the window
// program and the command line. Everything happens on the calling thread; the client's waits
// pump events, so Cancel() may come from a button pressed during a run.
class CheckRun {
  public:
    CheckRun(SpamSettings& spam, GeneralSettingsModel& general, SettingsStore& store,
             TmsRemotePOP& client, ActivityLog& log, KnownSpammers& known, DomainChecker& domains,
             CheckFrontEnd& frontEnd);
    ~CheckRun();
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    RunOutcome Check(const CheckOptions& options = {});
    RunOutcome Delete(const DeleteOptions& options = {});
    // "&Auto mark msgs": the list marked afresh; the user is told when no rule matched at all.
    void AutoMark();
    // "Click to cancel": stops the client's wait; a check in progress loses its rows.
    void Cancel();

    int currentMailbox() const { return current_; }
    void setCurrentMailbox(int mailbox) { current_ = mailbox; }
    // Loads the current mailbox's account into the client.
    void LoadCurrentMailbox();
    std::vector<MessageEntry>& rows() { return rows_; }
    const TmsRemotePOP& client() const { return client_; }
    SpamClassifier& classifier() { return classifier_; }
    bool checkInProgress() const { return checking_; }
    bool deletionInProgress() const { return deleting_; }
    // The text of the error that ended the last run, and whether the client logged it already
    // (a "-ERR" reply is raised without being reported).
    const std::string& lastError() const { return lastError_; }
    bool lastErrorLogged() const { return lastErrorLogged_; }
    // Messages the server confirmed deleting in the last deletion run.
    int deletedCount() const { return deleted_; }
    // Marked messages the last deletion run left on the server, in message order.
    const std::vector<NotDeletedMessage>& notDeleted() const { return notDeleted_; }
    int MarkedCount() const;
    // "Message Total: n Number Marked: m".
    std::string TotalCountText() const;
    void ShowTotalCount();
    void SetDateFormatter(DateFormatter format) { dateFormat_ = std::move(format); }
    // Removes msg_0.eml to msg_100.eml from the client's message directory.
    void CleanUpEMLFiles() const;
    // True when mailbox 1 alone has a server.
    bool OnlyOneMailbox() const;

  private:
    bool ChooseMailbox();
    bool AccountComplete();
    bool RunListing(bool absorbErrors);
    void FinishCheck();
    void SaveSpamSettings();
    void ConnectEvents();
    void ConnectCheckEvents();
    void ConnectDeleteEvents();
    void RowListed(int num);
    void ListingDone();
    void DeletingRow(int num);
    void RowDeleted(int num);
    void RowNotDeleted(int num, const std::string& reason);
    bool ConfirmDeletion(int marked, const DeleteOptions& options);
    bool ProcessDeletions(int marked);
    bool AfterDeletion(int marked, int total, const DeleteOptions& options);
    void ClearRows();
    void CountDeletions();
    void Failed(const EMailError& error);

    SpamSettings& spam_;
    GeneralSettingsModel& general_;
    SettingsStore& store_;
    TmsRemotePOP& client_;
    ActivityLog& log_;
    CheckFrontEnd& frontEnd_;
    std::vector<MessageEntry> rows_;
    SpamClassifier classifier_;
    DateFormatter dateFormat_ = DefaultListDate;
    int current_ = 1;
    bool checking_ = false;
    bool deleting_ = false;
    int progressMax_ = 0;
    int progressPosition_ = 1;
    int deleted_ = 0;
    std::vector<DeletedMessage> confirmed_;  // DELE answered "+OK", not yet committed by QUIT
    std::vector<NotDeletedMessage> notDeleted_;
    std::string lastError_;
    bool lastErrorLogged_ = false;
};

}  // namespace kelvane

#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ListActions.h"
#include "ListDateText.h"
#include "LogRecords.h"
#include "MessageEntry.h"
#include "OAuthSignIn.h"
#include "SpamClassifier.h"

namespace kelvane {

class ActivityLog;
class CheckFrontEnd;
class DomainChecker;
class ECertificateError;
class EMailError;
class KnownSpammers;
class Quarantine;
class SecretStore;
class QuarantineKeeper;
class SettingsStore;
class SpamSettings;
class TagRas;
class TmsRemotePOP;
struct GeneralSettingsModel;

// The progress window's title while messages are listed or downloaded.
inline constexpr const char* kRetrievingTitle = "Retrieving messages ... standby";

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
// program and the command line. Everything happens on the calling thread; the waits pump
// events, so Cancel() may come from a button pressed during a run. A handler called from the
// pump only asks: the run unwinds from wherever it waits and tidies up once, at its top, and
// while a run is on the stack no other run starts and nothing else touches its rows.
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
    // Downloads listed message `index` to RetrievedFile(index), readable by its owner alone,
    // once the server shows it is still the message listed; nothing is deleted. Done when the
    // file is there; a failure is logged and shown.
    RunOutcome Retrieve(int index);
    std::string RetrievedFile(int index) const;
    // What the "Why was this e-mail marked?" window shows for row `index`; nothing while a run
    // is on the stack.
    std::vector<std::string> Why(int index);
    // Rules made from the listed messages: the tables are saved at once and the rows marked
    // afresh. False, with nothing changed, while a run is on the stack.
    bool AddToExceptions(const std::vector<int>& selected);
    bool AddToSpamRules(const std::vector<SpamCandidate>& candidates, bool bySubject,
                        bool bySender);
    // "&Auto mark msgs": the list marked afresh; the user is told when no rule matched at all.
    void AutoMark();
    // "Click to cancel". During a run it only asks the waits to end; the run then tidies up
    // (a check loses its rows). Outside a run it tidies up after one that failed.
    void Cancel();
    // Logs out of a session a check kept open for its deletion (the program ending, or the
    // command line done with a mailbox); false when that failed, which is logged and shown.
    bool EndSession();
    // A run (check, deletion, Auto mark) is on the stack, waiting or working.
    bool running() const { return onStack_; }

    int currentMailbox() const { return current_; }
    void setCurrentMailbox(int mailbox) { current_ = mailbox; }
    // Loads the current mailbox's account into the client, and links the client to the chosen
    // dial-up entry (by its name; in an older file by its position), or to none.
    void LoadCurrentMailbox();
    // Makes the dial-up component when an entry is first chosen; the real one unless replaced.
    using DialUpFactory = std::function<std::unique_ptr<TagRas>()>;
    void SetDialUpFactory(DialUpFactory make) { makeDialUp_ = std::move(make); }
    // General/Mailer as the run reads it.
    const std::string& mailProgram() const;
    // Where a deletion run keeps each message before deleting it (the spam options' limits say
    // whether it does); none keeps nothing. After a deletion run the quarantine is expired.
    void SetQuarantine(Quarantine* quarantine) { quarantine_ = quarantine; }
    Quarantine* quarantine() const { return quarantine_; }
    // The desktop keyring the password may be kept in; none uses the settings file alone.
    void SetSecretStore(SecretStore* secrets) { secrets_ = secrets; }
    // The mail program was started: the list is emptied and the connection closed, since the
    // user now reads the mail there.
    void MailProgramLaunched();
    std::vector<MessageEntry>& rows() { return rows_; }
    const TmsRemotePOP& client() const { return client_; }
    SpamClassifier& classifier() { return classifier_; }
    bool checkInProgress() const { return checking_; }
    bool deletionInProgress() const { return deleting_; }
    // The text of the error that ended the last run; the run has logged and shown it.
    const std::string& lastError() const { return lastError_; }
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
    // Marks the run on the stack for its lifetime; a new run starts without an old cancel.
    class RunScope {
      public:
        explicit RunScope(CheckRun& run);
        ~RunScope();
        RunScope(const RunScope&) = delete;
        RunScope& operator=(const RunScope&) = delete;

      private:
        CheckRun& run_;
    };

    bool ChooseMailbox();
    void ChooseDialUp();
    TagRas* ChosenDialUp();
    bool AccountComplete();
    bool RunListing(bool absorbErrors);
    void FinishCheck();
    void SaveSpamSettings();
    void ConnectEvents();
    void ConnectCheckEvents();
    void ConnectDeleteEvents();
    void SaveRetrievedMessage(int num, const std::string& contents);
    void RowListed(int num);
    void ListingDone();
    void DeletingRow(int num);
    void RowDeleted(int num);
    void RowNotDeleted(int num, const std::string& reason);
    bool ConfirmDeletion(int marked, const DeleteOptions& options);
    bool ProcessDeletions(int marked);
    bool AfterDeletion(int marked, int total, const DeleteOptions& options);
    void ClearRows();
    // The password for the run's sessions from where the mailbox keeps it; false, with the error
    // shown (or only logged, when errors are absorbed), when it cannot be had.
    bool FetchPassword(bool absorbErrors = false);
    // The same for the access token of a mailbox that signs in with OAuth2.
    bool FetchAccessToken(bool absorbErrors);
    // Puts the access token in the client; `renew` drops the one kept, which the server refused.
    // Raises EServerError with the reason, logged, when no token can be had, and ECanceledError
    // after a cancel.
    void TakeAccessToken(bool renew);
    OAuthTokens RefreshWhilePumping(const OAuthClient& client, const std::string& refreshToken);
    // Runs `session`, which may sign in. With OAuth2 the client first gets a token that lasts,
    // and should the server refuse it, a new one for a second and last try.
    void SigningIn(const std::function<void()>& session);
    void CountDeletions();
    std::optional<QuarantineKeeper> MakeKeeper();
    void ReportNotKept(const std::map<int, std::string>& failures);
    void ExpireQuarantine();
    // A mail error that ended the run: logged (unless the client did), shown.
    void Failed(const std::string& text);
    // Ends a run whose error came from a cancel: the one place it is tidied up.
    void Canceled();
    // Ends a run whose server showed a certificate that cannot be trusted.
    void Refused(const ECertificateError& error);
    void ShowDomainNotice();

    SpamSettings& spam_;
    GeneralSettingsModel& general_;
    SettingsStore& store_;
    TmsRemotePOP& client_;
    ActivityLog& log_;
    CheckFrontEnd& frontEnd_;
    DomainChecker& domains_;
    std::vector<MessageEntry> rows_;
    SpamClassifier classifier_;
    DateFormatter dateFormat_ = DefaultListDate;
    int current_ = 1;
    bool checking_ = false;
    bool deleting_ = false;
    bool retrieving_ = false;
    bool retrievalSkipped_ = false;  // the message to retrieve no longer matched its listing
    bool onStack_ = false;
    bool cancelRequested_ = false;
    int progressMax_ = 0;
    int progressPosition_ = 1;
    int deleted_ = 0;
    std::vector<DeletedMessage> confirmed_;  // DELE answered "+OK", not yet committed by QUIT
    std::vector<NotDeletedMessage> notDeleted_;
    std::string lastError_;
    bool lastErrorLogged_ = false;
    Quarantine* quarantine_ = nullptr;
    SecretStore* secrets_ = nullptr;
    std::string storedPassword_;   // PasswdN of the current mailbox, deciphered
    std::string passwordCommand_;  // PasswordCommandN of the current mailbox
    OAuthMailbox oauthMailbox_;    // SignInN and the OAuth keys of the current mailbox
    OAuthSignIn oauth_;
    DialUpFactory makeDialUp_;
    std::unique_ptr<TagRas> dialUp_;
};

}  // namespace kelvane

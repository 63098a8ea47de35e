#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DomainCheck.h"
#include "KnownSpammers.h"
#include "MailHeaders.h"
#include "MarkState.h"
#include "MessageEntry.h"
#include "ReasonLog.h"
#include "RuleScanResult.h"
#include "RuleTestCache.h"
#include "SizeTest.h"

namespace kelvane {

class MessageTexts;
class SpamSettings;
struct MailboxAccounts;

// The header block of message `index`; nullptr when there is none, which reads as empty.
using HeaderSource = std::function<const TmsHeaders*(int index)>;

// Auto mark's message when no row ends up marked for deletion.
inline constexpr const char* kNoMatchesMessage =
    "None of the messages matched any of the spam criteria.";

// Whether the sender's domain is unknown, and whether the user wants a check mark for that.
struct DomainResult {
    bool unknown = false;
    bool checkMark = false;
    bool operator==(const DomainResult&) const = default;
};

// How the pass tests the rules: through the indexes of their values, or each rule in turn, the
// way the indexed pass must always agree with (kept to check it against).
enum class RulePass { Indexed, RuleByRule };

// The classification pass: gives message rows their marks from the user's rules, counting a hit
// on every rule that matched, or, while explaining one row, recording why it was marked.
//
// Order per row: an exception ends the row with its picture; then the size rules; then, while
// the row holds no check mark (or always, when explaining), the subject, sender and header
// rules, the sender domain and the known-spammer list. The strongest mark wins.
class SpamClassifier {
  public:
    SpamClassifier(SpamSettings& settings, HeaderSource headers, std::vector<MessageEntry>& rows,
                   DomainChecker& checker, KnownSpammers& knownSpammers,
                   const MailboxAccounts& accounts);

    void setRulePass(RulePass pass) { rulePass_ = pass; }

    // The mailbox whose messages the rows hold.
    void SetCurrentMailbox(std::string server, std::string userName);
    // A new check run: the sender domain test may look domains up again.
    void StartCheckRun() { domains_.StartCheckRun(); }

    // Runs the pass on row `index`, or on every row when `index` is negative. Starts from the
    // marks the rows hold.
    void MarkForDeletion(int index);
    // Clears every mark and runs the pass on all rows; returns how many rows are then marked for
    // deletion (when none are, the user is shown kNoMatchesMessage).
    int AutoMark();
    // Why row `index` is marked: runs the pass on it alone from no mark, counting no hits, and
    // returns the reason lines; `passMark`, when given, receives the mark the pass gave. The row
    // keeps its mark.
    std::vector<std::string> Explain(int index, MarkState* passMark = nullptr);

    // The single tests of the pass.
    std::optional<int> qIsInException(int index, std::string_view subject,
                                      std::string_view address);
    SizeResult tooBigSmall(std::string_view sizeText);
    RuleScanResult qMarkThisSubject(std::string_view subject);
    RuleScanResult qmarkThisSender(std::string_view address);
    RuleScanResult qMarkThisHeader(int index);
    DomainResult CheckDomain(int index);
    bool qUnknownDomain(std::string_view domain);
    std::optional<KnownListMatch> isInKnownList(std::string_view address) const;
    // The number (1 to 12) of the configured mailbox with the current server and user name,
    // ignoring case; 0 when there is none.
    int serverToIndex() const;

    bool explaining() const { return log_.explaining(); }
    void setExplaining(bool explaining) { log_.setExplaining(explaining); }
    ReasonLog& reasonLog() { return log_; }
    const DomainCheck& domains() const { return domains_; }
    // A text for the run's status when the sender domains could not be checked, else empty.
    std::string DomainCheckNotice() const { return domains_.notice(); }

  private:
    void PassOverRow(int index, const RuleTests& tests, int mailbox);
    void RunRuleSteps(int index, MessageTexts& message, const RuleTests& tests, int mailbox);
    void RunSenderSteps(int index, MessageTexts& message);
    void ApplySuspectOrDelete(int index, bool deletes);
    bool KeepsTesting(int index) const;
    // Whether row `index` is still there. A domain lookup or a long header decoding pumps
    // events, and a handler may empty or shorten the rows meanwhile: every step that follows
    // one asks, and a row that is gone is classified no further.
    bool Listed(int index) const;
    const TmsHeaders* HeadersOf(int index) const;
    DomainResult CheckDomain(MessageTexts& message);
    // The four tables' tests, by the chosen pass.
    std::optional<int> TestExceptions(const RuleTests& tests, MessageTexts& message);
    RuleScanResult TestSubject(const RuleTests& tests, const MessageTexts& message);
    RuleScanResult TestSender(const RuleTests& tests, MessageTexts& message);
    RuleScanResult TestHeaders(const RuleTests& tests, MessageTexts& message, int mailbox);

    SpamSettings& settings_;
    HeaderSource headers_;
    std::vector<MessageEntry>& rows_;
    KnownSpammers& knownSpammers_;
    const MailboxAccounts& accounts_;
    DomainCheck domains_;
    RuleTestCache ruleTests_;
    ReasonLog log_;
    RulePass rulePass_ = RulePass::Indexed;
    std::string server_;
    std::string userName_;
};

}  // namespace kelvane

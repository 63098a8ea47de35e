#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MailHeaders.h"
#include "RuleDialogFields.h"

namespace kelvane {

class MessageTexts;

// Where a message a rule is tried on comes from.
enum class TrialSource { LastListing, DeletedJunk };

// "Last listing", "Deleted junk".
std::string_view TrialSourceName(TrialSource source);

// One message a rule being edited is tried on. The subject and sender are the list's texts: the
// classifier tests them, and the window shows them (made safe).
struct TrialMessage {
    TrialSource source = TrialSource::LastListing;
    int mailbox = 0;  // 1 to 12, for the "To does not contain" rules; 0 when unknown
    std::string subject;
    std::string sender;  // the address part of From
    TmsHeaders headers;
};

// How many messages of each source the rule matched, and the first of them.
struct RuleTrialResult {
    static constexpr std::size_t kMostShown = 50;

    int listingMatches = 0;
    int deletedMatches = 0;
    std::vector<std::size_t> shown;  // positions in RuleTrial::messages(), at most kMostShown
};

// A rule as typed in its dialog, tried on many messages with the classifier's own tests. The
// messages' texts are extracted and folded once, so that a trial on every keystroke only runs
// the one rule.
class RuleTrial {
  public:
    explicit RuleTrial(std::vector<TrialMessage> messages);
    ~RuleTrial();
    RuleTrial(const RuleTrial&) = delete;
    RuleTrial& operator=(const RuleTrial&) = delete;

    const std::vector<TrialMessage>& messages() const { return messages_; }
    int listingCount() const { return listingCount_; }
    int deletedCount() const { return deletedCount_; }

    // Nothing while the fields are not yet a rule that OK would accept.
    std::optional<RuleTrialResult> Try(const SubjectRuleFields& fields);
    std::optional<RuleTrialResult> Try(const HeaderRuleFields& fields);
    std::optional<RuleTrialResult> Try(const SenderRuleFields& fields);
    std::optional<RuleTrialResult> Try(const ExceptionRuleFields& fields);

  private:
    template <class Test>
    RuleTrialResult Run(const Test& matches);

    std::vector<TrialMessage> messages_;
    // One per message; they point into messages_, whose elements never move.
    std::vector<std::unique_ptr<MessageTexts>> texts_;
    int listingCount_ = 0;
    int deletedCount_ = 0;
};

}  // namespace kelvane

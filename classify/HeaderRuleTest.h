#pragma once

#include <string>
#include <vector>

#include "MessageTexts.h"
#include "ReasonLog.h"
#include "RuleScanResult.h"
#include "RuleTable.h"
#include "TextMatch.h"

namespace kelvane {

// Column 1 words of the special header rules, and the column 2 word that tells the two
// "Sender" rules apart.
inline constexpr std::string_view kToDoesNotContain = "To does not contain";
inline constexpr std::string_view kSenderRuleWord = "Sender";
inline constexpr std::string_view kDoesNotMatchReplyTo = "does not match Reply-to";
inline constexpr std::string_view kEqualsToField = "equals To field";
// Splits a "To does not contain" value into the address and the mailbox number.
inline constexpr std::string_view kMailboxMarker = " - MailBox #";

// The header rules, read once from the table for a pass over many messages: ordinary rules test
// every header line, the special rules compare the sender with the Reply-To and To fields.
class HeaderRuleTest {
  public:
    // Takes the rows down to the first one without an operator.
    explicit HeaderRuleTest(const RuleTable& table);

    // Tests the message against every row in order, counting hits in `table`. `mailbox` is the
    // number of the mailbox being checked, for the "To does not contain" rules (0: none).
    RuleScanResult Run(MessageTexts& message, int mailbox, RuleTable& table, ReasonLog& log) const;
    // Tests the rule at `position` as Run does; true when the scan ends.
    bool TestRule(size_t position, MessageTexts& message, int mailbox, RuleTable& table,
                  ReasonLog& log, RuleScanResult& result) const;

    enum class Kind { Ordinary, ToDoesNotContain, ReplyToMismatch, EqualsToField };
    struct Rule {
        int row;
        bool deletes;
        Kind kind;
        TextMatch match;  // the operator and value; for "To does not contain" the address
        int mailbox = 0;
    };
    const std::vector<Rule>& rules() const { return rules_; }

  private:
    static Kind KindOf(const std::string& word, const std::string& value);
    void AddToDoesNotContain(int r, bool deletes, const std::string& value, bool caseSensitive);
    // Tests every line; true when the scan ends.
    static bool RunOrdinary(const Rule& rule, MessageTexts& message, RuleScanResult& result,
                            RuleTable& table, ReasonLog& log);
    static bool SpecialMatches(const Rule& rule, MessageTexts& message, int mailbox,
                               ReasonLog& log);

    std::vector<Rule> rules_;
};

}  // namespace kelvane

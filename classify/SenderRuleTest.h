#pragma once

#include <string>
#include <vector>

#include "MessageTexts.h"
#include "ReasonLog.h"
#include "RuleScanResult.h"
#include "RuleTable.h"
#include "TextMatch.h"

namespace kelvane {

// The sender rules, read once from the table for a pass over many messages. They always ignore
// case.
class SenderRuleTest {
  public:
    // Takes the rows down to the first one without a kind.
    explicit SenderRuleTest(const RuleTable& table);

    // Tests the sender address against every row in order, counting hits in `table`.
    RuleScanResult Run(MessageTexts& message, RuleTable& table, ReasonLog& log) const;
    // Tests the rule at `position` as Run does; true when the scan ends.
    bool TestRule(size_t position, MessageTexts& message, RuleTable& table, ReasonLog& log,
                  RuleScanResult& result) const;

    struct Rule {
        int row;
        bool deletes;
        bool domainKind;   // any kind but "Domain name" is taken as "E-mail address"
        std::string kind;  // as stored, for the reason line
        TextMatch match;
    };
    const std::vector<Rule>& rules() const { return rules_; }

  private:
    std::vector<Rule> rules_;
};

}  // namespace kelvane

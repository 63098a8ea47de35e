#pragma once

#include <vector>

#include "MessageTexts.h"
#include "ReasonLog.h"
#include "RuleScanResult.h"
#include "RuleTable.h"
#include "TextMatch.h"

namespace kelvane {

// The subject rules, read once from the table for a pass over many messages.
class SubjectRuleTest {
  public:
    // Takes the rows down to the first one without an operator.
    explicit SubjectRuleTest(const RuleTable& table);

    // Tests the subject against every row in order, counting hits in `table`.
    RuleScanResult Run(const MessageTexts& message, RuleTable& table, ReasonLog& log) const;
    // Tests the subject against the rule at `position` as Run does; true when the scan ends.
    bool TestRule(size_t position, const MessageTexts& message, RuleTable& table, ReasonLog& log,
                  RuleScanResult& result) const;

    struct Rule {
        int row;
        bool deletes;
        TextMatch match;
    };
    const std::vector<Rule>& rules() const { return rules_; }

  private:
    std::vector<Rule> rules_;
};

}  // namespace kelvane

#pragma once

#include "RuleTable.h"

namespace kelvane {

// What a scan of the subject, sender or header rules found: whether any row matched, and whether
// any matching row asks for deletion rather than suspicion.
struct RuleScanResult {
    bool matched = false;
    bool deletes = false;
    bool operator==(const RuleScanResult&) const = default;
};

// Counts the hit of a matching rule row and notes its answer. True when the scan ends here:
// outside an explanation, the first matching delete rule decides.
bool RecordRuleMatch(RuleScanResult& result, RuleTable& table, int row, bool deletes,
                     bool explaining);

}  // namespace kelvane

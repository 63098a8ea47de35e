#include "RuleScanResult.h"

#include "RuleTableOperations.h"

namespace kelvane {

bool RecordRuleMatch(RuleScanResult& result, RuleTable& table, int row, bool deletes,
                     bool explaining) {
    BumpUpGrid(table, row, explaining);
    result.matched = true;
    result.deletes = result.deletes || deletes;
    return deletes && !explaining;
}

}  // namespace kelvane

#include "SubjectRuleTest.h"

namespace kelvane {
namespace {

constexpr int kHighestSubjectOperator = 6;  // up to "Is UPPERCASE"

}  // namespace

SubjectRuleTest::SubjectRuleTest(const RuleTable& table) {
    for (int r = 1; r < table.rowCount() && !table.cell(1, r).empty(); ++r) {
        rows_.push_back({r, table.cell(4, r) == "Yes",
                         TextMatch(OperatorUpTo(table.cell(1, r), kHighestSubjectOperator),
                                   table.cell(2, r), table.cell(3, r) == "Yes")});
    }
}

RuleScanResult SubjectRuleTest::Run(const MessageTexts& message, RuleTable& table,
                                    ReasonLog& log) const {
    RuleScanResult result;
    for (const Row& row : rows_) {
        if (!row.match.Matches(message.subject())) continue;
        const MatchOperator op = *row.match.op();
        log.whyAdd(row.deletes, "Subject", StoredName(op),
                   OperatorTakesValue(op) ? row.match.value() : "", row.match.caseSensitive());
        if (RecordRuleMatch(result, table, row.row, row.deletes, log.explaining())) break;
    }
    return result;
}

}  // namespace kelvane

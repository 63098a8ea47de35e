#include "SubjectRuleTest.h"

namespace kelvane {
namespace {

constexpr int kHighestSubjectOperator = 6;  // up to "Is UPPERCASE"

}  // namespace

SubjectRuleTest::SubjectRuleTest(const RuleTable& table) {
    for (int r = 1; r < table.rowCount() && !table.cell(1, r).empty(); ++r) {
        rules_.push_back({r, table.cell(4, r) == "Yes",
                          TextMatch(OperatorUpTo(table.cell(1, r), kHighestSubjectOperator),
                                    table.cell(2, r), table.cell(3, r) == "Yes")});
    }
}

RuleScanResult SubjectRuleTest::Run(const MessageTexts& message, RuleTable& table,
                                    ReasonLog& log) const {
    RuleScanResult result;
    for (size_t i = 0; i < rules_.size(); ++i) {
        if (TestRule(i, message, table, log, result)) break;
    }
    return result;
}

bool SubjectRuleTest::TestRule(size_t position, const MessageTexts& message, RuleTable& table,
                               ReasonLog& log, RuleScanResult& result) const {
    const Rule& rule = rules_[position];
    if (!rule.match.Matches(message.subject())) return false;
    const MatchOperator op = *rule.match.op();
    log.whyAdd(rule.deletes, "Subject", StoredName(op),
               OperatorTakesValue(op) ? rule.match.value() : "", rule.match.caseSensitive());
    return RecordRuleMatch(result, table, rule.row, rule.deletes, log.explaining());
}

}  // namespace kelvane

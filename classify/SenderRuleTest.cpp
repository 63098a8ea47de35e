#include "SenderRuleTest.h"

namespace kelvane {
namespace {

constexpr int kHighestSenderOperator = 9;

}  // namespace

SenderRuleTest::SenderRuleTest(const RuleTable& table) {
    for (int r = 1; r < table.rowCount() && !table.cell(1, r).empty(); ++r) {
        const std::string& kind = table.cell(1, r);
        rules_.push_back({r, table.cell(4, r) == "Yes", kind == kSenderKindDomain, kind,
                          TextMatch(OperatorUpTo(table.cell(2, r), kHighestSenderOperator),
                                    table.cell(3, r), false)});
    }
}

RuleScanResult SenderRuleTest::Run(MessageTexts& message, RuleTable& table, ReasonLog& log) const {
    RuleScanResult result;
    for (size_t i = 0; i < rules_.size(); ++i) {
        if (TestRule(i, message, table, log, result)) break;
    }
    return result;
}

bool SenderRuleTest::TestRule(size_t position, MessageTexts& message, RuleTable& table,
                              ReasonLog& log, RuleScanResult& result) const {
    const Rule& rule = rules_[position];
    const std::optional<MatchOperator>& op = rule.match.op();
    if (!rule.match.Matches(message.senderPart(rule.domainKind, op))) return false;
    log.whyAdd(rule.deletes, rule.kind, StoredName(*op),
               OperatorTakesValue(*op) ? rule.match.value() : "", false);
    return RecordRuleMatch(result, table, rule.row, rule.deletes, log.explaining());
}

}  // namespace kelvane

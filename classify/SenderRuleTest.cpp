#include "SenderRuleTest.h"

namespace kelvane {
namespace {

constexpr int kHighestSenderOperator = 9;

}  // namespace

SenderRuleTest::SenderRuleTest(const RuleTable& table) {
    for (int r = 1; r < table.rowCount() && !table.cell(1, r).empty(); ++r) {
        const std::string& kind = table.cell(1, r);
        rows_.push_back({r, table.cell(4, r) == "Yes", kind == kSenderKindDomain, kind,
                         TextMatch(OperatorUpTo(table.cell(2, r), kHighestSenderOperator),
                                   table.cell(3, r), false)});
    }
}

RuleScanResult SenderRuleTest::Run(MessageTexts& message, RuleTable& table, ReasonLog& log) const {
    RuleScanResult result;
    for (const Row& row : rows_) {
        const std::optional<MatchOperator>& op = row.match.op();
        if (!row.match.Matches(message.senderPart(row.domainKind, op))) continue;
        log.whyAdd(row.deletes, row.kind, StoredName(*op),
                   OperatorTakesValue(*op) ? row.match.value() : "", false);
        if (RecordRuleMatch(result, table, row.row, row.deletes, log.explaining())) break;
    }
    return result;
}

}  // namespace kelvane

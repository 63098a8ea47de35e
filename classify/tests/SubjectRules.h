#pragma once

#include <string>
#include <utility>
#include <vector>

#include "RuleTable.h"
#include "RuleTableOperations.h"

// Subject tables written and read back as (value, hits) pairs, for tests about hit counts.
namespace kelvane::ruletest {

using ValueAndHits = std::pair<std::string, std::string>;
using Rules = std::vector<ValueAndHits>;

// A "Contains" rule that deletes; only its value and hit count vary.
inline RuleRow SubjectRule(const std::string& value, const std::string& hits) {
    return {"", "Contains", value, "No", "Yes", hits};
}

inline RuleTable SubjectRules(const Rules& rules) {
    RuleTable table(RuleTableKind::Subject);
    for (const auto& [value, hits] : rules) AppendRule(table, SubjectRule(value, hits));
    return table;
}

// Every rule row, top to bottom; an empty table gives none.
inline Rules ValuesAndHits(const RuleTable& table) {
    Rules rules;
    if (table.isEmpty()) return rules;
    for (int r = 1; r < table.rowCount(); ++r) {
        rules.emplace_back(table.cell(2, r), table.cell(5, r));
    }
    return rules;
}

}  // namespace kelvane::ruletest

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "RuleTable.h"

namespace kelvane {
namespace {

RuleTable TwoRules() {
    RuleTable table(RuleTableKind::Subject);
    table.setRowCount(3);
    table.setCell(1, 1, "free");
    table.setCell(1, 2, "casino");
    return table;
}

// The prepared rules are reused while the stamp stays: every change of a rule must move it, and
// the hit counts that each match writes must not.
TEST(RuleTableStampTest, MovesWithEveryRuleChangeAndNotWithHits) {
    const int hits = RuleTable(RuleTableKind::Subject).layout().hitColumn;
    const struct {
        const char* name;
        std::function<void(RuleTable&)> change;
        bool moves;
    } cases[] = {
        {"a rule's text", [](RuleTable& t) { t.setCell(1, 1, "fret"); }, true},
        {"a rule's option", [](RuleTable& t) { t.setCell(4, 2, "No"); }, true},
        {"a heading", [hits](RuleTable& t) { t.setCell(hits, 0, "Count"); }, true},
        {"a row inserted", [](RuleTable& t) { t.insertRow(1, {}); }, true},
        {"a row removed", [](RuleTable& t) { t.removeRow(2); }, true},
        {"cleared", [](RuleTable& t) { t.clear(); }, true},
        {"rows added", [](RuleTable& t) { t.setRowCount(5); }, true},
        {"a hit count", [hits](RuleTable& t) { t.setCell(hits, 1, "7"); }, false},
        {"the same text again", [](RuleTable& t) { t.setCell(1, 1, "free"); }, false},
        {"a column width", [](RuleTable& t) { t.setColumnWidth(1, 300); }, false},
        {"a cell outside", [](RuleTable& t) { t.setCell(1, 99, "x"); }, false},
    };
    for (const auto& c : cases) {
        RuleTable table = TwoRules();
        const auto before = table.ruleStamp();
        c.change(table);
        EXPECT_EQ(table.ruleStamp() != before, c.moves) << c.name;
    }
}

TEST(RuleTableStampTest, ACopySharesTheStampAndWhatWasMovedFromLosesIt) {
    RuleTable original = TwoRules();
    const RuleTable copy = original;
    EXPECT_EQ(copy.ruleStamp(), original.ruleStamp());
    EXPECT_NE(RuleTable(RuleTableKind::Subject).ruleStamp(),
              RuleTable(RuleTableKind::Subject).ruleStamp());

    const auto stamp = original.ruleStamp();
    RuleTable moved = std::move(original);
    EXPECT_EQ(moved.ruleStamp(), stamp);
    EXPECT_NE(original.ruleStamp(), stamp);  // NOLINT(bugprone-use-after-move)
}

}  // namespace
}  // namespace kelvane

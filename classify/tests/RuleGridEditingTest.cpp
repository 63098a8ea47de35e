#include "RuleGridEditing.h"

#include <gmock/gmock.h>

#include "RuleTableOperations.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;

RuleTable SubjectTable(const std::vector<std::pair<std::string, std::string>>& rules) {
    RuleTable table(RuleTableKind::Subject);
    for (const auto& [text, hits] : rules) {
        AppendRule(table, {"", "Contains", text, "No", "Yes", hits});
    }
    return table;
}

std::vector<std::string> Column(const RuleTable& table, int column) {
    std::vector<std::string> cells;
    for (int row = 1; row < table.rowCount(); ++row) cells.push_back(table.cell(column, row));
    return cells;
}

TEST(RuleGridEditingTest, OnlyTheMatchesAndHitCellsAreTypedInto) {
    const std::pair<RuleTableKind, std::vector<int>> editable[] = {
        {RuleTableKind::Subject, {2, 5}},
        {RuleTableKind::Header, {5}},
        {RuleTableKind::Sender, {3, 5}},
        {RuleTableKind::Exceptions, {2, 4}},
    };
    for (const auto& [kind, columns] : editable) {
        std::vector<int> found;
        for (int column = 0; column < 7; ++column) {
            if (IsEditableInPlace(kind, column)) found.push_back(column);
        }
        EXPECT_EQ(found, columns) << static_cast<int>(kind);
    }
    for (const char* good : {"0", "17", "000"}) EXPECT_TRUE(IsValidHitText(good)) << good;
    for (const char* bad : {"", "-1", "+1", "1.5", " 1", "x", "99999999999999999999"}) {
        EXPECT_FALSE(IsValidHitText(bad)) << bad;
    }
}

TEST(RuleGridEditingTest, HitsSortAsNumbersAndTextWithoutRegardToCase) {
    RuleTable table = SubjectTable({{"b", "10"}, {"C", ""}, {"a", "9"}, {"B2", "x"}});
    SortRules(table, 5, true);
    // Empty and non-numbers count as 0 and keep their order.
    EXPECT_THAT(Column(table, 2), ElementsAre("C", "B2", "a", "b"));
    SortRules(table, 2, true);
    EXPECT_THAT(Column(table, 2), ElementsAre("a", "b", "B2", "C"));
    SortRules(table, 2, false);
    EXPECT_THAT(Column(table, 2), ElementsAre("C", "B2", "b", "a"));
    EXPECT_TRUE(IsSortableColumn(RuleTableKind::Exceptions, 0));
    EXPECT_FALSE(IsSortableColumn(RuleTableKind::Subject, 1));
}

TEST(RuleGridEditingTest, InsertDeleteAndMovesKeepThePlaceholderRule) {
    RuleTable table(RuleTableKind::Subject);
    EXPECT_EQ(RowForNewRule(table, 1), 1);  // the placeholder is used
    EXPECT_EQ(RuleCountShown(table), 1);
    table = SubjectTable({{"a", "0"}, {"b", "0"}});
    EXPECT_EQ(RowForNewRule(table, 2), 2);
    EXPECT_THAT(Column(table, 2), ElementsAre("a", "", "b"));

    EXPECT_EQ(MoveRuleUp(table, 1), 1);
    EXPECT_EQ(MoveRuleDown(table, 3), 3);
    EXPECT_EQ(MoveRuleDown(table, 1), 2);
    EXPECT_THAT(Column(table, 2), ElementsAre("", "a", "b"));
    EXPECT_EQ(MoveRuleUp(table, 3), 2);
    EXPECT_THAT(Column(table, 2), ElementsAre("", "b", "a"));

    DeleteRule(table, 1);
    DeleteRule(table, 1);
    EXPECT_THAT(Column(table, 2), ElementsAre("a"));
    DeleteRule(table, 1);
    EXPECT_TRUE(table.isEmpty());
    EXPECT_EQ(RuleCountShown(table), 1);
}

}  // namespace
}  // namespace kelvane

#pragma once

#include <string_view>

#include "RuleTable.h"

namespace kelvane {

// How the spam settings window's grids may change a rule table, without a window. Rows and
// columns count as in the table: row 0 holds the headings.

// The cells the user may type into: the "Matches" and hit columns.
bool IsEditableInPlace(RuleTableKind kind, int column);
// A hit count typed in place: digits alone, a number of at least 0.
bool IsValidHitText(std::string_view text);
// The column whose text is bold for rules that delete (and always in the exceptions).
int MatchesColumn(RuleTableKind kind);
bool IsSortableColumn(RuleTableKind kind, int column);
// Ascending order of two cells of `column`: hit counts as numbers (an empty cell or one that is
// not a number counts as 0), anything else alphabetically after conversion to capitals.
bool RuleCellLess(RuleTableKind kind, int column, std::string_view a, std::string_view b);
// Sorts the rule rows by `column`, keeping rows of equal cells in their order.
void SortRules(RuleTable& table, int column, bool ascending);

// The rules a table holds as its count label shows them: an empty table shows its placeholder.
int RuleCountShown(const RuleTable& table);
// "&Delete": the last rule row is emptied into the placeholder, any other removed.
void DeleteRule(RuleTable& table, int row);
// The row "&Insert" writes a new rule into: the placeholder of an empty table, else an empty row
// put in at `current` (the top when no rule row is current).
int RowForNewRule(RuleTable& table, int current);
// The arrow buttons: moves rule row `row` one place up or down where there is room; returns where
// it is then.
int MoveRuleUp(RuleTable& table, int row);
int MoveRuleDown(RuleTable& table, int row);

}  // namespace kelvane

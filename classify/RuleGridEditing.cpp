#include "RuleGridEditing.h"

#include "RuleTableOperations.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace kelvane {

namespace {

char Capital(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

void SwapRows(RuleTable& table, int a, int b) {
    RuleRow upper = table.row(a);
    RuleRow lower = table.row(b);
    for (int column = 0; column < table.columnCount(); ++column) {
        table.setCell(column, a, lower[static_cast<std::size_t>(column)]);
        table.setCell(column, b, upper[static_cast<std::size_t>(column)]);
    }
}

}  // namespace

bool IsEditableInPlace(RuleTableKind kind, int column) {
    switch (kind) {
        case RuleTableKind::Subject:
            return column == 2 || column == 5;
        case RuleTableKind::Header:
            return column == 5;
        case RuleTableKind::Sender:
            return column == 3 || column == 5;
        case RuleTableKind::Exceptions:
            return column == 2 || column == 4;
    }
    return false;
}

bool IsValidHitText(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

int MatchesColumn(RuleTableKind kind) {
    return kind == RuleTableKind::Sender ? 3 : 2;
}

bool IsSortableColumn(RuleTableKind kind, int column) {
    switch (kind) {
        case RuleTableKind::Subject:
        case RuleTableKind::Header:
            return column == 2 || column == 5;
        case RuleTableKind::Sender:
            return column == 3 || column == 5;
        case RuleTableKind::Exceptions:
            return column == 0 || column == 2 || column == 4;
    }
    return false;
}

bool RuleCellLess(RuleTableKind kind, int column, std::string_view a, std::string_view b) {
    if (column == LayoutOf(kind).hitColumn) return HitCountOf(a) < HitCountOf(b);
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Capital(x) < Capital(y); });
}

void SortRules(RuleTable& table, int column, bool ascending) {
    if (table.isEmpty()) return;
    std::vector<RuleRow> rules;
    for (int row = 1; row < table.rowCount(); ++row) rules.push_back(table.row(row));
    const auto at = static_cast<std::size_t>(column);
    std::stable_sort(rules.begin(), rules.end(), [&](const RuleRow& a, const RuleRow& b) {
        return ascending ? RuleCellLess(table.kind(), column, a[at], b[at])
                         : RuleCellLess(table.kind(), column, b[at], a[at]);
    });
    for (std::size_t i = 0; i < rules.size(); ++i) {
        for (int c = 0; c < table.columnCount(); ++c) {
            table.setCell(c, static_cast<int>(i) + 1, rules[i][static_cast<std::size_t>(c)]);
        }
    }
}

int RuleCountShown(const RuleTable& table) {
    return table.rowCount() - 1;
}

void DeleteRule(RuleTable& table, int row) {
    if (table.rowCount() < 3) {
        for (int column = 0; column < table.columnCount(); ++column) table.setCell(column, 1, "");
        return;
    }
    if (row >= 1 && row < table.rowCount()) table.removeRow(row);
}

int RowForNewRule(RuleTable& table, int current) {
    if (table.isEmpty()) return 1;
    const int at = current >= 1 && current < table.rowCount() ? current : 1;
    table.insertRow(at, RuleRow(static_cast<std::size_t>(table.columnCount())));
    return at;
}

int MoveRuleUp(RuleTable& table, int row) {
    if (row <= 1 || row >= table.rowCount()) return row;
    SwapRows(table, row, row - 1);
    return row - 1;
}

int MoveRuleDown(RuleTable& table, int row) {
    if (row < 1 || row >= table.rowCount() - 1) return row;
    SwapRows(table, row, row + 1);
    return row + 1;
}

}  // namespace kelvane

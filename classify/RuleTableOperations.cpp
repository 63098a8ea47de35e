#include "RuleTableOperations.h"

#include <charconv>
#include <limits>
#include <string>

#include "MatchOperator.h"

namespace kelvane {
namespace {

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::string_view TrimmedField(std::string_view text) {
    while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
    return text;
}

long long HitCountOf(std::string_view text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return 0;
    return value;
}

RuleRow SubjectKeywordRule(std::string_view keyword) {
    return {"", "Contains (whole word)", std::string(keyword), "No", "Yes", "0"};
}

RuleRow ExceptionAddressRule(std::string_view address) {
    return {"E-mail address", "Equals", std::string(address), "No", "0", "", "3"};
}

RuleRow SpamSubjectRule(std::string_view subject) {
    return {"", "Equals", std::string(subject), "Yes", "Yes", "1"};
}

RuleRow SpamSenderRule(std::string_view address) {
    return {"", std::string(kSenderKindAddress), "Equals", std::string(address), "Yes", "1"};
}

RuleRow OwnAddressRule(std::string_view userName) {
    return {"", "To does not contain", std::string(userName) + " - MailBox #1", "No", "Yes", "0"};
}

void AppendRule(RuleTable& table, const RuleRow& rule) {
    if (table.isEmpty()) {
        table.removeRow(1);
        table.insertRow(1, rule);
    } else {
        table.insertRow(table.rowCount(), rule);
    }
}

void InsertRuleAtTop(RuleTable& table, const RuleRow& rule) {
    // An empty table's placeholder would otherwise linger below the new rule.
    if (table.isEmpty()) table.removeRow(1);
    table.insertRow(1, rule);
}

bool ImportRuleLine(RuleTable& table, std::string_view line,
                    RuleRow (*makeRule)(std::string_view text)) {
    if (IsBlankText(line)) return false;
    AppendRule(table, makeRule(TrimmedField(line)));
    return true;
}

void DeleteDupsFromGrid(RuleTable& table) {
    const int visibleColumns = table.kind() == RuleTableKind::Exceptions
                                   ? kExceptionPictureNumberColumn
                                   : table.columnCount();
    for (int r = table.rowCount() - 1; r >= 2; --r) {
        bool same = true;
        for (int c = 0; c < visibleColumns && same; ++c) {
            same = table.cell(c, r) == table.cell(c, r - 1);
        }
        if (same) table.removeRow(r);
    }
}

bool HoldsRule(const RuleTable& table, const RuleRow& rule) {
    const RuleTableLayout& layout = table.layout();
    const auto defines = [&](int column) {
        return column != layout.hitColumn && column != layout.pictureColumn &&
               !(table.kind() == RuleTableKind::Exceptions &&
                 column == kExceptionPictureNumberColumn);
    };
    const auto cellOf = [&rule](int column) -> std::string_view {
        const auto at = static_cast<std::size_t>(column);
        return at < rule.size() ? std::string_view(rule[at]) : std::string_view();
    };
    for (int row = 1; row < table.rowCount(); ++row) {
        bool same = true;
        for (int column = 0; column < table.columnCount() && same; ++column) {
            same = !defines(column) || table.cell(column, row) == cellOf(column);
        }
        if (same) return true;
    }
    return false;
}

void CheckGridAdv(RuleTable& table, int row, bool deletes) {
    if (table.kind() == RuleTableKind::Exceptions || row < 1 || row >= table.rowCount()) return;
    table.setCell(4, row, deletes ? "Yes" : "No");
}

void BumpUpGrid(RuleTable& table, int row, bool explaining) {
    if (!explaining) AddHits(table, row, 1);
}

long long RuleHits(const RuleTable& table, int row) {
    return HitCountOf(table.cell(table.layout().hitColumn, row));
}

void AddHits(RuleTable& table, int row, long long hits) {
    if (hits <= 0 || row < 1 || row >= table.rowCount()) return;
    long long sum = 0;
    if (__builtin_add_overflow(RuleHits(table, row), hits, &sum)) {
        sum = std::numeric_limits<long long>::max();
    }
    table.setCell(table.layout().hitColumn, row, std::to_string(sum));
}

}  // namespace kelvane

#include "StatsGrids.h"

#include <algorithm>
#include <charconv>

namespace kelvane {

namespace {

TextId CheckField(const CheckEntry& entry, int column) {
    switch (column) {
        case 0:
            return entry.dateText;
        case 1:
            return entry.timeText;
        case 2:
            return entry.server;
        case 3:
            return entry.mailbox;
        default:
            return entry.countText;
    }
}

TextId DeletionField(const DeletionEntry& entry, int column) {
    switch (column) {
        case 0:
            return entry.dateText;
        case 1:
            return entry.timeText;
        case 2:
            return entry.server;
        case 3:
            return entry.mailbox;
        case 4:
            return entry.size;
        case 5:
            return entry.sender;
        default:
            return entry.domain;
    }
}

// A size that is not a number sorts before every size.
std::int64_t SizeValue(const std::string& text) {
    std::int64_t value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() ? value : -1;
}

bool LessFolded(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto fold = [](char c) {
            return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        };
        return fold(x) < fold(y);
    });
}

template <typename Key>
void SortBy(std::vector<std::uint32_t>& rows, bool ascending, Key key) {
    std::stable_sort(rows.begin(), rows.end(), [&](std::uint32_t a, std::uint32_t b) {
        return ascending ? key(a) < key(b) : key(b) < key(a);
    });
}

void SortByText(const LogTables& tables, std::vector<std::uint32_t>& rows, bool ascending,
                const auto& field) {
    std::stable_sort(rows.begin(), rows.end(), [&](std::uint32_t a, std::uint32_t b) {
        const std::string& x = tables.Text(field(a));
        const std::string& y = tables.Text(field(b));
        return ascending ? LessFolded(x, y) : LessFolded(y, x);
    });
}

template <typename Entry>
void SortEntries(const LogTables& tables, const std::vector<Entry>& entries,
                 std::vector<std::uint32_t>& rows, int column, bool ascending,
                 TextId (*field)(const Entry&, int)) {
    if (column == 0)
        SortBy(rows, ascending, [&](std::uint32_t r) { return entries[r].date; });
    else if (column == 1)
        SortBy(rows, ascending, [&](std::uint32_t r) { return entries[r].minute; });
    else
        SortByText(tables, rows, ascending,
                   [&](std::uint32_t r) { return field(entries[r], column); });
}

}  // namespace

const std::vector<std::string>& GridHeadings(StatsGrid grid) {
    static const std::vector<std::string> traffic = {"Date", "Time", "Server", "Mailbox", "# Mail"};
    static const std::vector<std::string> deleted = {"Date", "Time",   "Server", "Mailbox",
                                                     "Size", "Sender", "Domain"};
    return grid == StatsGrid::Traffic ? traffic : deleted;
}

const std::string& GridCell(const LogTables& tables, StatsGrid grid, std::uint32_t row,
                            int column) {
    return tables.Text(grid == StatsGrid::Traffic ? CheckField(tables.checks[row], column)
                                                  : DeletionField(tables.deletions[row], column));
}

void SortGridRows(const LogTables& tables, StatsGrid grid, std::vector<std::uint32_t>& rows,
                  int column, bool ascending) {
    if (grid == StatsGrid::Traffic) {
        if (column == kGridNumberColumn)
            SortBy(rows, ascending, [&](std::uint32_t r) { return tables.checks[r].count; });
        else
            SortEntries(tables, tables.checks, rows, column, ascending, &CheckField);
        return;
    }
    if (column == kGridNumberColumn) {
        SortBy(rows, ascending,
               [&](std::uint32_t r) { return SizeValue(tables.Text(tables.deletions[r].size)); });
    } else {
        SortEntries(tables, tables.deletions, rows, column, ascending, &DeletionField);
    }
}

}  // namespace kelvane

#include "RuleTable.h"

#include <algorithm>
#include <atomic>
#include <charconv>

namespace kelvane {
namespace {

constexpr int kFallbackWidth = 64;

const RuleTableLayout kSubjectLayout{6,
                                     0,
                                     5,
                                     "subj.lst",
                                     {"", "What", "Matches", "Case", "Del?", "Hits", ""},
                                     {20, 112, 231, 29, 39, 38, 0}};
const RuleTableLayout kHeaderLayout{6,
                                    0,
                                    5,
                                    "header.lst",
                                    {"", "What", "Matches", "Case", "Del?", "Hits", ""},
                                    {20, 130, 231, 29, 39, 38, 0}};
const RuleTableLayout kSenderLayout{6,
                                    0,
                                    5,
                                    "from.lst",
                                    {"", "What", "Condition", "Matches", "Del?", "Hits", ""},
                                    {20, 100, 130, 200, 39, 38, 0}};
const RuleTableLayout kExceptionsLayout{7,
                                        5,
                                        4,
                                        "except.lst",
                                        {"What", "Condition", "Matches", "Case?", "Hits", "", ""},
                                        {100, 130, 200, 40, 38, 20, 0}};

const std::string kEmptyCell;

// A picture number cell; anything but plain decimal digits counts as the default picture.
int ExceptionPicture(const std::string& text) {
    if (text.empty()) return kDefaultExceptionPicture;
    int value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '-') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last) return kDefaultExceptionPicture;
    if (text.front() == '-') return kNoPicture;
    return value < kPictureCount ? value : kNoPicture;
}

}  // namespace

const RuleTableLayout& LayoutOf(RuleTableKind kind) {
    switch (kind) {
        case RuleTableKind::Subject:
            return kSubjectLayout;
        case RuleTableKind::Header:
            return kHeaderLayout;
        case RuleTableKind::Sender:
            return kSenderLayout;
        case RuleTableKind::Exceptions:
            break;
    }
    return kExceptionsLayout;
}

std::uint64_t RuleStamp::Next() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

RuleTable::RuleTable(RuleTableKind kind) : kind_(kind) {
    setColumnCount(layout().columnCount);
    clear();
}

const std::string& RuleTable::cell(int column, int row) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return kEmptyCell;
    return rows_[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void RuleTable::setCell(int column, int row, std::string text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
    std::string& cell = rows_[static_cast<size_t>(row)][static_cast<size_t>(column)];
    if (cell == text) return;
    // Hits change on every match; the rules stay the same.
    if (column != layout().hitColumn || row == 0) stamp_.Renew();
    cell = std::move(text);
}

RuleRow RuleTable::row(int row) const {
    if (row < 0 || row >= rowCount()) return RuleRow(static_cast<size_t>(columnCount()));
    return rows_[static_cast<size_t>(row)];
}

int RuleTable::columnWidth(int column) const {
    if (column < 0 || column >= columnCount()) return 0;
    return widths_[static_cast<size_t>(column)];
}

void RuleTable::setColumnWidth(int column, int width) {
    if (column < 0 || column >= columnCount()) return;
    widths_[static_cast<size_t>(column)] = width;
}

int RuleTable::defaultWidth(int column) const {
    return column < layout().columnCount ? layout().defaultWidths[static_cast<size_t>(column)]
                                         : kFallbackWidth;
}

void RuleTable::setRowCount(int rows) {
    stamp_.Renew();
    rows_.resize(static_cast<size_t>(std::max(rows, 0)), RuleRow(widths_.size()));
}

void RuleTable::setColumnCount(int columns) {
    stamp_.Renew();
    const auto count = static_cast<size_t>(std::max(columns, 0));
    for (size_t c = widths_.size(); c < count; ++c)
        widths_.push_back(defaultWidth(static_cast<int>(c)));
    widths_.resize(count);
    for (RuleRow& cells : rows_) cells.resize(count);
}

void RuleTable::insertRow(int at, RuleRow cells) {
    stamp_.Renew();
    cells.resize(widths_.size());
    at = std::clamp(at, 0, rowCount());
    rows_.insert(rows_.begin() + at, std::move(cells));
}

void RuleTable::removeRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    stamp_.Renew();
    rows_.erase(rows_.begin() + row);
}

void RuleTable::insertColumns(int at, int count) {
    stamp_.Renew();
    at = std::clamp(at, 0, columnCount());
    for (int i = 0; i < count; ++i) {
        widths_.insert(widths_.begin() + at + i, defaultWidth(at + i));
        for (RuleRow& cells : rows_) cells.insert(cells.begin() + at + i, std::string());
    }
}

void RuleTable::clearCells() {
    stamp_.Renew();
    for (RuleRow& cells : rows_) std::fill(cells.begin(), cells.end(), std::string());
}

void RuleTable::clear() {
    stamp_.Renew();
    rows_.assign(2, RuleRow(widths_.size()));
    applyHeadings();
}

void RuleTable::applyHeadings() {
    for (int c = 0; c < columnCount() && c < layout().columnCount; ++c) {
        setCell(c, 0, layout().headings[static_cast<size_t>(c)]);
    }
}

int RuleTable::picture(int row) const {
    if (row < 1 || row >= rowCount()) return kNoPicture;
    if (kind_ == RuleTableKind::Exceptions) {
        return ExceptionPicture(cell(kExceptionPictureNumberColumn, row));
    }
    return cell(4, row) == "Yes" ? 0 : 1;
}

}  // namespace kelvane

#pragma once

#include <cstdint>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

enum class RuleTableKind { Subject, Header, Sender, Exceptions };

// What differs between the four tables: size, headings, where the picture and hits live.
struct RuleTableLayout {
    int columnCount;
    int pictureColumn;  // shows the row's picture; holds no text
    int hitColumn;
    const char* fileName;
    std::array<const char*, 7> headings;  // per column; "" where there is none
    std::array<int, 7> defaultWidths;
};

const RuleTableLayout& LayoutOf(RuleTableKind kind);

// The exceptions table keeps the row's picture number in this hidden column.
inline constexpr int kExceptionPictureNumberColumn = 6;
inline constexpr int kDefaultExceptionPicture = 3;
// Pictures 0 to 14 exist: check mark, question mark, black check mark, then the exception ones.
inline constexpr int kPictureCount = 15;
inline constexpr int kNoPicture = -1;

// A number that names one state of a table's rules (its cells, hit counts aside): a change gives
// the table a number no table has had, and a copy shares its source's. Lets a cache of prepared
// rules see a change without comparing every cell.
class RuleStamp {
  public:
    RuleStamp() : value_(Next()) {}
    RuleStamp(const RuleStamp&) = default;
    RuleStamp& operator=(const RuleStamp&) = default;
    // What was moved from no longer holds those rules.
    RuleStamp(RuleStamp&& other) noexcept : value_(other.value_) { other.Renew(); }
    RuleStamp& operator=(RuleStamp&& other) noexcept {
        value_ = other.value_;
        other.Renew();
        return *this;
    }
    void Renew() { value_ = Next(); }
    std::uint64_t value() const { return value_; }

  private:
    static std::uint64_t Next();

    std::uint64_t value_;
};

// The cells of one table row, by column.
using RuleRow = std::vector<std::string>;

// A rectangular table of text cells: row 0 holds the headings, rows 1 and up the rules. It always
// has at least two rows; with exactly two and column 1 of row 1 empty, row 1 is a blank
// placeholder and the table holds no rule.
class RuleTable {
  public:
    explicit RuleTable(RuleTableKind kind);

    RuleTableKind kind() const { return kind_; }
    const RuleTableLayout& layout() const { return LayoutOf(kind_); }

    int rowCount() const { return static_cast<int>(rows_.size()); }
    int columnCount() const { return static_cast<int>(widths_.size()); }

    // Outside the table a cell reads as empty and writing it does nothing.
    const std::string& cell(int column, int row) const;
    void setCell(int column, int row, std::string text);
    RuleRow row(int row) const;

    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);

    // Resizing keeps the cells that stay inside; new cells are empty.
    void setRowCount(int rows);
    void setColumnCount(int columns);
    void insertRow(int at, RuleRow cells);
    void removeRow(int row);
    void insertColumns(int at, int count);

    // Empties every cell, headings included; size and widths stay.
    void clearCells();
    // Back to the heading row and one empty placeholder row.
    void clear();
    // Writes the kind's headings into row 0.
    void applyHeadings();

    bool isEmpty() const { return rowCount() == 2 && cell(1, 1).empty(); }
    // Changes with every change of the rules; a hit count or a column width is no change.
    std::uint64_t ruleStamp() const { return stamp_.value(); }

    // The picture a rule row shows, derived from its cells; kNoPicture for none.
    int picture(int row) const;

  private:
    int defaultWidth(int column) const;

    RuleTableKind kind_;
    std::vector<RuleRow> rows_;
    std::vector<int> widths_;
    RuleStamp stamp_;
};

}  // namespace kelvane

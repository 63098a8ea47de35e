#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "LogTables.h"

namespace kelvane {

// The two tables of the statistics window: their headings, their cells and their sorting.
enum class StatsGrid { Traffic, Deleted };

const std::vector<std::string>& GridHeadings(StatsGrid grid);
// The column that is right-aligned: "# Mail" and "Size".
constexpr int kGridNumberColumn = 4;

const std::string& GridCell(const LogTables& tables, StatsGrid grid, std::uint32_t row, int column);

// Sorts the table's rows by a column, keeping the order of equal rows. Dates and times sort
// as dates and times, "# Mail" and "Size" as numbers, the names as text without regard to case.
void SortGridRows(const LogTables& tables, StatsGrid grid, std::vector<std::uint32_t>& rows,
                  int column, bool ascending);

// Which way a click on a heading sorts: ascending by a new column, the other way by the
// column sorted last. At first "Date" counts as sorted ascending.
class GridSortOrder {
  public:
    bool Click(int column) {
        ascending_ = column == column_ ? !ascending_ : true;
        column_ = column;
        return ascending_;
    }

  private:
    int column_ = 0;
    bool ascending_ = true;
};

}  // namespace kelvane

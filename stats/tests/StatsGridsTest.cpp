#include "StatsGrids.h"

#include <gtest/gtest.h>

#include "StatsLogs.h"

namespace kelvane {
namespace {

using statstest::LogText;
using statstest::ReadLog;

std::vector<std::string> Column(const LogTables& tables, StatsGrid grid,
                                const std::vector<std::uint32_t>& rows, int column) {
    std::vector<std::string> cells;
    for (std::uint32_t row : rows) cells.push_back(GridCell(tables, grid, row, column));
    return cells;
}

TEST(StatsGridsTest, SortsDatesTimesNumbersAndNamesByTheirMeaning) {
    const LogTables tables = ReadLog(LogText()
                                         .Check(10, "bob", {2026, 9, 30, 13, 0})
                                         .Check(9, "Ann", {2026, 10, 1, 9, 0})
                                         .Check(100, "carol", {2026, 9, 30, 8, 0})
                                         .Check(9, "ann", {2026, 10, 2, 1, 0})
                                         .text());
    const std::vector<std::uint32_t> fileOrder{0, 1, 2, 3};
    const struct {
        int column;
        bool ascending;
        std::vector<std::string> cells;
    } cases[] = {
        {0, true, {"9/30/2026", "9/30/2026", "10/1/2026", "10/2/2026"}},
        {0, false, {"10/2/2026", "10/1/2026", "9/30/2026", "9/30/2026"}},
        {1, true, {"1:00 AM", "8:00 AM", "9:00 AM", "1:00 PM"}},
        {3, true, {"Ann", "ann", "bob", "carol"}},  // equal names keep their order
        {3, false, {"carol", "bob", "Ann", "ann"}},
        {4, true, {"9", "9", "10", "100"}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint32_t> rows = fileOrder;
        SortGridRows(tables, StatsGrid::Traffic, rows, c.column, c.ascending);
        EXPECT_EQ(Column(tables, StatsGrid::Traffic, rows, c.column), c.cells)
            << "column " << c.column << (c.ascending ? " up" : " down");
    }
}

TEST(StatsGridsTest, SortsSizesAsNumbers) {
    const LocalDateTime when{2026, 12, 1, 9, 0};
    const LogTables tables = ReadLog(LogText()
                                         .Deletion("a@x", when, "ann", "900")
                                         .Deletion("b@x", when, "ann", "10000")
                                         .Deletion("c@x", when, "ann", "")
                                         .Deletion("d@x", when, "ann", "85")
                                         .text());
    std::vector<std::uint32_t> rows{0, 1, 2, 3};
    SortGridRows(tables, StatsGrid::Deleted, rows, kGridNumberColumn, true);
    EXPECT_EQ(Column(tables, StatsGrid::Deleted, rows, 4),
              (std::vector<std::string>{"", "85", "900", "10000"}));
    EXPECT_EQ(Column(tables, StatsGrid::Deleted, rows, 5),
              (std::vector<std::string>{"c@x", "d@x", "a@x", "b@x"}));
    EXPECT_EQ(GridHeadings(StatsGrid::Deleted),
              (std::vector<std::string>{"Date", "Time", "Server", "Mailbox", "Size", "Sender",
                                        "Domain"}));
}

TEST(StatsGridsTest, AHeadingClickedAgainTurnsTheOrder) {
    GridSortOrder order;
    EXPECT_FALSE(order.Click(0));  // "Date" counts as sorted ascending at first
    EXPECT_TRUE(order.Click(0));
    EXPECT_TRUE(order.Click(3));
    EXPECT_FALSE(order.Click(3));
    EXPECT_TRUE(order.Click(0));
}

}  // namespace
}  // namespace kelvane

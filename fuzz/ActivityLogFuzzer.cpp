// The statistics' reader of activity logs, fed in pieces of varying size, then every count,
// table order and the command line's report over what it read. A count is at most nine digits
// and no sum of them goes negative.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "LogAnalysis.h"
#include "LogTables.h"
#include "StatsGrids.h"
#include "StatsReport.h"

using namespace kelvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    LogTableBuilder builder({2026, 12, 10, 15, 10, 20});
    LogLineSplitter lines(builder);
    while (!bytes.empty()) {
        lines.Feed(bytes.substr(0, piece));
        bytes.remove_prefix(std::min(piece, bytes.size()));
    }
    lines.Finish();
    const LogTables tables = builder.Finish();
    if (tables.checks.size() + tables.deletions.size() > size) __builtin_trap();
    for (const CheckEntry& check : tables.checks) {
        if (check.count < 0 || check.count > 999999999) __builtin_trap();
    }

    StatsFilter filter = DefaultFilter({2026, 12, 10, 15, 10, 20});
    if (!tables.mailboxes.empty()) filter.mailbox = tables.mailboxes.front();
    GridRows rows = fillInGrids(tables, filter);
    const Readings readings = PlotReadings(tables, rows);
    if (readings.topSenders.size() > kTopCount || readings.topDomains.size() > kTopCount)
        __builtin_trap();
    for (const ActivityCounts& counts : readings.weekdays) {
        if (counts.found < 0) __builtin_trap();
    }
    if (RecomputePie(tables, rows).normal < 0) __builtin_trap();
    for (int column = 0; column < 7; ++column) {
        if (column < 5) SortGridRows(tables, StatsGrid::Traffic, rows.checks, column, column % 2);
        SortGridRows(tables, StatsGrid::Deleted, rows.deletions, column, column % 2);
    }
    std::ostringstream report;
    WriteStatsReport(report, tables);
    return 0;
}

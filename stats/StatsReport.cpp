#include "StatsReport.h"

#include <limits>

#include "CountSum.h"
#include "DisplayText.h"

namespace kelvane {

namespace {

void WriteTop(std::ostream& out, const char* name, const std::vector<TopEntry>& top) {
    int rank = 0;
    for (const TopEntry& entry : top) {
        out << name << '\t' << ++rank << '\t' << entry.count << '\t' << SafeDisplayText(entry.value)
            << '\n';
    }
}

}  // namespace

void WriteStatsReport(std::ostream& out, const LogTables& tables) {
    const StatsFilter whole{std::numeric_limits<StatsMoment>::min(),
                            std::numeric_limits<StatsMoment>::max(), std::nullopt};
    const GridRows rows = fillInGrids(tables, whole);
    const Readings readings = PlotReadings(tables, rows);
    const MailShare share = RecomputePie(tables, rows);
    std::int64_t found = 0;
    for (const ActivityCounts& day : readings.weekdays) found = AddCount(found, day.found);
    const std::int64_t total = share.normal + share.deleted;
    out << "checks\t" << rows.checks.size() << '\n'
        << "found\t" << found << '\n'
        << "deleted\t" << rows.deletions.size() << '\n'
        << "deleted share\t" << (total > 0 ? (share.deleted * 100 + total / 2) / total : 0)
        << " %\n"
        << "skipped lines\t" << tables.skippedLines << '\n';
    WriteTop(out, "top domain", readings.topDomains);
    WriteTop(out, "top sender", readings.topSenders);
}

}  // namespace kelvane

#include "StatsReport.h"

#include <gtest/gtest.h>

#include <sstream>

#include "StatsLogs.h"

namespace kelvane {
namespace {

using statstest::LogText;
using statstest::ReadLog;

TEST(StatsReportTest, PrintsTheWholeLogsFigures) {
    const LogTables tables = ReadLog(LogText()
                                         .Check(3, "ann", {1999, 3, 14, 14, 5})
                                         .Check(1, "bob", {2026, 12, 1, 8, 0})
                                         .Deletion("Spammer@Junk.Example", {1999, 3, 14, 14, 6})
                                         .Line("MAIL CHECK lots msg(s)")
                                         .Deletion("x\x1b[31m@evil.example", {2026, 12, 1, 8, 1})
                                         .text());
    std::ostringstream out;
    WriteStatsReport(out, tables);
    EXPECT_EQ(out.str(),
              "checks\t2\n"
              "found\t4\n"
              "deleted\t2\n"
              "deleted share\t50 %\n"
              "skipped lines\t1\n"
              "top domain\t1\t1\tjunk.example\n"
              "top domain\t2\t1\tevil.example\n"
              "top sender\t1\t1\tx [31m@evil.example\n"
              "top sender\t2\t1\tspammer@junk.example\n");
}

TEST(StatsReportTest, HugeCountsAreSkippedAndLargeSumsPrintWhole) {
    LogText log;
    for (int i = 0; i < 10; ++i) log.Check(999999999, "ann", {2026, 12, 1, 8, 0});
    log.Line("MAIL CHECK 99999999999999999999 msg(s) for \"ann\" at Tue 12/1/2026 8:00 AM")
        .Line("MAIL CHECK 1234567890 msg(s) for \"ann\" at Tue 12/1/2026 8:00 AM");
    std::ostringstream out;
    WriteStatsReport(out, ReadLog(log.text()));
    EXPECT_EQ(out.str(),
              "checks\t10\n"
              "found\t9999999990\n"
              "deleted\t0\n"
              "deleted share\t0 %\n"
              "skipped lines\t2\n");
}

}  // namespace
}  // namespace kelvane

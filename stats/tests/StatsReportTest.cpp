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

}  // namespace
}  // namespace kelvane

#include "LogTables.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "StatsLogs.h"

namespace kelvane {
namespace {

using statstest::kNow;
using statstest::LogText;
using statstest::ReadLog;
using ::testing::ElementsAre;

constexpr LocalDateTime kTuesday{2000, 3, 14, 14, 5, 0};

TEST(LogTablesTest, ReadsACheckRecordsFields) {
    const LogTables tables = ReadLog(LogText().Check(3, "ann", kTuesday).text());
    ASSERT_EQ(tables.checks.size(), 1u);
    const CheckEntry& check = tables.checks[0];
    EXPECT_EQ(tables.Text(check.countText), "3");
    EXPECT_EQ(check.count, 3);
    EXPECT_EQ(tables.Text(check.mailbox), "ann");
    EXPECT_EQ(tables.Text(check.server), "pop.example.com");
    EXPECT_EQ(tables.Text(check.dateText), "3/14/2000");
    EXPECT_EQ(tables.Text(check.timeText), "2:05 PM");
    EXPECT_EQ(check.date, MomentOf({2000, 3, 14}));
    EXPECT_EQ(check.minute, 14 * 60 + 5);
    EXPECT_THAT(tables.mailboxes, ElementsAre("ann"));
    EXPECT_EQ(tables.skippedLines, 0u);
}

TEST(LogTablesTest, ReadsADeletionBlocksFields) {
    const LogTables tables = ReadLog(
        LogText().Deletion("Joe Spammer <Joe@Spam.Example>", kTuesday, "ann", "51234").text());
    ASSERT_EQ(tables.deletions.size(), 1u);
    const DeletionEntry& deletion = tables.deletions[0];
    EXPECT_EQ(tables.Text(deletion.mailbox), "ann");
    EXPECT_EQ(tables.Text(deletion.server), "pop.example.com");
    EXPECT_EQ(tables.Text(deletion.dateText), "3/14/2000");
    EXPECT_EQ(tables.Text(deletion.timeText), "2:05 PM");
    EXPECT_EQ(tables.Text(deletion.size), "51234");
    EXPECT_EQ(tables.Text(deletion.sender), "joe spammer <joe@spam.example>");
    EXPECT_EQ(tables.Text(deletion.domain), "spam.example>");
    EXPECT_TRUE(tables.mailboxes.empty());  // only check records name the mailboxes
}

TEST(LogTablesTest, OtherRecordsAndStrayLinesAreIgnored) {
    const std::string stamp = FormatLogStamp(kTuesday);
    const LogTables tables =
        ReadLog(LogText()
                    .Raw(ErrorRecord("-ERR DELETE SPAM on MAIL CHECK 5", "ann", "pop", stamp))
                    .Raw(CancellationRecord("DELETE SPAM", "pop", stamp))
                    .Raw(ModeRecord(true, stamp))
                    .Line("some note the user typed")
                    .Line("")
                    .Check(2, "ann", kTuesday)
                    .text());
    EXPECT_EQ(tables.checks.size(), 1u);
    EXPECT_TRUE(tables.deletions.empty());
    EXPECT_EQ(tables.skippedLines, 0u);
}

TEST(LogTablesTest, CountsTheLinesItCannotRead) {
    const std::string stamp = FormatLogStamp(kTuesday);
    const struct {
        const char* name;
        std::string log;
        std::size_t checks;
        std::size_t deletions;
        std::uint64_t skipped;
    } cases[] = {
        {"a count that is not a number",
         LogText().Line("MAIL CHECK three msg(s) for \"ann\" on server pop at " + stamp).text(), 0,
         0, 1},
        {"a count missing", LogText().Line("MAIL CHECK  msg(s) at " + stamp).text(), 0, 0, 1},
        {"a count of nine digits",
         LogText().Line("MAIL CHECK 999999999 msg(s) for \"ann\" at " + stamp).text(), 1, 0, 0},
        {"ten digits", LogText().Line("MAIL CHECK 1000000000 msg(s) at " + stamp).text(), 0, 0, 1},
        {"ten digits worth one", LogText().Line("MAIL CHECK 0000000001 msg(s) at " + stamp).text(),
         0, 0, 1},
        {"the largest signed 64-bit number",
         LogText().Line("MAIL CHECK 9223372036854775807 msg(s) at " + stamp).text(), 0, 0, 1},
        {"nineteen digits past it",
         LogText().Line("MAIL CHECK 9999999999999999999 msg(s) at " + stamp).text(), 0, 0, 1},
        {"twenty digits, past 64 bits",
         LogText().Line("MAIL CHECK 18446744073709551616 msg(s) at " + stamp).text(), 0, 0, 1},
        {"a hundred digits",
         LogText().Line("MAIL CHECK " + std::string(100, '9') + " msg(s) at " + stamp).text(), 0, 0,
         1},
        {"a block cut short at the end",
         LogText()
             .Check(1, "ann", kTuesday)
             .Line("DELETE SPAM on " + stamp)
             .Line("   Server:  pop")
             .text(),
         1, 0, 2},
        {"a block cut short by the next record",
         LogText()
             .Line("DELETE SPAM on " + stamp)
             .Line("   Server:  pop Mailbox: ann")
             .Check(4, "ann", kTuesday)
             .Deletion("a@b", kTuesday)
             .text(),
         1, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LogTables tables = ReadLog(c.log);
        EXPECT_EQ(tables.checks.size(), c.checks);
        EXPECT_EQ(tables.deletions.size(), c.deletions);
        EXPECT_EQ(tables.skippedLines, c.skipped);
    }
}

TEST(LogTablesTest, ListsEachMailboxOnceAsFirstWritten) {
    const LogTables tables = ReadLog(LogText()
                                         .Check(1, "Ann.Smith", kTuesday)
                                         .Check(1, "bob", kTuesday)
                                         .Check(1, "ann.smith", kTuesday)
                                         .Check(1, "BOB", kTuesday)
                                         .Check(1, "carol", kTuesday)
                                         .text());
    EXPECT_THAT(tables.mailboxes, ElementsAre("Ann.Smith", "bob", "carol"));
}

TEST(LogTablesTest, StampsThatDoNotReadCountAsNow) {
    const LogTables tables = ReadLog(LogText()
                                         .Line("MAIL CHECK 2 msg(s) for \"ann\" on server pop")
                                         .Line("MAIL CHECK 1 msg(s) for \"ann\" at Tue 31/31/2000 "
                                               "noon sharp")
                                         .text());
    ASSERT_EQ(tables.checks.size(), 2u);
    for (const CheckEntry& check : tables.checks) {
        EXPECT_EQ(check.date, MomentOf(kNow));
        EXPECT_EQ(check.minute, 15 * 60 + 10);
    }
    EXPECT_EQ(tables.Text(tables.checks[0].timeText), "server pop");  // the last two words
    EXPECT_EQ(tables.Text(tables.checks[1].dateText), "31/31/2000");
}

TEST(LogTablesTest, TakesLineBreaksBomAndLongLinesAsTheyCome) {
    const std::string check =
        "MAIL CHECK 2 msg(s) for \"ann\" on server pop at Tue 3/14/2000 2:05 PM";
    const std::string longSender = "   Sender:  " + std::string(300, 'x') + "@example.com";
    const LogTables tables =
        ReadLog("\xEF\xBB\xBF" + check + "\n" + check + "\r\n" + std::string(200000, 'z') + "\n" +
                "DELETE SPAM on Tue 3/14/2000 2:06 PM\n   Server:  pop Mailbox: ann\n"
                "   Subject: x\n" +
                longSender + "\n   Size:    12  Date: x\n" + check);
    ASSERT_EQ(tables.checks.size(), 3u);
    for (const CheckEntry& entry : tables.checks) EXPECT_EQ(tables.Text(entry.timeText), "2:05 PM");
    ASSERT_EQ(tables.deletions.size(), 1u);
    EXPECT_EQ(tables.Text(tables.deletions[0].sender), std::string(255, 'x'));
    EXPECT_EQ(tables.Text(tables.deletions[0].domain), "");
}

TEST(LogTablesTest, ReportsAMissingOrUnreadableFile) {
    testsupport::TempFolder folder;
    LogTables tables;
    EXPECT_EQ(readInLogFile(folder.File("none.txt"), kNow, tables), LogReadResult::Missing);
    EXPECT_EQ(readInLogFile(folder.path().string(), kNow, tables), LogReadResult::Unreadable);
}

TEST(LogTablesTest, ReportsProgressUpToTheFileSize) {
    testsupport::TempFolder folder;
    const std::string path = folder.File("log.txt");
    LogText log;
    for (int i = 0; i < 30000; ++i) log.Check(i % 5, "ann", kTuesday);
    std::ofstream(path, std::ios::binary) << log.text();
    std::vector<std::uint64_t> positions;
    LogTables tables;
    ASSERT_EQ(readInLogFile(path, kNow, tables,
                            [&](std::uint64_t done, std::uint64_t size) {
                                EXPECT_EQ(size, log.text().size());
                                positions.push_back(done);
                            }),
              LogReadResult::Read);
    EXPECT_EQ(tables.checks.size(), 30000u);
    ASSERT_GE(positions.size(), 2u);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.back(), log.text().size());
}

}  // namespace
}  // namespace kelvane
